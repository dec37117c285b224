#include "lib/temp_name.h"

namespace mv {

std::uint64_t TempNameGenerator::NextState() {
  state_ ^= state_ >> 12;
  state_ ^= state_ << 25;
  state_ ^= state_ >> 27;
  return state_;
}

std::uint16_t TempNameGenerator::NextDigits() {
  const auto low = static_cast<std::uint32_t>(NextState());
  return static_cast<std::uint16_t>(low * 56605u);
}

std::u16string TempFileName(std::uint16_t digits, std::u16string_view extension) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  if (!extension.empty() && extension.front() == u'.') extension.remove_prefix(1);
  std::u16string name = u"VQT";
  for (int shift = 12; shift >= 0; shift -= 4) name.push_back(kHex[(digits >> shift) & 0xF]);
  name.push_back(u'.');
  name.append(extension);
  return name;
}

std::u16string JoinTempPath(std::u16string_view folder, std::u16string_view name) {
  std::u16string path(folder);
  if (!path.empty() && path.back() != u'\\' && path.back() != u'/') path.push_back(u'\\');
  path.append(name);
  return path;
}

TempNameFolder TempFolderForAttempt(int attempt) {
  if (attempt >= 300) return TempNameFolder::kRootTemp;
  if (attempt >= 200) return TempNameFolder::kUserTemp;
  return TempNameFolder::kAsked;
}

bool TempNameAttempts::More() const { return !done_ && attempt_ < kTempNameAttempts; }

void TempNameAttempts::Record(TempCreateResult result) {
  ++attempt_;
  if (result == TempCreateResult::kCreated) {
    done_ = true;
  } else if (result == TempCreateResult::kAccessDenied) {
    if (give_up_on_denials_ && ++denials_ >= kMaxConsecutiveDenials) done_ = true;
  } else {
    denials_ = 0;
  }
}

}  // namespace mv
