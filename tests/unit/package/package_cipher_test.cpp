#include "package/cipher.h"

#include <gtest/gtest.h>

#include <string>

namespace mv {
namespace {

Bytes FromHex(const std::string& hex) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return out;
}

// The published vectors take the key bytes in order as big-endian words; this cipher reads its key
// as little-endian words, so each 4-byte group is reversed to describe the same key words.
Bytes AsLittleEndianKeyWords(Bytes key) {
  for (std::size_t i = 0; i + 4 <= key.size(); i += 4) std::swap(key[i], key[i + 3]), std::swap(key[i + 1], key[i + 2]);
  return key;
}

TEST(Descramble, XorsWholeWordsThenTheFirstKeyBytes) {
  Bytes buffer = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
  Descramble(buffer, 0xA1B2C3D4);
  EXPECT_EQ(buffer, (Bytes{0xD4, 0xD2, 0x90, 0x92, 0x44 ^ 0xD4, 0x55 ^ 0xC3, 0x66 ^ 0xB2}));
  Descramble(buffer, 0xA1B2C3D4);
  EXPECT_EQ(buffer, (Bytes{0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66}));

  Bytes empty;
  Descramble(empty, 0xFFFFFFFF);
  EXPECT_TRUE(empty.empty());
}

TEST(Blowfish, MatchesThePublishedVectors) {
  struct Vector {
    const char* key;
    const char* plain;
    const char* cipher;
  } vectors[] = {
      {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
      {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
      {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
      {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
      {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
      {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
      {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
      {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
      {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
      {"0123456789ABCDEF", "0000000000000000", "245946885754369A"},
      {"FEDCBA9876543210", "FFFFFFFFFFFFFFFF", "6B5C5A9C5D9E0A5A"},
  };
  for (const auto& v : vectors) {
    const Blowfish cipher(AsLittleEndianKeyWords(FromHex(v.key)));
    Bytes block = FromHex(v.plain);
    cipher.EncryptBlock(block.data());
    EXPECT_EQ(block, FromHex(v.cipher)) << v.key << " " << v.plain;
    cipher.DecryptBlock(block.data());
    EXPECT_EQ(block, FromHex(v.plain)) << v.key << " " << v.plain;
  }
}

TEST(Blowfish, KeyLengthMustBeWholeWordsFrom64To448Bits) {
  for (std::size_t size : {0, 4, 7, 9, 10, 60}) EXPECT_THROW(Blowfish(Bytes(size, 1)), std::invalid_argument) << size;
  for (std::size_t size : {8, 12, 56}) EXPECT_NO_THROW(Blowfish(Bytes(size, 1))) << size;
  // Key words repeat over the P-array, so a key and its doubling give the same cipher.
  Bytes key = {1, 2, 3, 4, 5, 6, 7, 8};
  Bytes doubled = key;
  doubled.insert(doubled.end(), key.begin(), key.end());
  std::uint32_t l1 = 5, r1 = 6, l2 = 5, r2 = 6;
  Blowfish(key).EncryptBlock(l1, r1);
  Blowfish(doubled).EncryptBlock(l2, r2);
  EXPECT_EQ(l1, l2);
  EXPECT_EQ(r1, r2);
}

TEST(BlowfishBuffer, RoundTripsEveryLengthAndPadsToWholeBlocks) {
  Bytes key(56);
  for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(i * 37 + 5);
  const Blowfish cipher(key);
  for (std::size_t length = 0; length <= 41; ++length) {
    Bytes data(length);
    for (std::size_t i = 0; i < length; ++i) data[i] = static_cast<std::uint8_t>(i + 100);
    Bytes buffer = data;
    BlowfishEncryptBuffer(cipher, buffer);
    EXPECT_EQ(buffer.size() % 8, 0u);
    EXPECT_GE(buffer.size(), length + 4);
    EXPECT_LE(buffer.size(), length + 11);
    EXPECT_TRUE(BlowfishDecryptBuffer(cipher, buffer));
    EXPECT_EQ(buffer, data) << length;
  }
}

TEST(BlowfishBuffer, BadLengthsAreLeftAloneAndBadLengthWordsEmptyTheBuffer) {
  const Blowfish cipher(Bytes(56, 9));
  for (std::size_t size : {0, 7, 12, 20}) {
    Bytes buffer(size, 0x5A);
    EXPECT_FALSE(BlowfishDecryptBuffer(cipher, buffer)) << size;
    EXPECT_EQ(buffer, Bytes(size, 0x5A)) << size;
  }

  // A 16-byte buffer accepts length words 4..12.
  struct Case {
    std::uint32_t length_word;
    std::size_t result;
  } cases[] = {{3, 0}, {4, 4}, {12, 12}, {13, 0}, {16, 0}, {0xFFFFFFFF, 0}};
  for (const auto& c : cases) {
    Bytes buffer(16, 0x33);
    StoreLe32(&buffer[12], c.length_word);
    for (std::size_t i = 0; i < 16; i += 8) cipher.EncryptBlock(buffer.data() + i);
    EXPECT_TRUE(BlowfishDecryptBuffer(cipher, buffer));
    EXPECT_EQ(buffer, Bytes(c.result, 0x33)) << c.length_word;
  }
  // A single block holds at most 4 bytes of data.
  for (std::uint8_t word : {4, 5}) {
    Bytes one = {1, 2, 3, 4, word, 0, 0, 0};
    cipher.EncryptBlock(one.data());
    EXPECT_TRUE(BlowfishDecryptBuffer(cipher, one));
    EXPECT_EQ(one, word == 4 ? (Bytes{1, 2, 3, 4}) : Bytes{});
  }
}

}  // namespace
}  // namespace mv
