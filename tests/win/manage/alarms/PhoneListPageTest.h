#pragma once
// The fixture of the alarm and bookmark page tests: the page in a frame against vphone (skipped
// without it), loaded once, with the phone's own list read apart from the page.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "PageTestSupport.h"
#include "ui/Window.h"
#include "devlink/AgentSession.h"

namespace zorvik::test {

inline std::string itemText(HWND dialog, int id) { return windowText(GetDlgItem(dialog, id)); }

// The phone's list as its agent sends it now, read apart from the page with `parse`.
template <typename List>
auto phoneList(const Bytes& request, List (*parse)(const unsigned char*, size_t)) {
  AgentBody body;
  EXPECT_EQ(exchangeForBody(request, body), AgentResult::Ok);
  List list = parse(body.bytes.data(), body.bytes.size());
  EXPECT_TRUE(list.ended);
  EXPECT_FALSE(list.malformed);
  return list.records;
}

template <typename Row>
std::optional<Row> rowTitled(const std::vector<Row>& rows, const std::string& title) {
  for (const Row& r : rows)
    if (r.title == title) return r;
  return std::nullopt;
}

template <typename P, int PageIdValue, int PageKeyValue>
class PhoneListPageTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!std::getenv("ZORVIK_AGENT_PORT")) GTEST_SKIP() << "run through with_vphone.sh";
    phoneControl("reset");
    ASSERT_TRUE(ui_.open(PageIdValue, "Phone list test", 900, 600));
    ASSERT_EQ(ui_.info->pageKey, PageKeyValue);
    page_ = ui_.page.get();
    host_ = ui_.host.get();
    load();
  }
  void TearDown() override {
    ui_.close();
    phoneControl("reset");
  }
  void load() {
    page_->reload();
    waitIdle();
  }
  void waitIdle() { ASSERT_TRUE(pumpUntil([&] { return !page_->busy(); }, 20000)); }
  // The list row whose first line is `title`, or -1.
  int rowTitled(const std::string& title) {
    for (int r = 0; r < page_->list().count(); ++r)
      if (page_->list().view().cell(r, 1) == title) return r;
    return -1;
  }

  PageUnderTest<P> ui_;
  P* page_ = nullptr;
  TestHost* host_ = nullptr;
};

}  // namespace zorvik::test
