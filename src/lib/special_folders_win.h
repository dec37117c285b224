// The Windows special folders, each found by asking its sources in a fixed order (the shell, then
// the "Shell Folders" registry value, then a fallback built from other folders), and the further
// folders the installation variables name. Every lookup asks the system afresh and returns the
// folder without a trailing backslash (a drive root keeps its own), or an empty text.
#pragma once

#include <string>

namespace mv {

enum class SpecialFolder {
  kCommonAppData, kAppData, kCommonDesktop, kDesktop, kCommonDocuments, kDocuments, kCommonFavorites, kFavorites,
  kFonts, kCommonStartMenu, kStartMenu, kCommonPrograms, kPrograms, kCommonStartup, kStartup, kProfile,
};

std::u16string GetSpecialFolder(SpecialFolder folder);

// Program Files and Common Files of 32-bit programs (native64 false) or of 64-bit programs
// (native64 true). On a 32-bit Windows both views give the one folder there is.
std::u16string ProgramFilesFolder(bool native64);
std::u16string CommonFilesFolder(bool native64);

std::u16string WindowsFolder();
std::u16string WindowsSystemFolder();  // "System32" (NT) or "System" under the Windows folder
std::u16string TempFolder();
std::u16string DriverSearchFolder();   // the first "DevicePath" entry, or the Windows folder's "INF"
std::u16string MediaFolder();          // "MediaPath", or the Windows folder's "Media"
std::u16string WebRootFolder();        // the web server's "PathWWWRoot", or "c:\Inetpub\wwwroot"
char16_t BootDrive();                  // upper-case letter; 'C' when the system does not say

}  // namespace mv
