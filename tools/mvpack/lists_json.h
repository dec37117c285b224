// The record lists and language texts as JSON, the "lists" part of an mvpack project file.
//
// Keys (a missing key takes the empty value; an unknown key, at any level, is an error naming it):
//   "deletions":         [{"path", "condition", "comparison", "flags"}]
//   "associations":      [{"kind", "extension", "fileType", "description", "verbs", "verbLabel",
//                          "command", "language", "icon"}]
//   "shortcuts":         [{"target", "name", "icon", "arguments", "workingFolder", "desktop",
//                          "startMenu", "startup", "folder", "showState", "keep"}]
//   "rootShortcutCommand", "rootShortcutName", "pinTarget", "pinName": texts
//   "uninstallRegistry": [{"name", "type", "value"}]
//   "supportOffer":      8-bit text
//   "productIcon":       base64
//   "closePrograms":     [{"windowClass", "windowTitle", "programName", "action", "flags"}]
//   "languages":         [{"name": "English", "texts": {"13": "...", "21": "Error"}}]
//   "textCount":         the number of texts per language, written only when it is not the
//                        highest listed text number + 1 (when the last texts are empty)
//
// Value forms are those of the settings: UTF-16 texts as JSON strings, 8-bit texts as JSON strings
// through code page 1252, either with the {"base64": "..."} form for bytes a string cannot carry;
// numbers as integers. The shortcut bytes "desktop", "startMenu", "startup" and "keep" are true or
// false for 1 or 0, and an integer for any other stored value; either form is accepted.
//
// Texts are numbered from 0; a number that a language does not list is an empty text. Every
// language gets the same number of texts: "textCount" when given (1 to 10000, and above every
// listed number), otherwise the highest number listed in any language + 1.
#pragma once

#include <nlohmann/json.hpp>

#include "package/lists.h"

namespace mvpack {

nlohmann::json ListsToJson(const mv::Lists& lists);

// Throws std::runtime_error naming the key ("lists key \"shortcuts[2].target\": ...").
mv::Lists ListsFromJson(const nlohmann::json& json);

}  // namespace mvpack
