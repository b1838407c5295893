#pragma once
// "重复的任务": a requested package already has a task. Shows its title, time and file, and
// offers "重新安装" (only when the file exists), "重新下载" and "取消".
#include <string>

#include "ui/Window.h"
#include "download/win/DownloadResource.h"

namespace zorvik {

class DuplicateTaskDialog : public Dialog {
 public:
  enum Choice { kCancel = 0, kReinstall = IDC_DUP_REINSTALL, kRedownload = IDC_DUP_REDOWNLOAD };
  DuplicateTaskDialog(std::string title, std::string datetime, std::string file, bool fileExists);
  Choice run(HWND parent);

 private:
  std::string title_, datetime_, file_;
  bool fileExists_;
};

}  // namespace zorvik
