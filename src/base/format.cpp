#include "base/format.h"

#include <cstdio>

namespace mv {

namespace {
std::u16string Widen(const std::string& s) { return std::u16string(s.begin(), s.end()); }
}  // namespace

std::u16string FormatText(std::u16string_view format, const std::vector<FormatArg>& args) {
  std::u16string out;
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    char16_t c = format[i];
    if (c != u'%' || i + 1 >= format.size()) {
      out.push_back(c);
      continue;
    }
    if (format[i + 1] == u'%') {
      out.push_back(u'%');
      ++i;
      continue;
    }
    // %[0][width][l|ll]conv
    size_t j = i + 1;
    bool zero = j < format.size() && format[j] == u'0';
    if (zero) ++j;
    int width = 0;
    while (j < format.size() && format[j] >= u'0' && format[j] <= u'9' && width < 100)
      width = width * 10 + (format[j++] - u'0');
    while (j < format.size() && format[j] == u'l') ++j;
    if (j >= format.size()) {
      out.append(format.substr(i));
      break;
    }
    char16_t conv = format[j];
    bool numeric = conv == u'd' || conv == u'i' || conv == u'u' || conv == u'x' || conv == u'X';
    bool textual = conv == u's';
    if ((!numeric && !textual) || next >= args.size() || args[next].is_number != numeric) {
      out.push_back(c);  // not ours: copy the percent sign and go on after it
      continue;
    }
    const FormatArg& a = args[next++];
    std::u16string piece;
    if (numeric) {
      char spec[16];
      const char* length_conv = conv == u'd' || conv == u'i' ? "lld"
                                : conv == u'u'               ? "llu"
                                : conv == u'x'               ? "llx"
                                                             : "llX";
      std::snprintf(spec, sizeof spec, zero ? "%%0%d%s" : "%%%d%s", width, length_conv);
      // Unsigned forms show a 32-bit value as Windows code does (-1 is 4294967295).
      long long value = a.number;
      if (conv != u'd' && conv != u'i' && value < 0 && value >= -2147483648LL)
        value = static_cast<long long>(static_cast<unsigned int>(value));
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, spec, value);
      piece = Widen(buffer);
    } else {
      piece = a.text;
      if (piece.size() < static_cast<size_t>(width)) piece.insert(0, width - piece.size(), u' ');
    }
    out += piece;
    i = j;
  }
  return out;
}

}  // namespace mv
