// The decisions of the file service: result codes and their texts, what the open flags ask of the
// system, path-name validity, and the mapping of system errors to result codes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mv {

// File result codes (0 success; the texts are ResultText's).
enum FileResult : int {
  kFileOk = 0,
  kFileUnknownError = 1,
  kFileInvalidName = 2,
  kFileNotFound = 3,
  kFileNoDirectory = 4,
  kFileLocked = 5,
  kFileReadFailed = 6,
  kFileWriteFailed = 7,
  kFileTooManyOpen = 8,
  kFileInvalidParameter = 9,
  kFileExists = 10,
  kFileAccessDenied = 12,
  kFileReadOnly = 13,
  kFileNetworkPath = 19,
  kFileNotReady = 20,
  kFileNoDrive = 21,
  kFileIsFolder = 23,
};

// The fixed English text of a result code; unknown codes read "An unknown error occurred.".
const char* ResultText(int code);

// Open flags.
namespace open_flags {
inline constexpr std::uint32_t kCreationMask = 0x3;  // 0 open or create, 1 open existing, 2 create new, 3 create or truncate
inline constexpr std::uint32_t kNoRead = 0x8;
inline constexpr std::uint32_t kNoWrite = 0x10;
inline constexpr std::uint32_t kFatal = 0x20;
inline constexpr std::uint32_t kRetryOnce = 0x40;
inline constexpr std::uint32_t kVerify = 0x80;
inline constexpr std::uint32_t kShareRead = 0x100;
inline constexpr std::uint32_t kShareWrite = 0x200;
inline constexpr std::uint32_t kSeekStart = 0x400;
inline constexpr std::uint32_t kCloseAfterOpen = 0x800;
inline constexpr std::uint32_t kNoSharingRetries = 0x1000;
inline constexpr std::uint32_t kWidePath = 0x2000;
inline constexpr std::uint32_t kInheritable = 0x4000;
inline constexpr int kPlacementShift = 29;
}  // namespace open_flags

enum class Creation { kOpenOrCreate, kOpenExisting, kCreateNew, kCreateOrTruncate };

enum class Placement {
  kAsGiven,             // 0, 6, 7: the path unchanged
  kTempInTempFolder,    // 1: a new temporary file in the temporary folder
  kTempInGivenFolder,   // 2: a new temporary file in the folder given as path
  kNameInTempFolder,    // 3: the given name inside the temporary folder
  kTempBesidePath,      // 4: a new temporary file in the folder of the given path
  kTempWithExtension,   // 5: a new temporary file in the temporary folder, extension = the given text
};

// What an Open call asks of the system.
struct OpenRequest {
  bool read = false, write = false;
  bool share_read = false, share_write = false;
  Creation creation = Creation::kOpenOrCreate;
  Placement placement = Placement::kAsGiven;
};

OpenRequest DecodeOpenFlags(std::uint32_t flags);

// A usable path name: not empty, no leading or trailing blank, tab or line break, no control
// characters, none of < > " | ? * (a "\\?\" prefix aside), and a colon only after a drive letter.
bool IsValidPathName(std::u16string_view path);

// True when the path begins with a drive letter and a colon.
bool HasDriveLetter(std::u16string_view path);

// Facts the mapping needs beyond the error number; the Windows layer gathers them only when asked.
struct OpenFailureFacts {
  bool path_is_folder = false;      // the path names an existing folder
  bool drive_missing = false;       // it starts with a drive letter whose drive does not exist
  bool file_read_only = false;      // the file exists with the read-only attribute
  bool valid_name = true;           // IsValidPathName
  bool write_requested = false;
};

// Windows system error numbers the mapping knows.
namespace win_error {
inline constexpr std::uint32_t kFileNotFound = 2, kPathNotFound = 3, kTooManyOpenFiles = 4, kAccessDenied = 5,
                               kInvalidDrive = 15, kNotReady = 21, kSharingViolation = 32, kLockViolation = 33,
                               kRemNotList = 51, kBadNetPath = 53, kNetNameDeleted = 64, kNetworkAccessDenied = 65,
                               kBadNetName = 67, kFileExists = 80, kInvalidParameter = 87, kInvalidName = 123,
                               kAlreadyExists = 183, kNoNetOrBadPath = 1222;
}

int MapOpenError(std::uint32_t system_error, const OpenFailureFacts& facts);

}  // namespace mv
