// The product settings as JSON, the "settings" part of an mvpack project file.
//
// One key per setting: the setting's name with its first letter in lower case ("displayName",
// "dialogBG", "notifyURL"). A missing key takes the zero or empty value; an unknown key or a value
// of the wrong form is an error (std::runtime_error naming the key).
//
// Value forms:
// - numbers as JSON integers (range-checked for their width); TitleSize and CopyrightSize as JSON
//   numbers (a value that JSON cannot hold, such as NaN, as the "0x..." hex string of its bits);
// - colours as "#RRGGBB" (stored 0x00BBGGRR); a colour with a non-zero top byte as "#TTRRGGBB";
// - UTF-16 texts as JSON strings; 8-bit texts as JSON strings through code page 1252;
//   RegistryScript as UTF-16 text and FirewallRules as UTF-8 text. Any text whose bytes a JSON
//   string cannot carry exactly (an unpaired surrogate, an odd byte count, bytes that are not
//   UTF-8) is written as {"base64": "..."} of its stored bytes, and that form is accepted for every
//   text;
// - binary values (bitmap, sound, icons, licence and readme entries, the greeting link, the
//   registry merge file) as base64 strings;
// - the 20 reserved bytes and the four build-option bytes as hex strings;
// - UninstallerTimes as {"year", "month", "day", "hour", "minute", "second"}, BuildDate as
//   {"year", "month", "day", "options"};
// - ColorSetA/B/C as arrays of 2/4/2 colours;
// - ProductFlags and ProductFlags2 as objects of named booleans, one for every bit with a known
//   meaning, plus "otherBits" ("0x..." hex or an integer) for the bits without a name.
//
// The optional groups (copyright line, dialog colours, button colours, colour sets, prerequisite
// product, uninstaller icon) are written only when the stored flags make them part of the stream.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>

#include "package/settings.h"

namespace mvpack {

// The whole settings object; it also carries "productFlags2" (the header's flags word, which
// decides the colour groups), written with Flags2ToJson.
nlohmann::json SettingsToJson(const mv::Settings& settings, std::uint32_t product_flags2);

// The settings of a JSON object made by SettingsToJson (or by an author). The "productFlags2" key
// is accepted and left to Flags2FromJson.
mv::Settings SettingsFromJson(const nlohmann::json& json);

nlohmann::json ProductFlagsToJson(std::uint64_t flags);
std::uint64_t ProductFlagsFromJson(const nlohmann::json& json);

nlohmann::json Flags2ToJson(std::uint32_t flags2);
std::uint32_t Flags2FromJson(const nlohmann::json& json);

}  // namespace mvpack
