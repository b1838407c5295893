#pragma once
// The start-up page (启动管理): a tree with one root per system event of the phone, under it the
// software that starts on the event, each with one detail node. It only shows; nothing changes on
// the phone.
#include <windows.h>

#include <memory>

#include "app/Page.h"
#include "devlink/AgentSession.h"
#include "manage/system/StartupItems.h"

namespace zorvik {

class StartupPage : public Page {
public:
  static constexpr int kTreeId = 4301;

  StartupPage(const PageInfo& info, PageHost& host);

  // A load requested while one runs is dropped.
  void load() override;
  void onToolbar(int index) override;
  // Roots only; the entry nodes below keep their state.
  void expandRoots(bool expand);

  HWND tree() const { return tree_; }
  bool loading() const { return loading_; }
  bool busy() const { return loading_; }

private:
  void fill(std::vector<StartupEntry> items);
  void layout();

  HWND tree_ = nullptr;  // a child of the page, destroyed with it
  bool loading_ = false;
};

}  // namespace zorvik
