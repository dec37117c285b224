#include "app/command_line.h"

#include <cstddef>
#include <utility>

#include "base/codepage.h"
#include "base/text.h"

namespace mv {
namespace {

bool IsSeparator(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

bool StartsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

// Reads one atom starting at `pos` (after skipping separators); empty at the end of the line.
std::u16string NextAtom(std::u16string_view line, std::size_t& pos) {
  while (pos < line.size() && IsSeparator(line[pos])) ++pos;
  std::u16string atom;
  while (pos < line.size() && !IsSeparator(line[pos])) {
    if (line[pos] != u'"') {
      atom.push_back(line[pos++]);
      continue;
    }
    atom.push_back(u'"');  // opening quote
    ++pos;
    while (pos < line.size()) {
      if (line[pos] != u'"') {
        atom.push_back(line[pos++]);
      } else if (pos + 1 < line.size() && line[pos + 1] == u'"') {
        atom.push_back(u'"');  // "" inside the section is one quote
        pos += 2;
      } else {
        atom.push_back(u'"');  // closing quote
        ++pos;
        break;
      }
    }
  }
  return atom;
}

// Removes a double quote at both ends; a lone double quote leaves nothing.
std::u16string StripEnclosingQuotes(std::u16string_view text) {
  if (!text.empty() && text.front() == u'"' && text.back() == u'"') {
    return std::u16string(text.size() >= 2 ? text.substr(1, text.size() - 2) : std::u16string_view());
  }
  return std::u16string(text);
}

// The value of /r: and /b1: etc. after the opening quote: without its closing quote, and with each
// backquote standing for a double quote.
std::u16string QuotedSwitchValue(std::u16string_view rest) {
  std::u16string value(rest);
  if (!value.empty() && value.back() == u'"') value.pop_back();
  for (char16_t& c : value) {
    if (c == u'`') c = u'"';
  }
  return value;
}

// Batch commands: "~~" separates lines. The replacements are made before the conversion so that
// they never touch the second byte of a double-byte character.
std::string BatchSwitchValue(std::u16string_view rest, const AnsiConverter& to_ansi) {
  const std::u16string value = QuotedSwitchValue(rest);
  std::u16string lines;
  lines.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == u'~' && i + 1 < value.size() && value[i + 1] == u'~') {
      lines += u"\r\n";
      ++i;
    } else {
      lines.push_back(value[i]);
    }
  }
  return to_ansi ? to_ansi(lines) : Utf16ToCp1252(lines);
}

}  // namespace

std::vector<std::u16string> SplitCommandLine(std::u16string_view full_command_line,
                                             std::size_t max_atoms) {
  const std::u16string_view line = full_command_line.substr(0, full_command_line.find(u'\0'));
  std::size_t pos = 0;
  NextAtom(line, pos);  // the program path
  std::vector<std::u16string> atoms;
  while (atoms.size() < max_atoms) {
    std::u16string atom = NextAtom(line, pos);
    if (atom.empty()) break;
    atoms.push_back(std::move(atom));
  }
  return atoms;
}

ParsedCommandLine ParseCommandLine(std::u16string_view full_command_line,
                                   const AnsiConverter& to_ansi) {
  ParsedCommandLine result;
  RunOptions& o = result.options;
  for (const std::u16string& atom : SplitCommandLine(full_command_line)) {
    if (atom.front() != u'/' && atom.front() != u'-') {
      result.usage_error = u"Unexpected command-line parameter:\r\n" + atom;
      return result;
    }
    const std::u16string_view rest = std::u16string_view(atom).substr(1);
    if (EqualsIgnoreAsciiCase(rest, u"A")) {
      o.AutomaticMode = true;
    } else if (StartsWithIgnoreCase(rest, u"D:")) {
      o.InstallDirOverride = StripEnclosingQuotes(rest.substr(2));
      if (!o.InstallDirOverride.empty() && o.InstallDirOverride.back() == u'\\') {
        o.InstallDirOverride.pop_back();
      }
      o.InstallDirOverrideNarrow = ToNarrowPath(o.InstallDirOverride);
    } else if (EqualsIgnoreAsciiCase(rest, u"NoRestart")) {
      o.NoRestart = true;
    } else if (StartsWithIgnoreCase(rest, u"N:")) {
      o.ProductNameOverride = StripEnclosingQuotes(rest.substr(2));
    } else if (StartsWithIgnoreCase(rest, u"U")) {
      o.UninstallMode = true;
      std::u16string_view name = rest.substr(1);
      if (!name.empty() && name.front() == u':') name.remove_prefix(1);
      if (!name.empty()) o.UninstallProductName = StripEnclosingQuotes(name);
    } else if (StartsWithIgnoreCase(rest, u"R:\"")) {
      o.RunAfterInstall = QuotedSwitchValue(rest.substr(3));
    } else if (StartsWithIgnoreCase(rest, u"B1:\"")) {
      o.ExtraPreBatch = BatchSwitchValue(rest.substr(4), to_ansi);
    } else if (StartsWithIgnoreCase(rest, u"B2:\"")) {
      o.ExtraPostBatch = BatchSwitchValue(rest.substr(4), to_ansi);
    } else if (StartsWithIgnoreCase(rest, u"B3:\"")) {
      o.ExtraExitBatch = BatchSwitchValue(rest.substr(4), to_ansi);
    } else if (EqualsIgnoreAsciiCase(rest, u"Silent")) {
      o.AutomaticMode = true;
      o.SilentMode = true;
    } else if (EqualsIgnoreAsciiCase(rest, u"MIN")) {
      o.MinimizedBackground = true;
    } else if (!rest.empty()) {
      result.usage_error = u"Illegal command-line atom:\r\n" + atom;
      return result;
    }
  }
  // Checked once every switch is read, so "/u /u:Name" is fine.
  if (o.UninstallMode && o.UninstallProductName.empty()) {
    result.usage_error = u"/u requires Product Name";
  }
  return result;
}

std::u16string UsageText(std::u16string_view message, std::u16string_view exe_file_name) {
  std::u16string text(message);
  text +=
      u"\r\n"
      u"\r\n"
      u"Usage:\r\n";
  text += exe_file_name;
  text +=
      u" [/a] [/b1:\"commands\"] [/b2:\"commands\"] [/b3:\"commands\"] [/d:\"dir\"]"
      u" [/n:\"name\"] [/u:\"name\"] [/r:\"program\"] [/silent]\r\n"
      u"\r\n"
      u"/a                  \tAutomatic mode.\r\n"
      u"/d:\"dir\"        \tOverride installation path.\r\n"
      u"/b1:\"commands\"\tAdd commands to the end of the Pre-Installation Batch.\r\n"
      u"/b2:\"commands\"\tAdd commands to the end of the Post-Installation Batch.\r\n"
      u"/b3:\"commands\"\tAdd commands to the end of the Installation-Exit Batch.\r\n"
      u"/n:\"name\"\tOverride product name.\r\n"
      u"/u:\"name\"\tUninstall product by name.\r\n"
      u"/r:\"program\"\tRun the specified program after a successful installation.\r\n"
      u"/silent\tDisplay no user interface.";
  return text;
}

}  // namespace mv
