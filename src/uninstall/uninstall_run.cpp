#include "uninstall/uninstall_run.h"

#include "lib/fatal.h"

namespace mv {

int RunUninstall(const std::u16string& product_name) {
  // This runtime does not carry the uninstaller yet: say so plainly instead of pretending that the
  // product was removed.
  FatalError(u"This version of Marevault Setup cannot uninstall products yet.\r\nProduct: " + product_name);
}

}  // namespace mv
