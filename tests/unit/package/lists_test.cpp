#include "package/lists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "lists_fixture.h"
#include "package/corrupt.h"
#include "package/writer.h"

namespace mv {
namespace {

using testing::FullLists;

Lists Read(const Bytes& stream) {
  PackageReader r(stream);
  return ReadLists(r);
}

// The corrupt-installer code ReadLists throws, or nullopt when it reads the stream.
std::optional<int> CodeOf(const Bytes& stream) {
  try {
    Read(stream);
    return std::nullopt;
  } catch (const CorruptPackage& e) {
    return e.code();
  }
}

// The stored form of empty lists up to the languages, written field by field in stream order.
void EmptyListsBeforeLanguages(PackageWriter& w) {
  w.Str8z("~~THE END~~");
  w.U32(0);  // associations
  w.U32(0);  // shortcuts
  w.StrW(u"");
  w.StrW(u"");
  w.Str16z(u"");
  w.Str16z(u"");
  w.U32(0);  // uninstall registry
  w.Blob16({});
  w.Blob32({});
  w.Blob16W(u"~~THE~END~~");
}

// L names and T x L texts (text-major) as stored, with the end word.
Bytes LanguagesStream(std::uint8_t language_count, std::uint32_t text_count) {
  PackageWriter w;
  EmptyListsBeforeLanguages(w);
  w.U8(language_count);
  w.U32(text_count);
  for (unsigned l = 0; l < language_count; ++l) w.Str16z(u"L" + std::u16string(1, char16_t(u'a' + l % 26)));
  for (std::uint32_t n = 0; n < text_count; ++n) {
    for (unsigned l = 0; l < language_count; ++l) w.Str16z(n == 0 ? u"t" : u"");
  }
  w.U32(kListsEndWord);
  return w.Take();
}

Lists MinimalLists() {
  Lists l;
  l.Languages = {{u"English", {u"text"}}};
  return l;
}

// `stream` with `extra` inserted before the first occurrence of `marker`.
Bytes InsertBefore(const Bytes& stream, const Bytes& marker, const Bytes& extra) {
  const auto at = std::search(stream.begin(), stream.end(), marker.begin(), marker.end());
  EXPECT_NE(at, stream.end());
  Bytes out(stream.begin(), at);
  out.insert(out.end(), extra.begin(), extra.end());
  out.insert(out.end(), at, stream.end());
  return out;
}

TEST(Lists, FieldsAreReadInStreamOrderAndTextsLanguageByLanguage) {
  PackageWriter w;
  w.Str8z("del.txt");
  w.U8(5);
  w.Str8z("cmp");
  w.U8(6);
  w.Str8z("~~THE END~~");
  w.U32(1);
  w.U32(7);
  w.StrW(u".ext");
  for (const char* t : {"type", "desc", "open", "label"}) w.Str8z(t);
  w.StrW(u"cmd");
  w.Str16z(u"English");
  w.StrW(u"icon");
  w.U32(1);
  for (const char16_t* t : {u"target", u"name", u"ico", u"args", u"work"}) w.StrW(t);
  w.U8(1);
  w.U8(0);
  w.U8(1);
  w.StrW(u"folder");
  w.U8(2);
  w.U8(1);
  w.StrW(u"root cmd");
  w.StrW(u"root name");
  w.Str16z(u"pin target");
  w.Str16z(u"pin name");
  w.U32(1);
  w.Blob8W(u"Value");
  w.U8(4);
  w.StrW(u"12");
  w.Blob16(Bytes{'o', 'f', 'f'});
  w.Blob32(Bytes{9, 8});
  w.Blob16W(u"Class");
  w.Blob16W(u"Title");
  w.Blob16W(u"Program");
  w.U8(3);
  w.U8(2);
  w.Blob16W(u"~~THE~END~~");
  w.U8(2);
  w.U32(2);
  w.Str16z(u"Deutsch");
  w.Str16z(u"English");
  for (const char16_t* t : {u"de 0", u"en 0", u"de 1", u"en 1"}) w.Str16z(t);
  w.U32(kListsEndWord);
  const Bytes stream = w.Take();

  const Lists l = Read(stream);
  EXPECT_EQ(l.DeletionList, (std::vector<DeletionRecord>{{"del.txt", 5, "cmp", 6}}));
  EXPECT_EQ(l.AssociationList,
            (std::vector<AssociationRecord>{
                {7, u".ext", "type", "desc", "open", "label", u"cmd", u"English", u"icon"}}));
  ShortcutEntry s{u"target", u"name", u"ico", u"args", u"work", 1, 0, 1, u"folder", 2, 1};
  s.from_settings = true;
  EXPECT_EQ(l.ShortcutList, std::vector<ShortcutEntry>{s});
  EXPECT_EQ(l.RootShortcutCommand, u"root cmd");
  EXPECT_EQ(l.RootShortcutName, u"root name");
  EXPECT_EQ(l.PinTarget, u"pin target");
  EXPECT_EQ(l.PinName, u"pin name");
  EXPECT_EQ(l.UninstallRegistryList, (std::vector<UninstallRegistryRecord>{{u"Value", 4, u"12"}}));
  EXPECT_EQ(l.SupportOffer, "off");
  EXPECT_EQ(l.ProductIcon, (Bytes{9, 8}));
  EXPECT_EQ(l.CloseProgramList, (std::vector<CloseProgramRecord>{{u"Class", u"Title", u"Program", 3, 2}}));
  EXPECT_EQ(LanguageNames(l), (std::vector<std::u16string>{u"Deutsch", u"English"}));
  EXPECT_EQ(LanguageText(l, 0, 1), u"de 1");
  EXPECT_EQ(LanguageText(l, 1, 0), u"en 0");
  EXPECT_EQ(WriteLists(l), stream);
}

TEST(Lists, FullValueRoundTripsAndTheReaderStopsAfterTheEndWord) {
  const Lists full = FullLists();
  const Bytes stream = WriteLists(full);

  Bytes with_more = stream;
  with_more.insert(with_more.end(), {1, 2, 3});
  PackageReader r(with_more);
  const Lists back = ReadLists(r);
  EXPECT_FALSE(r.failed());
  EXPECT_EQ(r.position(), stream.size());
  EXPECT_TRUE(back == full);
  EXPECT_EQ(WriteLists(back), stream);
}

TEST(Lists, DeletionListHoldsAtMost1001Records) {
  EXPECT_TRUE(Read(WriteLists(MinimalLists())).DeletionList.empty());  // only the end text

  Lists l = MinimalLists();
  l.DeletionList.assign(1001, {"x", 1, "", 2});
  const Bytes stream = WriteLists(l);
  EXPECT_EQ(Read(stream).DeletionList.size(), 1001u);

  PackageWriter one_more;
  one_more.Str8z("y");
  one_more.U8(0);
  one_more.Str8z("");
  one_more.U8(0);
  const Bytes end_text{'~', '~', 'T', 'H', 'E', ' ', 'E', 'N', 'D', '~', '~', 0};
  EXPECT_EQ(CodeOf(InsertBefore(stream, end_text, one_more.Take())), 38);
}

TEST(Lists, CloseProgramListHoldsAtMost1000Records) {
  Lists l = MinimalLists();
  l.CloseProgramList.assign(1000, {u"C", u"T", u"P", 0, 1});
  const Bytes stream = WriteLists(l);
  EXPECT_EQ(Read(stream).CloseProgramList.size(), 1000u);

  PackageWriter end, one_more;
  end.Blob16W(u"~~THE~END~~");
  one_more.Blob16W(u"D");
  one_more.Blob16W(u"");
  one_more.Blob16W(u"");
  one_more.U8(1);
  one_more.U8(3);
  EXPECT_EQ(CodeOf(InsertBefore(stream, end.Take(), one_more.Take())), 41);
}

TEST(Lists, CountedListsCheckTheirCountBeforeAnyRecord) {
  struct Case {
    const char* name;
    std::function<void(Lists&, std::size_t)> fill;
    std::function<std::size_t(const Lists&)> size;
    int code;
  } cases[] = {
      {"associations", [](Lists& l, std::size_t n) { l.AssociationList.resize(n); },
       [](const Lists& l) { return l.AssociationList.size(); }, 36},
      {"shortcuts", [](Lists& l, std::size_t n) { l.ShortcutList.resize(n);
         for (ShortcutEntry& s : l.ShortcutList) s.from_settings = true;
       },
       [](const Lists& l) { return l.ShortcutList.size(); }, 48},
      {"uninstall registry", [](Lists& l, std::size_t n) { l.UninstallRegistryList.resize(n); },
       [](const Lists& l) { return l.UninstallRegistryList.size(); }, 37},
  };
  const Bytes limit{0xE8, 0x03, 0, 0};  // 1000; the other counts are 0 and the records mostly zeros
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Lists l = MinimalLists();
    c.fill(l, 1000);
    const Bytes stream = WriteLists(l);
    EXPECT_EQ(c.size(Read(stream)), 1000u);

    const auto at = static_cast<std::size_t>(std::search(stream.begin(), stream.end(), limit.begin(), limit.end()) -
                                             stream.begin());
    ASSERT_LT(at, stream.size());
    for (std::uint32_t bad : {1001u, 0xFFFFFFFFu}) {
      Bytes patched = stream;
      StoreLe32(&patched[at], bad);
      EXPECT_EQ(CodeOf(patched), c.code) << bad;
      // The check comes before the records: a stream that ends right after the count gets the
      // count's code, not the truncation's.
      patched.resize(at + 4);
      EXPECT_EQ(CodeOf(patched), c.code) << bad;
    }
  }
}

TEST(Lists, LanguageAndTextCountsHaveTheirLimits) {
  struct Case {
    unsigned languages;
    std::uint32_t texts;
    std::optional<int> code;
  } cases[] = {
      {1, 1, std::nullopt},   {200, 1, std::nullopt}, {1, 10000, std::nullopt},
      {0, 1, 30},             {201, 1, 30},           {1, 0, 31},
      {1, 10001, 31},         {0, 0, 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.languages) + " languages, " + std::to_string(c.texts) + " texts");
    const Bytes stream = LanguagesStream(static_cast<std::uint8_t>(c.languages), c.texts);
    EXPECT_EQ(CodeOf(stream), c.code);
    if (!c.code) {
      const Lists l = Read(stream);
      ASSERT_EQ(l.Languages.size(), c.languages);
      EXPECT_EQ(l.Languages.back().texts.size(), c.texts);
      EXPECT_EQ(LanguageText(l, static_cast<int>(c.languages) - 1, 0), u"t");
    }
  }
}

