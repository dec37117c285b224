#include "package/lists.h"

#include <stdexcept>
#include <string_view>
#include <utility>

#include "package/corrupt.h"
#include "package/writer.h"

namespace mv {

namespace {

constexpr int kCodeDeletions = 38;
constexpr int kCodeAssociations = 36;
constexpr int kCodeShortcuts = 48;
constexpr int kCodeUninstallRegistry = 37;
constexpr int kCodeClosePrograms = 41;
constexpr int kCodeLanguageCount = 30;
constexpr int kCodeTextCount = 31;
constexpr int kCodeEndWord = 32;

// Once the reader has run off the end, the end word cannot be read: the stream is refused as it
// would be at the end-word check, without acting on counts or records that were never read.
void StopIfTruncated(const PackageReader& r) {
  if (r.failed()) throw CorruptPackage(kCodeEndWord, "the lists end before their end word");
}

// A u32 count with its limit, checked before any record is read. The count is signed in the
// format: a negative one is out of range as well.
std::uint32_t ReadCount(PackageReader& r, std::uint32_t limit, int code) {
  std::uint32_t count = 0;
  r.U32(count);
  StopIfTruncated(r);
  if (count > limit) throw CorruptPackage(code);
  return count;
}

void ReadDeletions(PackageReader& r, std::vector<DeletionRecord>& out) {
  for (;;) {
    DeletionRecord d;
    r.Str8z(d.path);
    StopIfTruncated(r);
    if (d.path == kDeletionListEnd) return;
    if (out.size() >= kMaxDeletions) throw CorruptPackage(kCodeDeletions);
    r.U8(d.condition);
    r.Str8z(d.comparison);
    r.U8(d.flags);
    StopIfTruncated(r);
    out.push_back(std::move(d));
  }
}

void ReadAssociations(PackageReader& r, std::vector<AssociationRecord>& out) {
  const std::uint32_t count = ReadCount(r, kMaxAssociations, kCodeAssociations);
  for (std::uint32_t i = 0; i < count; ++i) {
    AssociationRecord a;
    r.U32(a.kind);
    r.StrW(a.extension);
    r.Str8z(a.file_type);
    r.Str8z(a.description);
    r.Str8z(a.verbs);
    r.Str8z(a.verb_label);
    r.StrW(a.command);
    r.Str16z(a.language);
    r.StrW(a.icon);
    StopIfTruncated(r);
    out.push_back(std::move(a));
  }
}

void ReadShortcuts(PackageReader& r, std::vector<ShortcutEntry>& out) {
  const std::uint32_t count = ReadCount(r, kMaxShortcuts, kCodeShortcuts);
  for (std::uint32_t i = 0; i < count; ++i) {
    ShortcutEntry s;
    for (std::u16string* text : {&s.target, &s.name, &s.icon, &s.arguments, &s.working_folder}) r.StrW(*text);
    r.U8(s.desktop);
    r.U8(s.start_menu);
    r.U8(s.startup);
    r.StrW(s.folder);
    r.U8(s.show_state);
    r.U8(s.keep);
    StopIfTruncated(r);
    s.from_settings = true;
    out.push_back(std::move(s));
  }
}

void ReadUninstallRegistry(PackageReader& r, std::vector<UninstallRegistryRecord>& out) {
  const std::uint32_t count = ReadCount(r, kMaxUninstallRegistry, kCodeUninstallRegistry);
  for (std::uint32_t i = 0; i < count; ++i) {
    UninstallRegistryRecord u;
    r.Blob8W(u.name);
    r.U8(u.type);
    r.StrW(u.value);
    StopIfTruncated(r);
    out.push_back(std::move(u));
  }
}

void ReadClosePrograms(PackageReader& r, std::vector<CloseProgramRecord>& out) {
  for (;;) {
    CloseProgramRecord c;
    r.Blob16W(c.window_class);
    StopIfTruncated(r);
    if (c.window_class == kCloseProgramListEnd) return;
    r.Blob16W(c.window_title);
    r.Blob16W(c.program_name);
    std::uint8_t action = 0;
    if (r.U8(action)) c.action = action;
    r.U8(c.flags);
    StopIfTruncated(r);
    out.push_back(std::move(c));
    if (out.size() > kMaxClosePrograms) throw CorruptPackage(kCodeClosePrograms);
  }
}

// The languages are stored as the count L, the count T, L names, and then T x L texts, all
// languages of text 0 first. Nothing is set aside for a count before its texts have been read.
void ReadLanguages(PackageReader& r, std::vector<Language>& out) {
  std::uint8_t language_count = 0;
  r.U8(language_count);
  StopIfTruncated(r);
  if (language_count < 1 || language_count > kMaxLanguages) throw CorruptPackage(kCodeLanguageCount);
  const std::uint32_t text_count = ReadCount(r, kMaxTextCount, kCodeTextCount);
  if (text_count < 1) throw CorruptPackage(kCodeTextCount);
  for (unsigned l = 0; l < language_count; ++l) {
    Language language;
    r.Str16z(language.name);
    StopIfTruncated(r);
    out.push_back(std::move(language));
  }
  for (std::uint32_t n = 0; n < text_count; ++n) {
    for (Language& language : out) {
      std::u16string text;
      r.Str16z(text);
      StopIfTruncated(r);
      language.texts.push_back(ToCrLf(text));
    }
  }
}

// Runs one write and names the item in the error when its value does not fit the format.
template <class F>
void Named(const std::string& item, F&& write) {
  try {
    write();
  } catch (const std::length_error& e) {
    throw std::length_error(item + ": " + e.what());
  } catch (const std::invalid_argument& e) {
    throw std::invalid_argument(item + ": " + e.what());
  }
}

std::string Item(const char* list, std::size_t index) { return std::string(list) + "[" + std::to_string(index) + "]"; }

void WriteCount(PackageWriter& w, std::size_t count, std::uint32_t limit, const char* list) {
  if (count > limit) {
    throw std::invalid_argument(std::string(list) + ": more than " + std::to_string(limit) + " records");
  }
  w.U32(static_cast<std::uint32_t>(count));
}

void WriteLanguages(PackageWriter& w, const std::vector<Language>& languages) {
  if (languages.empty() || languages.size() > kMaxLanguages) {
    throw std::invalid_argument("Languages: 1 to 200 languages are needed");
  }
  const std::size_t text_count = languages.front().texts.size();
  if (text_count < 1 || text_count > kMaxTextCount) {
    throw std::invalid_argument("Languages: 1 to 10000 texts per language are needed");
  }
  for (const Language& language : languages) {
    if (language.texts.size() != text_count) {
      throw std::invalid_argument("Languages: every language needs the same number of texts");
    }
  }
  w.U8(static_cast<std::uint8_t>(languages.size()));
  w.U32(static_cast<std::uint32_t>(text_count));
  for (std::size_t l = 0; l < languages.size(); ++l) {
    Named(Item("Languages", l) + ".name", [&] { w.Str16z(languages[l].name); });
  }
  for (std::size_t n = 0; n < text_count; ++n) {
    for (std::size_t l = 0; l < languages.size(); ++l) {
      Named(Item("Languages", l) + ".texts[" + std::to_string(n) + "]", [&] { w.Str16z(languages[l].texts[n]); });
    }
  }
}

}  // namespace

std::u16string ToCrLf(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\r') {
      out += u"\r\n";
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    } else if (c == u'\n') {
      out += u"\r\n";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

Lists ReadLists(PackageReader& r) {
  Lists lists;
  ReadDeletions(r, lists.DeletionList);
  ReadAssociations(r, lists.AssociationList);
  ReadShortcuts(r, lists.ShortcutList);
  r.StrW(lists.RootShortcutCommand);
  r.StrW(lists.RootShortcutName);
  r.Str16z(lists.PinTarget);
  r.Str16z(lists.PinName);
  ReadUninstallRegistry(r, lists.UninstallRegistryList);
  if (Bytes offer; r.Blob16(offer)) lists.SupportOffer.assign(offer.begin(), offer.end());
  r.Blob32(lists.ProductIcon);
  ReadClosePrograms(r, lists.CloseProgramList);
  ReadLanguages(r, lists.Languages);
  std::uint32_t end_word = 0;
  r.U32(end_word);
  if (end_word != kListsEndWord) throw CorruptPackage(kCodeEndWord);
  return lists;
}

Bytes WriteLists(const Lists& lists) {
  PackageWriter w;

  if (lists.DeletionList.size() > kMaxDeletions) throw std::invalid_argument("DeletionList: more than 1001 records");
  for (std::size_t i = 0; i < lists.DeletionList.size(); ++i) {
    const DeletionRecord& d = lists.DeletionList[i];
    Named(Item("DeletionList", i), [&] {
      if (d.path == kDeletionListEnd) throw std::invalid_argument("the path is the list's end text");
      w.Str8z(d.path);
      w.U8(d.condition);
      w.Str8z(d.comparison);
      w.U8(d.flags);
    });
  }
  w.Str8z(kDeletionListEnd);

  WriteCount(w, lists.AssociationList.size(), kMaxAssociations, "AssociationList");
  for (std::size_t i = 0; i < lists.AssociationList.size(); ++i) {
    const AssociationRecord& a = lists.AssociationList[i];
    Named(Item("AssociationList", i), [&] {
      w.U32(a.kind);
      w.StrW(a.extension);
      w.Str8z(a.file_type);
      w.Str8z(a.description);
      w.Str8z(a.verbs);
      w.Str8z(a.verb_label);
      w.StrW(a.command);
      w.Str16z(a.language);
      w.StrW(a.icon);
    });
  }

  WriteCount(w, lists.ShortcutList.size(), kMaxShortcuts, "ShortcutList");
  for (std::size_t i = 0; i < lists.ShortcutList.size(); ++i) {
    const ShortcutEntry& s = lists.ShortcutList[i];
    Named(Item("ShortcutList", i), [&] {
      for (const std::u16string* text : {&s.target, &s.name, &s.icon, &s.arguments, &s.working_folder}) {
        w.StrW(*text);
      }
      w.U8(s.desktop);
      w.U8(s.start_menu);
      w.U8(s.startup);
      w.StrW(s.folder);
      w.U8(s.show_state);
      w.U8(s.keep);
    });
  }

  Named("RootShortcutCommand", [&] { w.StrW(lists.RootShortcutCommand); });
  Named("RootShortcutName", [&] { w.StrW(lists.RootShortcutName); });
  Named("PinTarget", [&] { w.Str16z(lists.PinTarget); });
  Named("PinName", [&] { w.Str16z(lists.PinName); });

  WriteCount(w, lists.UninstallRegistryList.size(), kMaxUninstallRegistry, "UninstallRegistryList");
  for (std::size_t i = 0; i < lists.UninstallRegistryList.size(); ++i) {
    const UninstallRegistryRecord& u = lists.UninstallRegistryList[i];
    Named(Item("UninstallRegistryList", i), [&] {
      w.Blob8W(u.name);
      w.U8(u.type);
      w.StrW(u.value);
    });
  }

  Named("SupportOffer", [&] {
    w.Blob16({reinterpret_cast<const std::uint8_t*>(lists.SupportOffer.data()), lists.SupportOffer.size()});
  });
  Named("ProductIcon", [&] { w.Blob32(lists.ProductIcon); });

  if (lists.CloseProgramList.size() > kMaxClosePrograms) {
    throw std::invalid_argument("CloseProgramList: more than 1000 records");
  }
  for (std::size_t i = 0; i < lists.CloseProgramList.size(); ++i) {
    const CloseProgramRecord& c = lists.CloseProgramList[i];
    Named(Item("CloseProgramList", i), [&] {
      if (c.window_class == kCloseProgramListEnd) {
        throw std::invalid_argument("the window class is the list's end text");
      }
      if (c.action > 0xFF) throw std::invalid_argument("the action is stored in one byte");
      w.Blob16W(c.window_class);
      w.Blob16W(c.window_title);
      w.Blob16W(c.program_name);
      w.U8(static_cast<std::uint8_t>(c.action));
      w.U8(c.flags);
    });
  }
  w.Blob16W(kCloseProgramListEnd);

  WriteLanguages(w, lists.Languages);
  w.U32(kListsEndWord);
  return w.Take();
}

std::u16string LanguageText(const Lists& lists, int language, int n) {
  if (language < 0 || static_cast<std::size_t>(language) >= lists.Languages.size()) return {};
  const std::vector<std::u16string>& texts = lists.Languages[static_cast<std::size_t>(language)].texts;
  if (n < 0 || static_cast<std::size_t>(n) >= texts.size()) return {};
  return texts[static_cast<std::size_t>(n)];
}

std::vector<std::u16string> LanguageNames(const Lists& lists) {
  std::vector<std::u16string> names;
  names.reserve(lists.Languages.size());
  for (const Language& language : lists.Languages) names.push_back(language.name);
  return names;
}

int DefaultLanguage(const Lists& lists) {
  int found = 0;
  for (std::size_t i = 0; i < lists.Languages.size(); ++i) {
    if (lists.Languages[i].name == u"English") found = static_cast<int>(i);
  }
  return found;
}

}  // namespace mv
