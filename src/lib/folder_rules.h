// Rules over folder and drive facts: the first folder a chain of lookups yields, the driver and boot
// folders from their registry values, and what a drive type says about a location.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace mv {

// Drive types as GetDriveType reports them.
inline constexpr unsigned kDriveRemovable = 2;
inline constexpr unsigned kDriveRemote = 4;
inline constexpr unsigned kDriveCdRom = 5;
inline constexpr unsigned kDriveRamDisk = 6;

// "%Portable%": a removable, CD-ROM or RAM-disk drive.
bool IsRemovableLikeDrive(unsigned drive_type);
// "%NetworkInstall%": a UNC path ("\\server\...") or a path on a remote drive.
bool IsNetworkLocation(std::u16string_view path, unsigned drive_type);

// One source of a folder lookup, asked only when every earlier source gave nothing.
using FolderSource = std::function<std::u16string()>;

// The first non-empty result of the sources in order, without a trailing backslash (see
// StripTrailingBackslash); empty when every source is empty.
std::u16string FirstFolder(std::initializer_list<FolderSource> sources);

// The driver search folder from the "DevicePath" value: its first ";"-separated entry with
// "%SystemRoot%" (any case) replaced by the Windows folder; the Windows folder's "INF" when the value
// is missing or that entry is empty.
std::u16string DeviceFolder(std::u16string_view device_path, std::u16string_view windows_dir);

// The boot drive letter from the "BootDir" value, upper-cased; 'C' when the value does not begin
// with a drive letter.
char16_t BootDriveLetter(std::u16string_view boot_dir);

// A folder read from the registry made usable as a path: surrounding blanks and quotes removed, a
// trailing backslash removed except from a drive root.
std::u16string NormaliseFolder(std::u16string_view folder);

}  // namespace mv
