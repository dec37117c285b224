// The record lists and language texts that follow the settings in the decoded settings stream:
// conditional deletions, file associations, shortcuts, the root-shortcut and taskbar-pin texts,
// extra uninstall registry values, the support offer, the product icon, the programs to close,
// the language names and their numbered texts, and the end check word.
//
// `Lists` holds the values as stored, so that WriteLists(ReadLists(x)) gives x's bytes back, except
// where the reader itself changes a value: language texts get CR LF line breaks, and a UTF-16 text
// stored with an odd byte count loses its last byte.
//
// Text kinds: UTF-16 texts are std::u16string (the length-prefixed texts of these records are
// UTF-16, like the zero-terminated wide ones); 8-bit texts are std::string holding the stored bytes
// unconverted (deletion paths in the path encoding of the uninstall data, the other texts in the
// package's code page); binary data is Bytes.
//
// Languages are kept per language (each with all its texts), not in the stream's text-major order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "package/reader.h"

namespace mv {

// One conditional deletion, carried out (and recorded for the uninstaller) after the files.
struct DeletionRecord {
  std::string path;        // file or pattern, 8-bit path encoding
  std::uint8_t condition = 0;
  std::string comparison;  // the condition's comparison text
  std::uint8_t flags = 0;  // the kDelete* bits below
  bool operator==(const DeletionRecord&) const = default;
};

// DeletionRecord flags.
inline constexpr std::uint8_t kDeleteAtRestartOnly = 1;       // never now: at the next restart
inline constexpr std::uint8_t kDeleteAtRestartOnFailure = 2;  // at the next restart when now fails
inline constexpr std::uint8_t kDeleteWhenInstalling = 4;
inline constexpr std::uint8_t kDeleteAtUninstall = 8;  // also recorded in Uninstall.dat

struct AssociationRecord {
  std::uint32_t kind = 0;
  std::u16string extension;  // one or more extensions
  std::string file_type;     // 8-bit; empty or "!name" uses the extension's existing type
  std::string description;   // 8-bit
  std::string verbs;         // 8-bit, comma-separated
  std::string verb_label;    // 8-bit
  std::u16string command;    // variables are expanded when it is used
  std::u16string language;   // empty, or the only language the record applies to
  std::u16string icon;
  bool operator==(const AssociationRecord&) const = default;
};

// One shortcut to create. The stored entries come from the package; the installation adds more
// (files that ask for shortcuts, the uninstaller's own) to the same list, which is what the marks
// after the stored fields tell apart. The marks are never stored.
struct ShortcutEntry {
  std::u16string target;
  std::u16string name;  // link file name without ".lnk"; may hold subfolders
  std::u16string icon;
  std::u16string arguments;
  std::u16string working_folder;
  std::uint8_t desktop = 0;  // the three placement bytes, non-zero meaning yes
  std::uint8_t start_menu = 0;
  std::uint8_t startup = 0;
  std::u16string folder;        // an explicit folder for the link; empty: none
  std::uint8_t show_state = 0;  // 1 minimised, 2 maximised, other values normal
  std::uint8_t keep = 0;        // non-zero: no uninstall entries for this link

