#include "records/record_paths.h"

#include "base/path.h"

namespace mv {

std::u16string RecordFilePath(std::u16string_view install_dir, std::u16string_view uninstall_subdir,
                              std::u16string_view file_name) {
  return JoinPath(JoinPath(install_dir, uninstall_subdir), file_name);
}

}  // namespace mv
