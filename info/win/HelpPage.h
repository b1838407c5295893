#pragma once
// Page 6, "使用帮助": four links to the maker's support channels, and the feedback form, pre-filled
// from the phone (870002) and sent with FormPost to serviceBase() + "feedback/feedback.php".
// Loading and sending each run on a worker; at most five sends a run (FeedbackGate). A fifth link
// opens the licence notices installed beside the program.
#include <functional>
#include <memory>
#include <string>

#include "app/Page.h"
#include "common/win/Handles.h"
#include "info/Feedback.h"

namespace zorvik {

enum HelpControl : int {
  kHelpMailButton = 2801, kHelpForumButton, kHelpBlogButton, kHelpSiteButton,
  kHelpPlatformList, kHelpModelEdit, kHelpFirmwareEdit, kHelpContentEdit, kHelpQqEdit, kHelpEmailEdit,
  kHelpSubmitButton, kHelpStatusLabel, kHelpNoticesButton,
};

// The four support addresses, in the buttons' order.
extern const char* const kHelpLinks[4];
// The licence notices file setup installs beside the programs.
constexpr const char* kHelpNoticesFile = "THIRD-PARTY-NOTICES.txt";
// Shown when that file is not beside the program.
constexpr const char* kHelpNoticesMissing = "找不到许可说明文件 THIRD-PARTY-NOTICES.txt，请重新安装卓维克";

// Windows major × 10 + minor of the running system (RtlGetVersion: GetVersionEx answers what the
// manifest allows, not what runs).
int runningWindowsPc();

class HelpPage : public Page {
 public:
  HelpPage(const PageInfo& info, PageHost& host);

  void load() override;
  void submit();
  const FeedbackGate& gate() const { return gate_; }
  bool loading() const { return loading_; }

  // Tests: the browser and the post replaced.
  void setUrlOpener(std::function<void(const std::string&)> open) { openUrl_ = std::move(open); }

 private:
  void createControls();
  struct Loaded;
  void fill(const Loaded& loaded);
  FeedbackForm readForm() const;
  void finishSubmit(bool accepted);
  void openNotices();

  FeedbackGate gate_;
  bool loading_ = false;
  int32_t clientCode_ = 0;
  int32_t sdk_ = 0;
  std::string model_;
  std::function<void(const std::string&)> openUrl_;
  UniqueFont font_;
};

}  // namespace zorvik
