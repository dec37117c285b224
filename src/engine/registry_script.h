// The product's registry data as decisions: what each record of the package's registry script asks
// for at installation, the value data it converts to, the records appended for the uninstaller, and
// the edit of the system search path ("Path").
//
// A registry script is CSV text (base/csv.h), one record per line:
//   key path                                   create the key
//   key path, value name, type, data, mode     set or delete a value
// Types are the system's value types: 1 text (variables expanded), 2 expandable text (as written),
// 3 hexadecimal byte pairs, 4 a 32-bit and 11 a 64-bit decimal number, 0 and 5 to 10 without data.
// Modes at installation: 1 and 3 set the value, 4 and 5 delete it, 6 and 7 set it only when it does
// not exist yet, 2 does nothing (the record is for the uninstaller only).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"

namespace mv {

// ProductFlags bits of this step.
inline constexpr std::uint64_t kFlagAddToPath = 1ull << 12;     // add the folder to the search path
inline constexpr std::uint64_t kFlagRegistry64 = 1ull << 32;    // the product's keys in the 64-bit view
// ProductFlags2: write no registry data when installing to a removable, optical or RAM drive.
inline constexpr std::uint32_t kFlags2NoRegistryOnRemovable = 1u << 15;

// Which steps run for an installation folder on a removable, optical or RAM-disk drive (or not):
// the product key and the script unless the product asks for no registry data there; App Paths
// never there. The merge file always runs.
struct RegistryStepsToRun {
  bool product_key_and_script = true;
  bool app_paths = true;
  bool operator==(const RegistryStepsToRun&) const = default;
};
RegistryStepsToRun RegistryStepsFor(bool removable_target, std::uint32_t product_flags2);

enum class RegistryStep {
  kNone,         // nothing to do (an empty line, mode 2)
  kCreateKey,    // create `key`
  kDeleteValue,  // delete `value_name` under `key`
  kSetValue,     // set `value_name` under `key` to `type` and `data`
  kIllegal,      // a record of no known form: `text` says what it was
};

struct RegistryAction {
  RegistryStep step = RegistryStep::kNone;
  std::u16string key;
  std::u16string value_name;
  std::uint32_t type = 0;
  Bytes data;
  bool keep_existing = false;  // modes 6 and 7: an existing value stays as it is
  std::u16string text;         // kIllegal: the record as written
  bool operator==(const RegistryAction&) const = default;
};

// Applies the installation variables to a text of type 1.
using ExpandText = std::function<std::u16string(std::u16string_view)>;

// What one record (its CSV fields) asks for. A record is illegal when it has neither 1 nor 5 fields,
// a mode other than 1 to 7, or, when it sets a value, a type the table does not name or a number
// that is not a decimal of the type's width. Modes 2, 4 and 5 look at neither type nor data.
RegistryAction DecideRegistryRecord(const std::vector<std::u16string>& fields, const ExpandText& expand);

// Every record of a script, in order. A line that is not valid CSV (an unclosed quote, text after a
// closing quote) becomes an illegal record of that line's text, and reading goes on with the next
// line. A leading byte-order mark is skipped.
std::vector<RegistryAction> PlanRegistryScript(std::u16string_view script, const ExpandText& expand);

// Text data as stored: UTF-16LE with its terminating zero.
Bytes StringValueData(std::u16string_view text);

// Type 3 data: hexadecimal digit pairs, spaces ignored, as bytes; a text with an odd number of
// digits or another character is kept undecoded (its UTF-16LE bytes).
Bytes BinaryValueData(std::u16string_view text);

// The records appended to the script for the uninstaller (each ended by "\r\n"): a value the
// installation wrote (mode 2, empty type and data), and a key it created.
std::u16string UninstallValueRecord(std::u16string_view key, std::u16string_view value_name);
std::u16string UninstallKeyRecord(std::u16string_view key);

// The folder AddToPath works on: the install folder for an empty sub-folder, an absolute sub-folder
// as it is, otherwise the sub-folder under the install folder.
std::u16string SearchPathFolder(std::u16string_view install_dir, std::u16string_view subfolder);

// The system search path with `folder` added (add) or removed; nullopt when nothing changes. The
// folder is looked for followed by ";", without regard to ASCII letter case. Adding keeps a path
// that has it or ends with it; otherwise ";" (unless the path ends with one) and the folder are
// appended. Removing cuts out the first "folder;", or else a trailing folder and then a trailing ";".
std::optional<std::u16string> EditSearchPath(std::u16string_view path, std::u16string_view folder, bool add);

}  // namespace mv
