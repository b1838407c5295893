// Names a phone lists that must not become paths on the PC.
#include "devlink/SyncTransfer.h"

#include <gtest/gtest.h>

namespace zorvik {
namespace {

TEST(SyncNames, NamesThatWouldLeaveTheChosenFolderAreRefused) {
  for (const char* bad : {"", ".", "..", "../evil", "a/b", "a\\b", "x\x01y"}) EXPECT_FALSE(isSafeLocalName(bad)) << bad;
  for (const char* good : {"照片.jpg", "..hidden", ".profile", "a b", "名字。"}) EXPECT_TRUE(isSafeLocalName(good)) << good;
}

}  // namespace
}  // namespace zorvik
