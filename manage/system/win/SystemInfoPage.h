#pragma once
// The system information page (系统信息): nineteen fixed rows whose details come from the phone's
// facts (870004).
#include <windows.h>

#include <memory>

#include "app/Page.h"
#include "ui/PageWork.h"
#include "devlink/AgentSession.h"
#include "manage/system/PhoneFacts.h"

namespace zorvik {

class SystemInfoPage : public Page {
public:
  static constexpr int kListId = 4401;

  SystemInfoPage(const PageInfo& info, PageHost& host);
  ~SystemInfoPage() override;

  // A load requested while one runs is dropped.
  void load() override;
  void onToolbar(int index) override;

  HWND list() const { return list_; }
  bool loading() const { return loading_; }
  bool busy() const { return loading_; }
  int fills() const { return fills_; }  // loads that wrote the rows

private:
  struct Loaded {
    AgentResult result = AgentResult::Ok;
    FactsRead read = FactsRead::Short;
    PhoneFacts facts;
  };
  void fill(const Loaded& loaded);
  void layout();

  HWND list_ = nullptr;  // a child of the page, destroyed with it
  bool loading_ = false;
  int fills_ = 0;
  PageWork work_;
};

// One 870004 exchange and its reading, on the calling (worker) thread: Ok with the read outcome,
// or why the phone could not be asked. A reply the reader finds short counts as Malformed.
AgentResult fetchPhoneFacts(const ExchangeCancel* cancel, PhoneFacts& facts, FactsRead& read);

}  // namespace zorvik
