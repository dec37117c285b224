#include "base/version.h"

#include <cstddef>

namespace mv {
namespace {

template <typename Char>
bool IsDigit(Char c) {
  return c >= Char('0') && c <= Char('9');
}

template <typename Char>
bool IsAsciiLetter(Char c) {
  return (c >= Char('a') && c <= Char('z')) || (c >= Char('A') && c <= Char('Z'));
}

// Yields a version text's numbers one at a time, as digit runs without leading zeros, so numbers of
// any length compare exactly without converting them to an integer type.
template <typename Char>
class NumberReader {
 public:
  explicit NumberReader(std::basic_string_view<Char> text) : text_(text) {}

  // Stores the next number in `digits` (empty for zero) and returns true, or returns false at the end.
  bool Next(std::basic_string_view<Char>& digits) {
    while (pos_ < text_.size()) {
      const Char c = text_[pos_];
      if (IsDigit(c)) {
        while (pos_ < text_.size() && text_[pos_] == Char('0')) ++pos_;
        const std::size_t start = pos_;
        while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
        digits = text_.substr(start, pos_ - start);
        ++count_;
        return true;
      }
      ++pos_;
      if (c == Char('.') && count_ == 0) {  // ".5" reads as 0.5
        digits = {};
        ++count_;
        return true;
      }
    }
    return false;
  }

 private:
  std::basic_string_view<Char> text_;
  std::size_t pos_ = 0;
  std::size_t count_ = 0;
};

template <typename Char>
int CompareDigitRuns(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

template <typename Char>
unsigned SuffixLetter(std::basic_string_view<Char> text) {
  unsigned letter = 0;
  for (Char c : text) {
    if (IsAsciiLetter(c)) letter = static_cast<unsigned>(c);
  }
  return letter;
}

template <typename Char>
int Compare(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  NumberReader<Char> ra(a), rb(b);
  for (;;) {
    std::basic_string_view<Char> na, nb;
    const bool has_a = ra.Next(na);
    const bool has_b = rb.Next(nb);
    if (!has_a || !has_b) {
      if (has_a != has_b) return has_a ? 1 : -1;
      break;
    }
    if (int c = CompareDigitRuns(na, nb); c != 0) return c;
  }
  const unsigned la = SuffixLetter(a), lb = SuffixLetter(b);
  return la == lb ? 0 : (la < lb ? -1 : 1);
}

}  // namespace

int CompareVersions(std::string_view a, std::string_view b) { return Compare(a, b); }

int CompareVersions(std::u16string_view a, std::u16string_view b) { return Compare(a, b); }

}  // namespace mv
