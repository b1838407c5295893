#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "app/PageData.h"

using namespace zorvik;

TEST(PageDataTable, KeyIsLoadingThenLoadedAndForgottenByRefresh) {
  PageDataTable t;
  EXPECT_FALSE(t.contains(1));
  EXPECT_TRUE(t.beginLoad(1));
  EXPECT_EQ(t.state(1), PageDataState::Loading);
  EXPECT_FALSE(t.beginLoad(1));  // a second visit while loading starts nothing
  t.markLoaded(1);
  EXPECT_EQ(t.state(1), PageDataState::Loaded);
  EXPECT_FALSE(t.beginLoad(1));
  t.forget(1);
  EXPECT_FALSE(t.contains(1));
  EXPECT_TRUE(t.beginLoad(1));
  EXPECT_FALSE(t.contains(2));
}

TEST(PageDataTable, ManyThreadsRacingForOneKeyStartOneLoad) {
  PageDataTable t;
  for (int round = 0; round < 50; ++round) {
    t.clear();
    std::atomic<int> winners{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
      threads.emplace_back([&] {
        for (int k = 0; k < 16; ++k)
          if (t.beginLoad(k) && k == 5) ++winners;
        t.markLoaded(3);
      });
    for (auto& th : threads) th.join();
    EXPECT_EQ(winners.load(), 1);
    EXPECT_EQ(t.state(3), PageDataState::Loaded);
    EXPECT_EQ(t.state(15), PageDataState::Loading);
  }
}
