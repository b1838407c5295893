#pragma once
// Page 3, "Zorvik设置": start with Windows, what closing the panel means ("exit_mode"), and the
// repair of the shortcut and registrations. No loader and no toolbar; everything runs on the UI
// thread and re-reads the registry after each change.
#include "app/Page.h"

namespace zorvik {

class SettingsPage : public Page {
public:
  SettingsPage(const PageInfo& info, PageHost& host);

  // Sets the controls from the registry.
  void refresh();
  // Repair, as the button runs it; the result text goes into control 1109.
  void runRepairNow();
};

}  // namespace zorvik
