#include "package/header.h"

#include <cstring>
#include <stdexcept>

#include "base/version.h"
#include "package/corrupt.h"

namespace mv {

namespace {

// Sequential reader over the section; a field that does not fit raises the given code.
class FieldReader {
 public:
  explicit FieldReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint32_t U32(int code_if_missing, const char* field) {
    if (bytes_.size() - pos_ < 4) throw CorruptPackage(code_if_missing, std::string(field) + " missing");
    std::uint32_t v = LoadLe32(bytes_.data() + pos_);
    pos_ += 4;
    return v;
  }
  std::int32_t I32(int code_if_missing, const char* field) {
    return static_cast<std::int32_t>(U32(code_if_missing, field));
  }
  std::string ZeroTerminated(int code_if_unterminated) {
    const std::uint8_t* start = bytes_.data() + pos_;
    const void* zero = std::memchr(start, 0, bytes_.size() - pos_);
    if (zero == nullptr) throw CorruptPackage(code_if_unterminated, "version text unterminated");
    std::size_t length = static_cast<const std::uint8_t*>(zero) - start;
    pos_ += length + 1;
    return std::string(reinterpret_cast<const char*>(start), length);
  }
  std::size_t pos() const { return pos_; }
  std::size_t left() const { return bytes_.size() - pos_; }
  const std::uint8_t* here() const { return bytes_.data() + pos_; }
  void Skip(std::size_t n) { pos_ += n; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

}  // namespace

std::string VersionMismatchMessage(const std::string& found_version) {
  return std::string("The installer version (") + kPackageVersion + ") does not match the version of " +
         kProductLabel + " (" + found_version + ").  Close all applications and reinstall " +
         kProductLabel + ".";
}

PackageHeader ParseHeader(std::span<const std::uint8_t> section) {
  PackageHeader h;
  FieldReader r(section);
  h.magic = r.U32(20, "magic");
  if (h.magic != kPackageMagic) throw CorruptPackage(20, "bad magic");
  h.version = r.ZeroTerminated(20);
  if (CompareVersions(h.version, kPackageVersion) != 0) throw FatalPackageError(VersionMismatchMessage(h.version));
  h.product_flags2 = r.U32(22, "ProductFlags2");
  h.settings_size = r.I32(22, "settings size");
  if (h.settings_size < 1 || h.settings_size >= kMaxSettingsSize)
    throw CorruptPackage(22, "settings size " + std::to_string(h.settings_size));
  h.settings_crc = r.U32(25, "SettingsCrc");
  h.file_crc = r.U32(40, "FileCrc");
  h.data_end = r.I32(45, "DataEnd");
  if (h.data_end < 0) throw CorruptPackage(45, "negative DataEnd");
  const std::int32_t file_count = r.I32(27, "FileCount");
  if (file_count < 0) throw CorruptPackage(27, "negative FileCount");
  h.data_size = r.I32(29, "DataSize");
  if (h.data_size < 0) throw CorruptPackage(29, "negative DataSize");
  h.data_crc = r.U32(55, "DataCrc");
  if (r.left() / 4 < static_cast<std::uint32_t>(file_count)) throw CorruptPackage(28, "file size table cut short");
  h.file_sizes.resize(static_cast<std::size_t>(file_count));
  for (auto& size : h.file_sizes) {
    size = r.I32(28, "file size");
    if (size < 0 || size > kMaxFileSize) throw CorruptPackage(28, "file size " + std::to_string(size));
  }
  if (h.Enciphered()) {
    if (r.left() < kBlowfishKeySize) throw CorruptPackage(22, "Blowfish key missing");
    h.blowfish_key.emplace();
    std::memcpy(h.blowfish_key->data(), r.here(), kBlowfishKeySize);
    r.Skip(kBlowfishKeySize);
  }
  h.header_length = static_cast<std::uint32_t>(r.pos());
  return h;
}

Bytes SerializeHeader(const PackageHeader& header) {
  if (header.Enciphered() != header.blowfish_key.has_value())
    throw std::invalid_argument("the Blowfish key must be present exactly when bit 12 is set");
  if (header.version.find('\0') != std::string::npos)
    throw std::invalid_argument("version text contains a zero");
  Bytes out;
  out.reserve(45 + header.version.size() + 4 * header.file_sizes.size() + kBlowfishKeySize);
  AppendLe32(out, header.magic);
  out.insert(out.end(), header.version.begin(), header.version.end());
  out.push_back(0);
  AppendLe32(out, header.product_flags2);
  AppendLe32(out, static_cast<std::uint32_t>(header.settings_size));
  AppendLe32(out, header.settings_crc);
  AppendLe32(out, header.file_crc);
  AppendLe32(out, static_cast<std::uint32_t>(header.data_end));
  AppendLe32(out, static_cast<std::uint32_t>(header.FileCount()));
  AppendLe32(out, static_cast<std::uint32_t>(header.data_size));
  AppendLe32(out, header.data_crc);
  for (std::int32_t size : header.file_sizes) AppendLe32(out, static_cast<std::uint32_t>(size));
  if (header.blowfish_key) out.insert(out.end(), header.blowfish_key->begin(), header.blowfish_key->end());
  return out;
}

}  // namespace mv
