#include <iostream>

#include "cli.h"

int main(int argc, char** argv) {
  return mvpack::RunCli(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
