#pragma once
// "下载设置": the download folder ("DownloadPath"), chosen by hand or with a folder browser that
// shows the free space of its drive. OK creates the folder and stores it; a folder that cannot be
// made (or is no full path) keeps the dialog open and says why under the field. "打开目录" opens
// the stored folder. Opened by the download tasks page's "相关设置".
#include <string>

#include "settings/SettingsWin.h"
#include "ui/Window.h"

namespace zorvik {

class DownloadSettingsDialog : public Dialog {
public:
  // `open` shows a folder to the user (the explorer; tests record it instead).
  explicit DownloadSettingsDialog(FolderOpener open = openInExplorer);

  // IDOK when a folder was stored.
  INT_PTR run(HWND parent) { return runModal(parent); }

  // The folder the edit control holds, and a folder put there as the browser would.
  std::string folder() const;
  void choose(const std::string& folder);
  // OK's work: false (dialog stays open, the reason under the field) when the folder could not be
  // made or stored.
  bool accept();
  // "打开目录": the stored folder, or a note under the field when there is none yet.
  void openFolder();
  // The text under the field ("" when there is nothing to say).
  std::string message() const;

private:
  FolderOpener open_;
};

constexpr const char* kDownloadFolderNotFullText = "【错误】请填写完整的文件夹路径，例如 D:\\下载";
constexpr const char* kDownloadFolderNotMadeText = "【错误】无法创建文件夹：";
constexpr const char* kDownloadFolderNotStoredText = "【错误】无法保存设置，请重试";
constexpr const char* kDownloadFolderMissingText = "【提示】下载目录还不存在，请先选择并按确定";

}  // namespace zorvik
