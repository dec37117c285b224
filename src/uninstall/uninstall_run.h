// The uninstall road, run with /u:"name".
#pragma once

#include <string>

namespace mv {

// Uninstalls the product registered under `product_name` and returns the process exit code.
int RunUninstall(const std::u16string& product_name);

}  // namespace mv
