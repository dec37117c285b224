// The decisions behind the wizard pages and the progress dialog: which template a page's style
// index selects, the dialog font size, the Start-menu text rule, the folder acceptance rules over
// gathered facts, the summary check boxes' places, the heading's place, the licence and readme
// texts, the language pre-selection and the progress dialog's placement. Plain data in
// and out; the _win files gather the facts and show the pages.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "base/text.h"
#include "ui/geometry.h"

namespace mv {

// Control numbers shared by the templates.
enum WizardControl : int {
  kForwardButton = 1001,
  kCancelButton = 1003,
  kPageText = 1005,
  kProgressBar = 1007,
  kHeading = 1009,
  kStatusLine = 1011,
  kBrowseButton = 1013,
  kFolderEdit = 1015,
  kLanguageList = 1017,
  kPasswordEdit = 1019,
  kSidePicture = 1021,
  kOpenDocumentBox = 1023,
  kLaunchBox = 1025,
  kViewLogBox = 1027,
  kSecondDocumentBox = 1029,
  kBanner = 1032,
  kBannerTitle = 1034,
  kBannerSubtitle = 1035,
  kNeededSpaceLine = 1036,
  kFreeSpaceLine = 1037,
  kPasswordLabel = 1039,
  kGreetingLink = 1040,
  kWhitePanel = 1042,
  kFocusCommand = 1044,
  kReadToEndTimer = 1045,
};

enum class PageKind { kLanguage, kGreeting, kLicense, kReadme, kChooseDir, kStartMenu, kProgress, kSummary };

// The four looks of a page.
enum class PageStyle {
  kPlain,        // index 0: no picture, controls across the full width
  kSidePicture,  // index 1: the side picture left of the controls
  kBanner,       // index 2 and any unknown index: the banner across the top
  kFullPicture,  // index 3: a full-height side picture and a white panel behind the controls
};

PageStyle StyleOfIndex(std::int32_t index);
// The resource name of a page's template for a style index: "LicenseDlg2" for index 0, "LicenseDlg"
// for 1, "LicenseDlg4" for 3, "LicenseDlg3" for anything else. The greeting at index 0 is a message
// box and has no template (empty); the greeting at 2 is "GreetingDlg3" as any other unknown index.
std::u16string TemplateName(PageKind kind, std::int32_t style_index);
inline bool GreetingIsMessageBox(std::int32_t style_index) { return style_index == 0; }

// The dialog font's point size: the dialog zoom / 10, rounded (10 points at 100 %).
int DialogPointSize(std::int32_t dialog_zoom);

// Whether a Start-menu folder text may be accepted: none of / \ " < > | * ? : ; except the
// backslash as a separator, not beginning with a backslash, no two backslashes in a row.
bool StartMenuTextAcceptable(std::u16string_view text);

// The folder page's text as the rules take it: blanks trimmed and one trailing backslash removed.
std::u16string TrimFolderText(std::u16string_view text);

// What the system says about a folder the person typed, gathered before the rules are applied.
struct FolderCheckFacts {
  std::vector<std::u16string> protected_folders;  // desktops, Start menus, the user's profile
  bool drive_exists = true;        // the drive letter's drive exists and is ready
  unsigned drive_type = 3;         // GetDriveType of the drive (3: fixed)
  bool read_only_volume = false;   // the drive's volume is read-only
  std::u16string program_files;    // the Program Files folder of this process
  std::u16string program_files_64;  // the native one on 64-bit Windows; empty elsewhere
  // Package options.
  bool refuse_network = false;     // ProductFlags bit 37
  bool refuse_removable = false;   // ProductFlags bit 55
  bool ascii_only = false;         // ProductFlags2 bit 16: the package's folder check
};

// A refused folder: the message's text number and what it is formatted with (see FolderMessage).
struct FolderRefusal {
  int text_number = 0;
  std::u16string argument;
  bool operator==(const FolderRefusal&) const = default;
};

// Whether a path is a well-formed absolute folder: "X:" or "X:\..." or "\\server\share\...", with no
// character that a file name cannot hold.
bool IsWellFormedFolder(std::u16string_view folder);
// Whether `folder` is `outer` or lies inside it (letter case ignored, both taken with a trailing
// backslash).
bool IsSameOrInside(std::u16string_view folder, std::u16string_view outer);

// The acceptance rules that need no question, in their order, over a trimmed, non-empty folder
// text: malformed or protected (14), missing drive (16), network (66), shorter than four characters
// (17), a Program Files folder itself (18), CD-ROM, read-only or refused removable drive (96), the
// package's folder check (30). Nothing when the folder passes them.
std::optional<FolderRefusal> RefuseFolder(std::u16string_view folder, const FolderCheckFacts& facts);
// The message of a refusal: text 14 is followed by "\r\n\r\n" and the folder; the others are
// formatted with their argument.
std::u16string FolderMessage(const FolderRefusal& refusal, std::u16string_view language_text);

// A size in bytes as the pages show it: "12.3 MB", "512 KB", "800 bytes"; a negative size is 0.
std::u16string SizeText(std::int64_t bytes);

// A licence or readme entry of the package: rich text (RTF, kept as bytes for the rich-edit control)
// or a plain UTF-16 text.
struct PageText {
  bool rich = false;
  Bytes rtf;           // rich: the RTF bytes with any UTF-8 byte-order mark removed
  std::u16string text;  // plain
};
// A stored entry: RTF as bytes, anything else as UTF-16LE (a leading FF FE mark dropped, an odd last
// byte ignored).
PageText DecodePageText(std::span<const std::uint8_t> stored);
// The pages' texts in order: the package's entries, then the language's text when it is not empty;
// empty entries get no page.
std::vector<PageText> PageTexts(const std::vector<Bytes>& stored, const std::u16string& language_text);

// The greeting link control's text: the first "<a>" becomes "<a href=\"" + address + "\">". A text
// without "<a>" is returned unchanged.
std::u16string GreetingLinkText(std::u16string_view text, std::u16string_view address);

// Where the owner-drawn heading's text goes in its control: centred both ways when it fits, from the
// top-left corner when it is larger on either axis.
Rect HeadingTextRect(const Rect& control, Size text);

// The summary page's check boxes: the ones whose condition holds, from the top in the order launch
// (1025), document (1023), second document (1029), view the log (1027), in dialog units.
struct SummaryConditions {
  bool launch = false, document = false, second_document = false, view_log = false;
};
struct CheckBoxPlace {
  int id = 0;
  int text_number = 0;
  Rect at;  // dialog units
  bool operator==(const CheckBoxPlace&) const = default;
};
std::vector<CheckBoxPlace> SummaryCheckBoxes(std::int32_t style_index, const SummaryConditions& shown);

// The language pre-selected on the language page: the entry named like the user's language in its
// own words (cut before the first "(" and trimmed of trailing blanks), else "English", else the
// first.
int PreselectLanguage(const std::vector<std::u16string>& names, std::u16string_view native_name);

// The progress dialog's place from the package's placement word inside `area`: bits 0-1 left (1),
// right (2), centred (3); bits 3-4 top (8), bottom (16), centred (24); a field of 0 keeps `dialog`'s
// place on that axis.
Rect PlaceProgress(const Rect& dialog, const Rect& area, std::uint32_t placement);

}  // namespace mv
