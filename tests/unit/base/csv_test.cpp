#include "base/csv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"

namespace mv {
namespace {

using Record = std::vector<std::string>;

std::vector<Record> ReadAll(std::string_view text, std::string* error = nullptr) {
  CsvReader reader(text);
  std::vector<Record> records;
  Record fields;
  while (reader.Next(fields)) records.push_back(fields);
  if (error) *error = reader.error();
  return records;
}

TEST(CsvLine, QuotesTheFieldsThatWouldOtherwiseReadDifferently) {
  struct Case {
    std::string field;
    std::string written;
  } cases[] = {
      {"plain", "plain"},
      {"", ""},
      {"inner space", "inner space"},
      {"#comment", "\"#comment\""},
      {"a;b", "\"a;b\""},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"tab\there", "\"tab\there\""},
      {"two\r\nlines", "\"two\r\nlines\""},
      {"lone\nfeed", "\"lone\nfeed\""},
      {"pipe|d", "\"pipe|d\""},
      {" leading", "\" leading\""},
      {"trailing ", "\"trailing \""},
      {"'apostrophe", "\"'apostrophe\""},
      {"mid#dle and it's", "mid#dle and it's"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    EXPECT_EQ(CsvLine(Record{c.field}), c.written + "\r\n");
    EXPECT_EQ(CsvNeedsQuotes(std::string_view(c.field)), c.written != c.field);
  }
  EXPECT_EQ(CsvLine(Record{"HKLM\\Software\\Acme", "Path", "1", "C:\\Acme;D:\\x", "2"}),
            "HKLM\\Software\\Acme,Path,1,\"C:\\Acme;D:\\x\",2\r\n");
  EXPECT_EQ(CsvLine(std::vector<std::u16string>{u"#x", u"y"}), u"\"#x\",y\r\n");
}

TEST(CsvReader, ReadsRecordsWithEveryLineEndAndQuotedLineBreaks) {
  EXPECT_EQ(ReadAll("a,b\r\nc"), (std::vector<Record>{{"a", "b"}, {"c"}}));
  EXPECT_EQ(ReadAll("a\nb\rc\r\n"), (std::vector<Record>{{"a"}, {"b"}, {"c"}}));
  EXPECT_EQ(ReadAll("\r\nx,\r\n,"), (std::vector<Record>{{""}, {"x", ""}, {"", ""}}));
  EXPECT_EQ(ReadAll("\"two\r\nlines\",\"say \"\"hi\"\"\",\"\"\r\nnext"),
            (std::vector<Record>{{"two\r\nlines", "say \"hi\"", ""}, {"next"}}));
  // A quote inside a field that does not begin with one is an ordinary character.
  EXPECT_EQ(ReadAll("a\"b, \"c\""), (std::vector<Record>{{"a\"b", " \"c\""}}));
  EXPECT_TRUE(ReadAll("").empty());

  CsvReader reader("one\r\n\"multi\r\nline\r\n\",x\r\nlast");
  Record fields;
  std::vector<std::size_t> lines;
  while (reader.Next(fields)) lines.push_back(reader.record_line());
  EXPECT_EQ(lines, (std::vector<std::size_t>{1, 2, 5}));
}

TEST(CsvReader, RefusesMalformedQuotingAndStaysFailed) {
  struct Case {
    std::string text;
    std::size_t records_before;
    std::string error;
  } cases[] = {
      {"a\r\nb,\"open\r\nstill open", 1, "line 2: the quoted field that begins here has no closing quote"},
      {"\"closed\"junk,b", 0, "line 1: text follows the closing quote of a field"},
      {"ok\r\n\"x\r\ny\"z", 1, "line 3: text follows the closing quote of a field"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    CsvReader reader(c.text);
    Record fields;
    std::size_t read = 0;
    while (reader.Next(fields)) ++read;
    EXPECT_EQ(read, c.records_before);
    EXPECT_TRUE(reader.failed());
    EXPECT_EQ(reader.error(), c.error);
    EXPECT_FALSE(reader.Next(fields));
  }
  CsvReader offset("\"never closed", 40);
  Record fields;
  EXPECT_FALSE(offset.Next(fields));
  EXPECT_EQ(offset.error(), "line 40: the quoted field that begins here has no closing quote");
}

TEST(CsvReader, ReadsBackWhatTheWriterWrote) {
  const std::vector<Record> records = {
      {"plain", "", "#hash", "semi;colon", "comma,", "\"quoted\"", " pad ", "'", "a|b"},
      {"line\r\nbreak", "lone\rcr", "lone\nlf", "tab\t", "\"\""},
      {""},
      {"", ""},
      {"Caf\xC3\xA9", "\xFF\x01"},
  };
  std::string text;
  for (const Record& r : records) text += CsvLine(r);
  EXPECT_EQ(ReadAll(text), records);

  const std::vector<std::u16string> wide = {u"\u00E9t\u00E9", u"#", u"x\r\ny", u""};
  const std::u16string wide_text = CsvLine(wide) + CsvLine(wide);
  CsvReader16 reader(wide_text);
  std::vector<std::u16string> fields;
  ASSERT_TRUE(reader.Next(fields));
  EXPECT_EQ(fields, wide);
  ASSERT_TRUE(reader.Next(fields));
  EXPECT_EQ(fields, wide);
  EXPECT_FALSE(reader.Next(fields));
  EXPECT_FALSE(reader.failed());
}

}  // namespace
}  // namespace mv
