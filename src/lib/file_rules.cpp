#include "lib/file_rules.h"

namespace mv {

const char* ResultText(int code) {
  switch (code) {
    case 0: return "Success.";
    case 2: return "The filename is invalid.";
    case 3: return "The file was not found.";
    case 4: return "The directory does not exist.";
    case 5: return "The file is locked by another application.";
    case 6: return "Failed to read the file into memory.";
    case 7: return "Failed to write data to the file.";
    case 8: return "Too many files are already open.";
    case 9: return "An invalid parameter was used.";
    case 10: return "The file already exists.";
    case 11: return "Too many indexed files exist.";
    case 12: return "Access denied.";
    case 13: return "The file's Read-Only attribute is set.";
    case 14: return "The file's contents are corrupted.";
    case 15: return "Deletion failed.";
    case 16: return "The file is too large to load into memory.";
    case 17: return "Aborted by the user.";
    case 18: return "Failed to create the directory.";
    case 19: return "The network path is not valid.";
    case 20: return "The device is not ready (usually because no disk is inserted).";
    case 21: return "The drive does not exist.";
    case 22: return "Erasure verification failed.";
    case 23: return "The filepath points to a folder, not a file.";
    case 24: return "Too many tabs are open.";
    case 25: return "No change was necessary.";
    case 26: return "The file is not open.";
    case 27: return "The file has changed.";
    case 28: return "The file is already open.";
    default: return "An unknown error occurred.";
  }
}

OpenRequest DecodeOpenFlags(std::uint32_t flags) {
  using namespace open_flags;
  OpenRequest r;
  r.read = !(flags & kNoRead);
  r.write = !(flags & kNoWrite);
  // Sharing follows the access the caller gives up: who does not read lets others write, and the
  // reverse, when either share bit is asked for.
  r.share_read = (flags & kShareRead) || ((flags & kShareWrite) && (flags & kNoRead));
  r.share_write = (flags & kShareWrite) || ((flags & kShareRead) && (flags & kNoWrite));
  r.creation = static_cast<Creation>(flags & kCreationMask);
  switch (flags >> kPlacementShift) {
    case 1: r.placement = Placement::kTempInTempFolder; break;
    case 2: r.placement = Placement::kTempInGivenFolder; break;
    case 3: r.placement = Placement::kNameInTempFolder; break;
    case 4: r.placement = Placement::kTempBesidePath; break;
    case 5: r.placement = Placement::kTempWithExtension; break;
    default: r.placement = Placement::kAsGiven; break;
  }
  if (r.placement == Placement::kTempInTempFolder || r.placement == Placement::kTempInGivenFolder ||
      r.placement == Placement::kTempBesidePath)
    r.creation = Creation::kCreateOrTruncate;
  return r;
}

bool HasDriveLetter(std::u16string_view p) {
  return p.size() >= 2 && p[1] == u':' && ((p[0] >= u'A' && p[0] <= u'Z') || (p[0] >= u'a' && p[0] <= u'z'));
}

bool IsValidPathName(std::u16string_view p) {
  if (p.empty()) return false;
  auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
  if (blank(p.front()) || blank(p.back())) return false;
  std::size_t start = 0;
  if (p.substr(0, 4) == u"\\\\?\\") start = 4;
  for (std::size_t i = start; i < p.size(); ++i) {
    char16_t c = p[i];
    if (c < 32 || c == u'<' || c == u'>' || c == u'"' || c == u'|' || c == u'?' || c == u'*') return false;
    if (c == u':' && !(i == start + 1 && HasDriveLetter(p.substr(start)))) return false;
  }
  return true;
}

int MapOpenError(std::uint32_t e, const OpenFailureFacts& f) {
  namespace we = win_error;
  switch (e) {
    case we::kFileNotFound: return f.valid_name ? kFileNotFound : kFileInvalidName;
    case we::kPathNotFound:
      if (f.path_is_folder) return kFileIsFolder;
      return f.drive_missing ? kFileNoDrive : kFileNoDirectory;
    case we::kTooManyOpenFiles: return kFileTooManyOpen;
    case we::kAccessDenied:
      if (f.path_is_folder) return kFileIsFolder;
      return f.write_requested && f.file_read_only ? kFileReadOnly : kFileAccessDenied;
    case we::kInvalidDrive: return kFileNoDrive;
    case we::kNotReady: return kFileNotReady;
    case we::kSharingViolation:
    case we::kLockViolation: return kFileLocked;
    case we::kRemNotList:
    case we::kBadNetPath:
    case we::kNetNameDeleted:
    case we::kNetworkAccessDenied:
    case we::kBadNetName:
    case we::kNoNetOrBadPath: return kFileNetworkPath;
    case we::kFileExists:
    case we::kAlreadyExists: return kFileExists;
    case we::kInvalidParameter: return kFileInvalidParameter;
    case we::kInvalidName: return kFileInvalidName;
    default: return kFileUnknownError;
  }
}

}  // namespace mv