TEST(Lists, EndWordMustFollowTheTexts) {
  Bytes stream = WriteLists(MinimalLists());
  stream.back() ^= 0x01;
  EXPECT_EQ(CodeOf(stream), 32);
}

TEST(Lists, EveryTruncatedStreamEndsInTheEndWordCode) {
  const Bytes stream = WriteLists(FullLists());
  for (std::size_t cut = 0; cut < stream.size(); ++cut) {
    ASSERT_EQ(CodeOf(Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut))), 32) << cut;
  }
}

TEST(Lists, MissingEndTextsRunToTheEndAndStop) {
  // No zero byte anywhere: the deletion path never ends.
  EXPECT_EQ(CodeOf(Bytes(4096, 'a')), 32);
  // Program-closing records without their end text, up to the end of the buffer.
  PackageWriter w;
  EmptyListsBeforeLanguages(w);
  Bytes stream = w.Take();
  stream.resize(stream.size() - (2 + 22));  // drop the end record
  for (int i = 0; i < 10; ++i) stream.insert(stream.end(), {0, 0, 0, 0, 0, 0, 1, 1});
  EXPECT_EQ(CodeOf(stream), 32);
  // Zero bytes make empty deletion records, 4 bytes each, until the limit.
  EXPECT_EQ(CodeOf(Bytes(1002 * 4, 0)), 38);
}

