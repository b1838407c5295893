#pragma once
// The home dashboard (我的手机): the program's page 660 in the browser control, whose model link
// ("manufacturer") and status widgets ("info_ul") are filled from the phone's facts (870004) after
// every connection and on "vko:refresh". Its "vko:" links ask the main window for other pages.
#include <windows.h>

#include <chrono>
#include <memory>
#include <string>

#include "ui/HtmlCtrl.h"
#include "app/Page.h"
#include "ui/PageWork.h"
#include "devlink/AgentSession.h"
#include "manage/system/PhoneFacts.h"

namespace zorvik {

class HomePage : public Page {
public:
  HomePage(const PageInfo& info, PageHost& host);
  ~HomePage() override;

  // Fetches the facts and rewrites the dashboard; dropped while a fetch runs. The main window
  // calls it from its timer 1 after a connection.
  void load() override;
  void onShown() override;
  // A "vko:" link of the page (the text after "vko:").
  void runCommand(const std::string& command);

  bool loading() const { return loading_; }
  bool busy() const { return loading_; }
  // What was last written (or would have been, when the browser has no document).
  const std::string& modelHtml() const { return modelHtml_; }
  const std::string& widgetsHtml() const { return widgetsHtml_; }
  int fills() const { return fills_; }
  std::chrono::steady_clock::time_point lastFill() const { return lastFill_; }

private:
  class View : public CHtmlCtrlBase {
  public:
    explicit View(HomePage& page) : page_(page) {}
    void OnAppCmd(const std::string& command) override { page_.runCommand(command); }
    void OnDocumentComplete(const std::string& address) override;

  private:
    HomePage& page_;
  };
  struct Loaded {
    AgentResult result = AgentResult::Ok;
    FactsRead read = FactsRead::Short;
    std::string model, widgets;
  };
  void ensureView();
  void fill(Loaded& loaded);
  void writeDocument();
  void layout();

  View view_{*this};
  std::string modelHtml_, widgetsHtml_;
  bool loading_ = false;
  int fills_ = 0;
  std::chrono::steady_clock::time_point lastFill_{};
  PageWork work_;
};

}  // namespace zorvik
