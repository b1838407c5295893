#pragma once
// The two wizard windows: the installer ("【卓维克 2.0】安装向导") and the USB driver wizard
// ("【卓维克】 驱动安装向导") that follows a finished install.
#include <string>
#include <vector>

#include "setup/win/SetupInstall.h"
#include "ui/PageWork.h"
#include "ui/Window.h"

namespace zorvik {

#ifdef ZORVIK_SETUP_TEST_BUILD
// Built with stand-in phone-side packages: never to be given to users.
constexpr const char* kSetupTitle = "【卓维克 2.0】安装向导 [测试包]";
#else
constexpr const char* kSetupTitle = "【卓维克 2.0】安装向导";
#endif
constexpr const char* kDriverTitle = "【卓维克】 驱动安装向导";
constexpr const char* kBrowseTitle = "请选择【卓维克 PC版】的安装位置";

class SetupWizard : public Dialog {
public:
  // Closing during an install cancels it and waits this long at most for its worker to take
  // away what the run made.
  static constexpr unsigned kCloseWaitMs = 10000;

  SetupWizard();
  // The install button: starts the install with the location field's text on a worker and
  // returns; the bar follows its progress, and its outcome comes back in a message box, after
  // which a finished install ends the dialog with IDOK. Needs the UI-thread queue.
  void startInstall();
  bool installing() const { return installing_; }
  // The outcome of the last install that came back.
  const InstallOutcome& lastOutcome() const { return outcome_; }

private:
  void changeLocation();
  void finishInstall(InstallOutcome outcome);
  void setBusy(bool busy);
  void close();

  PageWork work_;
  bool installing_ = false;
  InstallOutcome outcome_;
};

class DriverWizard : public Dialog {
public:
  // `rows`: the manufacturer text of each phone without a driver.
  explicit DriverWizard(std::vector<std::string> rows);

private:
  std::vector<std::string> rows_;
};

}  // namespace zorvik
