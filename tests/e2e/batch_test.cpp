// The package's batches run by real installers through Wine's own cmd.exe: every variable reaches the
// batch exactly, whatever it holds; the batch runs from the temporary folder until the installation
// folder exists; its output goes into Install.log.
#include <gtest/gtest.h>

#include <string>

#include "base/text.h"
#include "scenario.h"

namespace mve2e {
namespace {

std::string Narrow(const std::u16string& s) { return mv::Utf16ToUtf8(s); }

TEST(Batch, EveryValueArrivesExactlyAndNothingIsInjected) {
  const fs::path dir = ScratchDir("batch-values");
  const std::string out = Narrow(WindowsPath(dir / "vars.txt"));
  const std::string injected = Narrow(WindowsPath(dir / "injected.txt"));
  mvpack::Project p = SmallProject(dir);
  struct Value {
    const char* variable;
    std::u16string value;
  } values[] = {
      {"InstallDir", u"Q:\\R&D\\100% Tools!^x"},
      // Non-ASCII values are checked in the file's bytes by the host tests: Wine's cmd reads batch
      // files in the OEM code page whatever "chcp" says.
      {"ProductName", u"Acme \"Pro\" & <Co> | 50% ^! (x) ;,="},
      {"CompanyName", u"%PATH%&echo INJECTED>" + mv::Utf8ToUtf16(injected)},
      {"Version", u"1.0\"&echo INJECTED>" + mv::Utf8ToUtf16(injected) + u"&rem \""},
  };
  // On a drive that does not exist, so the folder cannot be made: the batch runs from the temporary folder.
  p.settings.DefaultInstallDir = values[0].value;
  p.settings.DisplayName = values[1].value;
  p.settings.Publisher = values[2].value;
  p.settings.DisplayVersion = mv::Utf16ToUtf8(values[3].value);  // ASCII
  p.settings.PreInstallBatch = "set InstallDir> \"" + out + "\"\r\n" +
                               "set ProductName>> \"" + out + "\"\r\n" +
                               "set CompanyName>> \"" + out + "\"\r\n" +
                               "set Version>> \"" + out + "\"\r\n" +
                               "cd>> \"" + out + "\"\r\n" +
                               "echo %~nx0>> \"" + out + "\"\r\n";
  ExitCode r = RunWindows(Build(p, dir / "values.exe").path, "/silent", 60, dir);
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 0u);
  EXPECT_FALSE(fs::exists(dir / "injected.txt")) << "a value ran a command";

  const std::string text = Text(dir / "vars.txt");
  for (const Value& v : values) {
    const std::string line = std::string(v.variable) + "=" + Narrow(v.value) + "\r\n";
    EXPECT_NE(text.find(line), std::string::npos) << line << "\nin:\n" << text;
  }
  // The working folder is the temporary folder, and the batch there has an unforeseeable name.
  const std::size_t after_sets = text.rfind("Version=");
  const std::string tail = text.substr(text.find("\r\n", after_sets) + 2);
  EXPECT_NE(tail.find("\\Temp\r\n"), std::string::npos) << tail;
  const std::size_t name = tail.find("VQT");
  ASSERT_NE(name, std::string::npos) << tail;
  EXPECT_EQ(tail.substr(name + 7, 6), ".bat\r\n") << tail;
}

TEST(Batch, OutputIsCapturedIntoInstallLogAfterTheExtraCommands) {
  const fs::path dir = ScratchDir("batch-capture");
  const fs::path product = dir / "product";
  fs::create_directories(product);
  mvpack::Project p = SmallProject(dir);
  p.settings.DefaultInstallDir = WindowsPath(product);
  p.settings.ProductFlags |= 1ull << 20;  // log
  p.product_flags2 |= 1u << 6;            // the pre-installation batch's output into the log
  p.settings.PreInstallBatch = "echo from-the-package\r\ncd\r\n";
  ExitCode r = RunWindows(Build(p, dir / "capture.exe").path, "/silent /b1:\"echo b1-one~~echo b1-two\"", 60, dir);
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 0u);
  const std::string log = Text(product / "Install.log");
  const std::string expected = "\r\nRunning Pre-Installation Batch...\r\nfrom-the-package\r\n" +
                               Narrow(WindowsPath(product)) + "\r\nb1-one\r\nb1-two\r\n\r\n";
  EXPECT_NE(log.find(expected), std::string::npos) << log;
  EXPECT_FALSE(fs::exists(product / "SETUPBAT.BAT"));
  EXPECT_FALSE(fs::exists(product / "cs_batch.log"));

  // Output of white space only adds nothing after the announcement.
  p.settings.PreInstallBatch = "echo.\r\necho.\r\n";
  fs::remove(product / "Install.log");
  r = RunWindows(Build(p, dir / "blank.exe").path, "/silent", 60, dir);
  EXPECT_EQ(r.code, 0u);
  const std::string blank = Text(product / "Install.log");
  // The announcement is followed directly by the first file's line (data.bin: the files go into the
  // package grouped by extension).
  EXPECT_NE(blank.find("\r\nRunning Pre-Installation Batch...\r\ndata.bin >>> "), std::string::npos) << blank;
}

}  // namespace
}  // namespace mve2e
