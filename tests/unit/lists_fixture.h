// A Lists value with every list non-empty, two languages and texts in each of the text forms,
// shared by the stream and the JSON tests. Texts use CR LF, as the reader leaves them.
#pragma once

#include <cstdint>
#include <string>

#include "package/lists.h"

namespace mv::testing {

inline Lists FullLists() {
  Lists l;
  l.DeletionList = {
      {"C:\\Temp\\*.tmp", 0, "", 0x03},
      // A path-encoded name; a 1252 byte in the value (which condition 7, "always", never reads).
      {"|C:\\Caf\xc3\xa9\\old.dll", 7, "2.0\x80", 0x81},
  };

  AssociationRecord a;
  a.kind = 2;
  a.extension = u".mvd \u00e9";
  a.file_type = "Marevault.Document";
  a.description = "Document \x80";
  a.verbs = "open,print";
  a.verb_label = "&Open";
  a.command = std::u16string(u"\"<installdir>\\app.exe\" \"%1\"") + std::u16string(120, u'x');  // a 3-byte prefix
  a.language = u"Deutsch";
  a.icon = u"<installdir>\\doc.ico";
  l.AssociationList = {a, AssociationRecord{}};

  ShortcutEntry s;
  s.target = u"<installdir>\\app.exe";
  s.name = u"Tools\\App";
  s.icon = u"app.ico";
  s.arguments = u"/start";
  s.working_folder = u"<installdir>";
  s.desktop = 1;
  s.start_menu = 1;
  s.startup = 2;  // a byte other than 0 or 1
  s.folder = u"<appdata>\\Links";
  s.show_state = 2;
  s.keep = 1;
  s.from_settings = true;
  ShortcutEntry plain;
  plain.from_settings = true;
  l.ShortcutList = {s, plain};

  l.RootShortcutCommand = u"\"<installdir>\\run.exe\" /portable";
  l.RootShortcutName = u"Run <product>";
  l.PinTarget = u"\"<installdir>\\app.exe\" /pinned";
  l.PinName = u"App";
  l.UninstallRegistryList = {
      {u"HelpLink", 1, u"http://help.example/"},
      {u"Software\\Vendor\\Product\\Count", 4, u"42"},
      {u"Odd", 9, u""},
  };
  l.SupportOffer = "mailto:support@vendor.example?subject=\x80";
  l.ProductIcon = Bytes{0, 0, 1, 0, 1, 0, 0x10, 0x10, 0xFF, 0x80};
  l.CloseProgramList = {
      {u"*AppWindow", u"", u"App", 2, kCloseAtInstall | kCloseAtUninstall},
      {u"", u"Monitor \u2014 App", u"Monitor", 3, kCloseAtUninstall},
  };

  // Text 0 is filled in one language only, text 2 holds a line break, text 3 (the last) is empty
  // in both, so the count is not the highest filled number + 1.
  Language deutsch{u"Deutsch", {u"", u"Fehler", u"Zeile 1\r\nZeile 2", u""}};
  Language english{u"English", {u"Welcome", u"Error", std::u16string(u"Line 1\r\nLine ") + char16_t{0xDC00}, u""}};
  l.Languages = {deutsch, english};
  return l;
}

}  // namespace mv::testing
