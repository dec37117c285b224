// loadlib: loads a DLL by bare name with the default search order, as a careless program would;
// exits 0 when it loaded. The control case for the DLL-planting test.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  return LoadLibraryW(argv[1]) ? 0 : 1;
}
