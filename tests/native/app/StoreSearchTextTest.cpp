// The hand-over of message 0x464's keyword: only tickets this process gave name a keyword, each
// once; what an outside sender could put in lParam (an address, 0, a guessed number) names
// nothing; the pending keywords stay bounded.
#include "app/StoreSearchText.h"

#include <gtest/gtest.h>

#include <string>

namespace zorvik {
namespace {

TEST(StoreSearchText, OnlyAGivenTicketNamesItsKeywordAndOnlyOnce) {
  const uintptr_t ticket = depositStoreSearch("微信");
  ASSERT_NE(ticket, 0u);
  const char* foreign = "an address another program put in lParam";
  EXPECT_FALSE(collectStoreSearch(reinterpret_cast<uintptr_t>(foreign)));
  EXPECT_FALSE(collectStoreSearch(0));
  EXPECT_FALSE(collectStoreSearch(ticket + 1));
  EXPECT_EQ(collectStoreSearch(ticket).value_or("none"), "微信");
  EXPECT_FALSE(collectStoreSearch(ticket)) << "a ticket is used once";
}

TEST(StoreSearchText, LongKeywordsAreRefusedAndPendingOnesStayBounded) {
  EXPECT_EQ(depositStoreSearch(std::string(kStoreSearchTextMax + 1, 'a')), 0u);
  EXPECT_NE(depositStoreSearch(std::string(kStoreSearchTextMax, 'a')), 0u);
  const uintptr_t first = depositStoreSearch("first");
  uintptr_t last = 0;
  for (size_t i = 0; i < kStoreSearchPendingMax; ++i) last = depositStoreSearch("k" + std::to_string(i));
  EXPECT_FALSE(collectStoreSearch(first)) << "the oldest went when the box was full";
  EXPECT_EQ(collectStoreSearch(last).value_or("none"), "k" + std::to_string(kStoreSearchPendingMax - 1));
  const uintptr_t a = depositStoreSearch(""), b = depositStoreSearch("");
  EXPECT_NE(a, b) << "tickets are fresh numbers";
  EXPECT_EQ(collectStoreSearch(b).value_or("none"), "");
}

}  // namespace
}  // namespace zorvik