  bool from_settings = false;  // read from the package: the target has variables to expand
  bool uninstaller = false;    // points at the uninstaller
  bool on_removable = false;   // made even when removable-drive installs suppress shortcuts
  bool operator==(const ShortcutEntry&) const = default;
};

// An extra value written under the product's uninstall key (or a full registry path).
struct UninstallRegistryRecord {
  std::u16string name;     // value name, or key path and value name after the last backslash
  std::uint8_t type = 0;   // 1 text, 2 expandable text, 4 number from the text; others refused on use
  std::u16string value;
  bool operator==(const UninstallRegistryRecord&) const = default;
};

// A program whose windows are closed before installing or uninstalling.
struct CloseProgramRecord {
  std::u16string window_class;  // empty: any; "*text": contains text; otherwise equal
  std::u16string window_title;  // the same rule against the title
  std::u16string program_name;  // shown to the user
  std::uint32_t action = 0;     // stored as one byte: 0 close, 1 quit, 2 ask the user, 3 terminate
  std::uint8_t flags = 0;       // bit 0 at installation, bit 1 at uninstallation
  bool operator==(const CloseProgramRecord&) const = default;
};

inline constexpr std::uint8_t kCloseAtInstall = 1;
inline constexpr std::uint8_t kCloseAtUninstall = 2;

// One language: its name and its texts, by number. Every language of a package holds the same
// number of texts (the stream stores them number by number across the languages; keeping them per
// language here lets the runtime take the chosen language's texts as one vector).
struct Language {
  std::u16string name;
  std::vector<std::u16string> texts;  // line breaks are CR LF
  bool operator==(const Language&) const = default;
};

struct Lists {
  std::vector<DeletionRecord> DeletionList;
  std::vector<AssociationRecord> AssociationList;
  std::vector<ShortcutEntry> ShortcutList;
  std::u16string RootShortcutCommand;  // first atom is the target
  std::u16string RootShortcutName;
  std::u16string PinTarget;
  std::u16string PinName;  // empty takes the product name
  std::vector<UninstallRegistryRecord> UninstallRegistryList;
  std::string SupportOffer;  // 8-bit text
  Bytes ProductIcon;         // icon file data
  std::vector<CloseProgramRecord> CloseProgramList;
  std::vector<Language> Languages;

  bool operator==(const Lists&) const = default;
};

// Limits, with the corrupt-installer code each one earns.
inline constexpr std::size_t kMaxDeletions = 1001;          // a record read while this many are stored: 38
inline constexpr std::uint32_t kMaxAssociations = 1000;     // 36
inline constexpr std::uint32_t kMaxShortcuts = 1000;        // 48
inline constexpr std::uint32_t kMaxUninstallRegistry = 1000;  // 37
inline constexpr std::size_t kMaxClosePrograms = 1000;      // one more stored: 41
inline constexpr std::size_t kMaxLanguages = 200;           // count outside 1..200: 30
inline constexpr std::uint32_t kMaxTextCount = 10000;       // count outside 1..10000: 31
inline constexpr std::uint32_t kListsEndWord = 0xD3E82B97;  // anything else, or no word: 32

// The end texts of the two lists without a count. Note the different spelling.
inline constexpr char kDeletionListEnd[] = "~~THE END~~";
inline constexpr char16_t kCloseProgramListEnd[] = u"~~THE~END~~";

// Reads the lists, the languages and the end word right after the settings and leaves the reader
// after the end word. Throws CorruptPackage with the codes above. A stream that ends early (a
// missing end text, a count promising more records than there are bytes) is code 32: the reader
// fails at its end, and the end word cannot follow. Every text's lone CR and lone LF become CR LF.
Lists ReadLists(PackageReader& reader);

// The exact inverse of ReadLists. Texts are written as stored (ReadLists gives them with CR LF).
// Throws std::invalid_argument for values ReadLists would refuse or read differently: counts
// beyond the limits, no language, no text, languages with different text counts, a deletion path
// or window class equal to its list's end text, an action above 255; and std::length_error or
// std::invalid_argument from the writer for a text the format cannot hold (the message names the
// item).
Bytes WriteLists(const Lists& lists);

// Text n of the given language; empty when n or the language is out of range. Callers with a
// built-in default use it for an empty result.
std::u16string LanguageText(const Lists& lists, int language, int n);

// The language names in stream order.
std::vector<std::u16string> LanguageNames(const Lists& lists);

// The index of the last language named exactly "English", or 0 when there is none.
int DefaultLanguage(const Lists& lists);

// Every lone CR and lone LF made CR LF; CR LF pairs stay as they are.
std::u16string ToCrLf(std::u16string_view text);

}  // namespace mv
