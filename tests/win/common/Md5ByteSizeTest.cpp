#include <gtest/gtest.h>

#include <string>

#include "common/ByteSize.h"
#include "common/Md5.h"

namespace zorvik {
namespace {

TEST(Md5Hex, KnownDigestsThroughTheCryptographicService) {
  EXPECT_EQ(md5hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(md5hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(md5hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(md5hex("The quick brown fox jumps over the lazy dog"), "9e107d9d372bb6826bd81d3542a419d6");
}

TEST(Md5Hex, HashesEveryByteIncludingZerosAndHighBytes) {
  EXPECT_EQ(md5hex(std::string("a\0b", 3)), "70350f6027bce3713f6b76473084309b");
  std::string big;
  for (int r = 0; r < 4000; ++r)
    for (int i = 0; i < 256; ++i) big.push_back(static_cast<char>(i));
  EXPECT_EQ(md5hex(big), "6134696ca1b050d4564d58a18aa9d35a");
}

TEST(ByteSizeText, FollowsTheShellsUnits) {
  EXPECT_EQ(byteSizeText(1024), "1.00 KB");
  EXPECT_EQ(byteSizeText(1536), "1.50 KB");
  EXPECT_EQ(byteSizeText(3u * 1024 * 1024), "3.00 MB");
  EXPECT_EQ(byteSizeText(150u * 1024 * 1024), "150 MB");
  EXPECT_EQ(byteSizeText(0xFFFFFFFFu), "3.99 GB");
  // Below a kilobyte the count is written out with the locale's word for bytes.
  EXPECT_EQ(byteSizeText(532).rfind("532 ", 0), 0u);
}

// A process's memory was shown from the low 32 bits of its 64-bit count: 5 GiB came out as 1 GiB.
TEST(ByteSizeText, CountsOf4GibAndMoreAreNotWrapped) {
  EXPECT_EQ(byteSizeText(5ull * 1024 * 1024 * 1024), "5.00 GB");
  EXPECT_EQ(byteSizeText(0x1'0000'0000ull), "4.00 GB");
}

}  // namespace
}  // namespace zorvik
