#include "vars/batch.h"

#include <gtest/gtest.h>

#include <string>

#include "base/text.h"

namespace mv {
namespace {

std::string Text(const Bytes& b) { return std::string(b.begin(), b.end()); }

// Every variable's value is its table index in brackets, so order and choice of values show.
std::u16string IndexValue(Variable v) { return u"[" + Decimal(static_cast<int>(v)) + u"]"; }

TEST(Batch, BlankTextsAndPauseLines) {
  for (const char* blank : {"", "   ", "\r\n  \r\n\t", "\n"}) EXPECT_TRUE(IsBlankBatch(blank)) << blank;
  EXPECT_FALSE(IsBlankBatch("  echo\r\n"));

  struct Case {
    std::string in, out;
  } cases[] = {
      {"echo 1\r\n  @ pause\r\necho 2\r\n", "echo 1\r\necho 2\r\n"},
      {"PAUSE\r\npause now\r\n", "pause now\r\n"},
      {"@pause", ""},
      {"\tPaUsE  \necho x", "echo x"},
      {"pause>nul\r\n@@pause\r\n", "pause>nul\r\n@@pause\r\n"},  // not exactly PAUSE
      {"echo pause\r\n", "echo pause\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(RemovePauseLines(c.in), c.out) << c.in;

  EXPECT_EQ(AppendExtraCommands("echo a", "echo b"), "echo a\r\necho b");
  EXPECT_EQ(AppendExtraCommands("echo a\r\n", "echo b"), "echo a\r\necho b");
  EXPECT_EQ(AppendExtraCommands("echo a", ""), "echo a");
  EXPECT_EQ(AppendExtraCommands("", "echo b"), "echo b");
}

// A value reaches the batch exactly: nothing in it may end the SET command, start another, redirect,
// expand a variable or be swallowed as an escape.
TEST(Batch, SetLinesHoldAnyValue) {
  struct Case {
    std::u16string value, line;
  } cases[] = {
      {u"C:\\Program Files\\Acme", u"SET X=C:\\Program Files\\Acme\r\n"},
      {u"C:\\R&D\\100% Tools", u"SET X=C:\\R^&D\\100%% Tools\r\n"},
      {u"a|b<c>d^e", u"SET X=a^|b^<c^>d^^e\r\n"},
      {u"say \"hi\" & exit", u"SET X=say ^\"hi^\" ^& exit\r\n"},
      {u"%PATH%", u"SET X=%%PATH%%\r\n"},
      {u"wow!", u"SET X=wow!\r\n"},
      {u"trailing^", u"SET X=trailing^^\r\n"},
      {u"two\r\nlines", u"SET X=two  lines\r\n"},
      {u"", u"SET X=\r\n"},
      {u"caf\u00E9", u"SET X=caf\u00E9\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(SetLine(u"X", c.value), c.line) << Utf16ToUtf8(c.value);
}

TEST(Batch, TheWholeFile) {
  BatchFileInputs in;
  in.text = "echo hello\npause\r\necho done";
  const std::string file = Text(ComposeBatchFile(in, IndexValue));
  const std::string head = "@chcp 1252 >nul\r\n@echo off\r\nSET Automatic=[2]\r\nSET InstallDir=[19]\r\nSET Bits=[3]\r\n";
  EXPECT_EQ(file.substr(0, head.size()), head);
  const std::string tail = "SET OSDescription=[58]\r\nSET OSServer=[59]\r\necho hello\r\npause\r\necho done\r\n";
  EXPECT_EQ(file.substr(file.size() - tail.size()), tail);
  std::size_t sets = 0;
  for (std::size_t at = file.find("\r\nSET "); at != std::string::npos; at = file.find("\r\nSET ", at + 1)) ++sets;
  EXPECT_EQ(sets, 58u);
  EXPECT_NE(file.find("SET Existing=[14]\r\nSET NetworkInstall=[29]\r\n"), std::string::npos);

  // Uninstall mode: no "SET Existing"; automatic or hidden: no PAUSE.
  in.uninstall_mode = true;
  in.remove_pause = true;
  const std::string uninstall = Text(ComposeBatchFile(in, IndexValue));
  EXPECT_EQ(uninstall.find("SET Existing"), std::string::npos);
  EXPECT_NE(uninstall.find("SET Portable=[33]\r\nSET NetworkInstall=[29]\r\n"), std::string::npos);
  EXPECT_EQ(uninstall.find("pause"), std::string::npos);
  const std::string kept = "SET OSServer=[59]\r\necho hello\r\necho done\r\n";
  EXPECT_EQ(uninstall.substr(uninstall.size() - kept.size()), kept);
}

TEST(Batch, EncodingByWindowsVersion) {
  BatchFileInputs in;
  in.text = "echo caf\xE9";  // Windows-1252
  auto value = [](Variable v) { return v == Variable::kInstallDir ? std::u16string(u"C:\\\u4E2D") : std::u16string(); };

  in.utf8_capable = true;  // Windows 7 and later
  const std::string utf8 = Text(ComposeBatchFile(in, value));
  EXPECT_EQ(utf8.substr(0, 18), "@chcp 65001 >nul\r\n");
  EXPECT_NE(utf8.find("SET InstallDir=C:\\\xE4\xB8\xAD\r\n"), std::string::npos);
  EXPECT_NE(utf8.find("echo caf\xC3\xA9\r\n"), std::string::npos);

  in.utf8_capable = false;  // Vista: code page 1252, "?" for what it cannot hold
  const std::string cp1252 = Text(ComposeBatchFile(in, value));
  EXPECT_EQ(cp1252.substr(0, 17), "@chcp 1252 >nul\r\n");
  EXPECT_NE(cp1252.find("SET InstallDir=C:\\?\r\n"), std::string::npos);
  EXPECT_NE(cp1252.find("echo caf\xE9\r\n"), std::string::npos);

  // Plain ASCII stays in 1252 even where UTF-8 could be used.
  in.text = "echo plain";
  in.utf8_capable = true;
  EXPECT_EQ(Text(ComposeBatchFile(in, [](Variable) { return std::u16string(u"x"); })).substr(0, 17), "@chcp 1252 >nul\r\n");
}

TEST(Batch, CommandQuoting) {
  struct Case {
    std::u16string batch;
    std::optional<std::u16string> capture;
    std::u16string command;
  } cases[] = {
      {u"C:\\ACME\\SETUPBAT.BAT", std::nullopt, u"C:\\ACME\\SETUPBAT.BAT"},
      {u"C:\\ACME\\SETUPBAT.BAT", u"C:\\ACME\\CS_BAT~1.LOG", u"\"C:\\ACME\\SETUPBAT.BAT > C:\\ACME\\CS_BAT~1.LOG\""},
      {u"C:\\R&D_~3I4\\SETUPBAT.BAT", std::nullopt, u"\"\"C:\\R&D_~3I4\\SETUPBAT.BAT\"\""},
      {u"C:\\R&D_~3I4\\SETUPBAT.BAT", u"C:\\R&D_~3I4\\CS_BAT~1.LOG",
       u"\"\"C:\\R&D_~3I4\\SETUPBAT.BAT\" > \"C:\\R&D_~3I4\\CS_BAT~1.LOG\"\""},
      {u"C:\\A^B\\S.BAT", std::nullopt, u"\"\"C:\\A^B\\S.BAT\"\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BatchCommand(c.batch, c.capture ? std::optional<std::u16string_view>(*c.capture) : std::nullopt), c.command)
        << Utf16ToUtf8(c.batch);
  }
  EXPECT_EQ(BatchCommandLine(u"C:\\windows\\system32\\cmd.exe", u"X.BAT"), u"\"C:\\windows\\system32\\cmd.exe\" /c X.BAT");
}

TEST(Batch, CapturedOutput) {
  EXPECT_EQ(CapturedOutputForLog("hello\r\nworld\r\n\r\n  "), "hello\r\nworld\r\n\r\n");
  EXPECT_EQ(CapturedOutputForLog(" \r\n\t\r\n"), "");
  EXPECT_EQ(CapturedOutputForLog(""), "");
}

}  // namespace
}  // namespace mv
