#pragma once
// The two wizard windows: the installer ("【卓维克 2.0】安装向导") and the USB driver wizard
// ("【卓维克】 驱动安装向导") that follows a finished install.
#include <string>
#include <vector>

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
  SetupWizard();
  // Runs the install button's steps with the location field's text; true when it finished.
  bool install();

private:
  void changeLocation();
};

class DriverWizard : public Dialog {
public:
  // `rows`: the manufacturer text of each phone without a driver.
  explicit DriverWizard(std::vector<std::string> rows);

private:
  std::vector<std::string> rows_;
};

}  // namespace zorvik
