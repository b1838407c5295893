// The lookup's checksum and the store's search key with the platform's MD5 (CryptoAPI under
// Wine); the digests are md5sum's.
#include <gtest/gtest.h>

#include "common/Md5.h"
#include "manage/apps/AppStore.h"

namespace zorvik {
namespace {

TEST(AppsWithCryptoApi, CheckSumAndRequestForAKnownList) {
  EXPECT_EQ(apkListCheckSum(2, "com.b", md5hex), "e72422");
  // md5("1") = c4ca4238a0b923820dcc509a6f75849b, md5("com.tencent.mm") = e39d2c7de19156b0683cd93e8735f348
  ApkListQuery q;
  q.checkSum = apkListCheckSum(1, "com.tencent.mm", md5hex);
  EXPECT_EQ(q.checkSum, "a42d2c");
  q.clientCode = 1001;
  q.apiLevel = 15;
  q.modelName = "MI 2S";
  q.packageNames = {"com.tencent.mm"};
  EXPECT_EQ(apkListRequestJson(q), "{\n   \"Api\" : 15,\n   \"CheckSum\" : \"a42d2c\",\n   \"Client\" : 1001,\n"
                                   "   \"Model\" : \"MI 2S\",\n   \"PackageName\" : [ \"com.tencent.mm\" ]\n}\n");
}

TEST(AppsWithCryptoApi, SearchKeyOfTheCleanedKeyword) {
  EXPECT_EQ(searchKey(cleanSearchKeyword("ab-cd"), md5hex), "e6fce676");
  EXPECT_EQ(searchKey("微信", md5hex), "23474fc1");  // the GBK bytes are hashed
}

}  // namespace
}  // namespace zorvik
