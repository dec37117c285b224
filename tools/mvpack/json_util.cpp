#include "json_util.h"

#include <algorithm>

#include "base/codepage.h"
#include "base/text.h"
#include "package/reader.h"
#include "package/writer.h"

namespace mvpack {

using nlohmann::json;

namespace {

constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

std::span<const std::uint8_t> AsSpan(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

}  // namespace

std::string Base64Encode(std::span<const std::uint8_t> in) {
  std::string out;
  out.reserve((in.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < in.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, in.size() - i);
    std::uint32_t v = static_cast<std::uint32_t>(in[i]) << 16;
    if (n > 1) v |= static_cast<std::uint32_t>(in[i + 1]) << 8;
    if (n > 2) v |= in[i + 2];
    for (std::size_t k = 0; k < 4; ++k) {
      out.push_back(k <= n ? kBase64Alphabet[(v >> (18 - 6 * k)) & 0x3F] : '=');
    }
  }
  return out;
}

mv::Bytes Base64Decode(std::string_view in, const std::string& key) {
  if (in.size() % 4 != 0) BadKey(key, "base64 text length is not a multiple of 4");
  mv::Bytes out;
  out.reserve(in.size() / 4 * 3);
  for (std::size_t i = 0; i < in.size(); i += 4) {
    std::size_t pad = 0;
    if (i + 4 == in.size()) {
      if (in[i + 3] == '=') pad = 1;
      if (in[i + 2] == '=') {
        if (pad != 1) BadKey(key, "invalid base64 text");
        pad = 2;
      }
    }
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 4 - pad; ++k) {
      const int d = Base64Value(in[i + k]);
      if (d < 0) BadKey(key, "invalid base64 text");
      v = (v << 6) | static_cast<std::uint32_t>(d);
    }
    v <<= 6 * pad;
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    if (pad < 2) out.push_back(static_cast<std::uint8_t>(v >> 8));
    if (pad < 1) out.push_back(static_cast<std::uint8_t>(v));
  }
  return out;
}

const std::string& StringValue(const json& j, const std::string& key) {
  if (!j.is_string()) BadKey(key, "expected a string");
  return j.get_ref<const std::string&>();
}

bool Base64Object(const json& j, const std::string& key, mv::Bytes& out) {
  if (!j.is_object()) return false;
  if (j.size() != 1 || !j.contains("base64") || !j["base64"].is_string()) {
    BadKey(key, "expected a string or {\"base64\": \"...\"}");
  }
  out = Base64Decode(j["base64"].get_ref<const std::string&>(), key);
  return true;
}

json TextOrBase64(const std::string& utf8, bool exact, std::span<const std::uint8_t> stored) {
  if (exact) return utf8;
  return json{{"base64", Base64Encode(stored)}};
}

json Utf16Json(std::u16string_view text) {
  const std::string utf8 = mv::Utf16ToUtf8(text);
  const bool exact = mv::Utf8ToUtf16(utf8) == text;
  return TextOrBase64(utf8, exact, exact ? mv::Bytes{} : mv::Utf16ToLeBytes(text));
}

std::u16string Utf16FromJson(const json& j, const std::string& key) {
  mv::Bytes bytes;
  if (Base64Object(j, key, bytes)) {
    if (bytes.size() % 2 != 0) BadKey(key, "UTF-16 text with an odd byte count");
    return mv::Utf16FromLeBytes(bytes);
  }
  return mv::Utf8ToUtf16(StringValue(j, key));
}

json Cp1252Json(std::string_view text) {
  const std::u16string wide = mv::Cp1252ToUtf16(text);
  const bool exact = mv::Utf16ToCp1252(wide) == text;
  return TextOrBase64(mv::Utf16ToUtf8(wide), exact, AsSpan(text));
}

std::string Cp1252FromJson(const json& j, const std::string& key) {
  mv::Bytes bytes;
  if (Base64Object(j, key, bytes)) return std::string(bytes.begin(), bytes.end());
  const std::u16string wide = mv::Utf8ToUtf16(StringValue(j, key));
  std::string text = mv::Utf16ToCp1252(wide);
  if (mv::Cp1252ToUtf16(text) != wide) BadKey(key, "text has characters outside code page 1252");
  return text;
}

}  // namespace mvpack