TEST(Lists, LineBreaksOfTextsBecomeCrLf) {
  struct Case {
    std::u16string stored, read;
  } cases[] = {
      {u"a\nb", u"a\r\nb"},       {u"a\rb", u"a\r\nb"},         {u"a\r\nb", u"a\r\nb"},
      {u"\n\r", u"\r\n\r\n"},     {u"\r\r\n\n", u"\r\n\r\n\r\n"}, {u"end\r", u"end\r\n"},
      {u"plain", u"plain"},
  };
  for (const Case& c : cases) {
    Lists l = MinimalLists();
    l.Languages = {{u"English", {u"", c.stored}}};
    EXPECT_EQ(LanguageText(Read(WriteLists(l)), 0, 1), c.read) << ::testing::PrintToString(c.stored);
  }
}

TEST(Lists, DefaultLanguageIsTheLastExactEnglish) {
  struct Case {
    std::vector<std::u16string> names;
    int index;
  } cases[] = {
      {{u"Deutsch", u"English"}, 1},
      {{u"ENGLISH"}, 0},
      {{u"Deutsch", u"english", u"English "}, 0},
      {{u"English", u"Deutsch", u"English"}, 2},
      {{}, 0},
  };
  for (const Case& c : cases) {
    Lists l;
    for (const auto& name : c.names) l.Languages.push_back({name, {u""}});
    EXPECT_EQ(DefaultLanguage(l), c.index) << c.names.size();
  }
}

