#pragma once
// "下载设置": the download folder ("DownloadPath"), chosen by hand or with a folder browser that
// shows the free space of its drive. OK creates the folder and stores it; a folder that cannot be
// made keeps the dialog open. Opened by the download tasks page's "相关设置".
#include <string>

#include "ui/Window.h"

namespace zorvik {

class DownloadSettingsDialog : public Dialog {
public:
  DownloadSettingsDialog();

  // IDOK when a folder was stored.
  INT_PTR run(HWND parent) { return runModal(parent); }

  // The folder the edit control holds, and a folder put there as the browser would.
  std::string folder() const;
  void choose(const std::string& folder);
  // OK's work: false (dialog stays open) when the folder could not be made.
  bool accept();
};

}  // namespace zorvik
