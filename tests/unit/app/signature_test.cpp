#include "app/signature.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

TEST(Signature, TrustResultsMapToStatuses) {
  struct Case {
    std::uint32_t result, last_error;
    int status;
  } cases[] = {
      {0, 0, 0},
      {0x800B0100, 0, 1},           // no signature, nothing more known
      {0x800B0100, 0x800B0100, 1},  // the second no-signature result stays 1
      {0x800B0100, 0x800B010A, 17}, // no signature re-mapped through the last error
      {0x800B0111, 0, 2},
      {0x80096010, 0, 3}, {0x800B0004, 0, 3}, {0x800B0109, 0, 3},
      {0x80092026, 0, 4}, {0x800B0003, 0, 9}, {0x800B010C, 0, 10}, {0x800B0101, 0, 11},
      {0x80096005, 0, 12}, {0x80096004, 0, 13}, {0x800B0001, 0, 16}, {0x800B010A, 0, 17},
      {0x80004005, 0, 6},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SignatureStatusOf(c.result, c.last_error), c.status) << std::hex << c.result;
}

TEST(Signature, PassRuleAndCorruptCode) {
  for (int status : {0, 4, 5, 6, 7, 8, 9, 10, 11, 13, 17}) EXPECT_TRUE(SignaturePasses(status, 0)) << status;
  for (int status : {1, 2, 3, 12, 14, 15, 16}) {
    EXPECT_FALSE(SignaturePasses(status, 0)) << status;
    EXPECT_TRUE(SignaturePasses(status, 0x800B010A)) << status;
  }
  // No signature fails with 1001 unless the last error is the chain problem.
  EXPECT_FALSE(SignaturePasses(kSignatureMissing, 5));
  EXPECT_EQ(SignatureCorruptCode(kSignatureMissing), 1001);
  EXPECT_EQ(SignatureStatusOfOpenError(2), kSignatureFileNotFound);
  EXPECT_EQ(SignatureStatusOfOpenError(32), kSignatureFileOpenFailed);
}

}  // namespace
}  // namespace mv