TEST(Lists, LanguageTextOutsideTheTableIsEmpty) {
  const Lists l = FullLists();  // 2 languages, 4 texts
  EXPECT_EQ(LanguageText(l, 1, 1), u"Error");
  for (auto [language, n] : {std::pair{0, -1}, {0, 4}, {-1, 1}, {2, 1}, {1, 1000000}}) {
    EXPECT_EQ(LanguageText(l, language, n), u"") << language << " " << n;
  }
  EXPECT_EQ(LanguageText(Lists{}, 0, 0), u"");
}

TEST(Lists, WriterRefusesValuesTheReaderWouldNotGiveBack) {
  struct Case {
    const char* name;
    std::function<void(Lists&)> spoil;
  } cases[] = {
      {"1002 deletions", [](Lists& l) { l.DeletionList.resize(1002); }},
      {"deletion path is the end text", [](Lists& l) { l.DeletionList.push_back({"~~THE END~~", 0, "", 0}); }},
      {"zero in a deletion path", [](Lists& l) { l.DeletionList.push_back({std::string("a\0b", 3), 0, "", 0}); }},
      {"1001 associations", [](Lists& l) { l.AssociationList.resize(1001); }},
      {"1001 shortcuts", [](Lists& l) { l.ShortcutList.resize(1001); }},
      {"1001 registry records", [](Lists& l) { l.UninstallRegistryList.resize(1001); }},
      {"registry name over 255 bytes",
       [](Lists& l) { l.UninstallRegistryList.push_back({std::u16string(128, u'n'), 1, u""}); }},
      {"1001 programs", [](Lists& l) { l.CloseProgramList.resize(1001); }},
      {"window class is the end text",
       [](Lists& l) { l.CloseProgramList.push_back({u"~~THE~END~~", u"", u"", 0, 0}); }},
      {"action above a byte", [](Lists& l) { l.CloseProgramList.push_back({u"", u"", u"", 256, 0}); }},
      {"no language", [](Lists& l) { l.Languages.clear(); }},
      {"201 languages",
       [](Lists& l) {
         const Language first = l.Languages[0];
         l.Languages.assign(201, first);
       }},
      {"no text", [](Lists& l) { l.Languages[0].texts.clear(); }},
      {"uneven text counts", [](Lists& l) { l.Languages.push_back({u"Deutsch", {u"a", u"b"}}); }},
  };
  for (const Case& c : cases) {
    Lists l = MinimalLists();
    c.spoil(l);
    EXPECT_THROW(WriteLists(l), std::logic_error) << c.name;
  }
}

}  // namespace
}  // namespace mv
