// The two ways a package hides its bytes: the XOR scrambling of the settings block keyed by its
// CRC-32, and Blowfish (ECB, big-endian block halves) keyed from the package header.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "base/bytes.h"

namespace mv {

// XORs every complete 4-byte group with `key` as a little-endian word and the remaining 1-3 bytes
// with the key's bytes 0, 1 and 2. Its own inverse.
void Descramble(std::span<std::uint8_t> buffer, std::uint32_t key);

class Blowfish {
 public:
  // Runs the key schedule. The key is 8 to 56 bytes, a multiple of 4, taken as little-endian
  // 32-bit words; any other length throws std::invalid_argument.
  explicit Blowfish(std::span<const std::uint8_t> key);

  void EncryptBlock(std::uint32_t& left, std::uint32_t& right) const;
  void DecryptBlock(std::uint32_t& left, std::uint32_t& right) const;
  // One 8-byte block in place, its halves read and written as big-endian words.
  void EncryptBlock(std::uint8_t* block) const;
  void DecryptBlock(std::uint8_t* block) const;

 private:
  std::uint32_t F(std::uint32_t x) const;

  std::array<std::uint32_t, 18> p_;
  std::array<std::array<std::uint32_t, 256>, 4> s_;
};

// Deciphers a buffer that BlowfishEncryptBuffer produced. A length that is not a positive multiple
// of 8 leaves the buffer unchanged and returns false. Otherwise every block is decrypted by itself;
// the last 4 bytes give the data length L (little-endian); when length - 12 <= L <= length - 4 the
// buffer is cut to L bytes, else it is emptied (and a following decompression fails). Returns true
// whenever the blocks were decrypted.
bool BlowfishDecryptBuffer(const Blowfish& cipher, Bytes& buffer);

// The inverse: pads with zeros to the next multiple of 8 that leaves room for the length word,
// stores the original length in the last 4 bytes and encrypts every block.
void BlowfishEncryptBuffer(const Blowfish& cipher, Bytes& buffer);

}  // namespace mv
