#pragma once
// The start-up page (启动管理): a tree with one root per system event of the phone, under it the
// software that starts on the event, each with one detail node. It only shows; nothing changes on
// the phone.
#include <windows.h>

#include <memory>

#include "app/Page.h"
#include "ui/PageWork.h"
#include "devlink/AgentSession.h"
#include "manage/system/StartupItems.h"

namespace zorvik {

class StartupPage : public Page {
public:
  static constexpr int kTreeId = 4301;

  StartupPage(const PageInfo& info, PageHost& host);
  ~StartupPage() override;

  // A load requested while one runs is dropped.
  void load() override;
  void onToolbar(int index) override;
  // Roots only; the entry nodes below keep their state.
  void expandRoots(bool expand);

  HWND tree() const { return tree_; }
  bool loading() const { return loading_; }
  bool busy() const { return loading_; }

private:
  struct Loaded {
    AgentResult result = AgentResult::Ok;
    StartupItems items;
  };
  void fill(Loaded& loaded);
  void layout();

  HWND tree_ = nullptr;  // a child of the page, destroyed with it
  bool loading_ = false;
  PageWork work_;
};

}  // namespace zorvik
