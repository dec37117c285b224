// Value forms shared by the parts of an mvpack project file: base64 for binary data, UTF-16 and
// 8-bit texts as JSON strings (with a {"base64": ...} form for texts whose bytes a JSON string
// cannot carry exactly), and range-checked integers.
//
// A value of the wrong form throws JsonKeyError naming its key; each part's public function turns
// it into a std::runtime_error that also names the part (InPart), e.g. settings key "displayName".
#pragma once

#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "base/bytes.h"

namespace mvpack {

class JsonKeyError : public std::runtime_error {
 public:
  JsonKeyError(std::string key, std::string problem)
      : std::runtime_error("key \"" + key + "\": " + problem), key_(std::move(key)), problem_(std::move(problem)) {}
  const std::string& key() const { return key_; }
  const std::string& problem() const { return problem_; }

 private:
  std::string key_;
  std::string problem_;
};

[[noreturn]] inline void BadKey(const std::string& key, const std::string& problem) {
  throw JsonKeyError(key, problem);
}

// Runs read() and reports a JsonKeyError as std::runtime_error("<part> key \"<key>\": <problem>").
template <class F>
auto InPart(const char* part, F&& read) -> decltype(read()) {
  try {
    return read();
  } catch (const JsonKeyError& e) {
    throw std::runtime_error(std::string(part) + " key \"" + e.key() + "\": " + e.problem());
  }
}

std::string Base64Encode(std::span<const std::uint8_t> bytes);
mv::Bytes Base64Decode(std::string_view text, const std::string& key);

const std::string& StringValue(const nlohmann::json& j, const std::string& key);

// Fills out from {"base64": "..."} and returns true; returns false for any other form.
bool Base64Object(const nlohmann::json& j, const std::string& key, mv::Bytes& out);

// A text as a JSON string when the string carries it exactly, otherwise {"base64": stored bytes}.
nlohmann::json TextOrBase64(const std::string& utf8, bool exact, std::span<const std::uint8_t> stored);

// UTF-16 text: a JSON string, or {"base64": UTF-16LE bytes}.
nlohmann::json Utf16Json(std::u16string_view text);
std::u16string Utf16FromJson(const nlohmann::json& j, const std::string& key);

// 8-bit text in code page 1252: a JSON string, or {"base64": the bytes}. A string with characters
// the code page cannot hold is an error.
nlohmann::json Cp1252Json(std::string_view text);
std::string Cp1252FromJson(const nlohmann::json& j, const std::string& key);

template <class T>
T IntegerValue(const nlohmann::json& j, const std::string& key) {
  using Limits = std::numeric_limits<T>;
  if (j.is_number_unsigned()) {
    const auto v = j.get<std::uint64_t>();
    if (v <= static_cast<std::uint64_t>(Limits::max())) return static_cast<T>(v);
  } else if (j.is_number_integer()) {
    const auto v = j.get<std::int64_t>();
    if (v >= static_cast<std::int64_t>(Limits::min()) &&
        (v < 0 || static_cast<std::uint64_t>(v) <= static_cast<std::uint64_t>(Limits::max()))) {
      return static_cast<T>(v);
    }
  } else {
    BadKey(key, "expected an integer");
  }
  BadKey(key, "integer out of range " + std::to_string(+Limits::min()) + ".." + std::to_string(+Limits::max()));
}

}  // namespace mvpack
