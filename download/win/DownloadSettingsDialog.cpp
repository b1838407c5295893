#include "download/win/DownloadSettingsDialog.h"

#include <shlobj.h>

#include <cstdio>
#include <utility>

#include "ui/Controls.h"
#include "common/win/Handles.h"
#include "settings/win/SettingsResource.h"
#include "settings/SettingsWin.h"

namespace zorvik {

namespace {
// The folder browser: file-system folders only, new dialog style. Empty when cancelled.
std::string browseForFolder(HWND owner) {
  ComScope com;
  char display[MAX_PATH] = {};
  BROWSEINFOA info{};
  info.hwndOwner = owner;
  info.pszDisplayName = display;
  info.lpszTitle = "下载保存目录";
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info);
  if (!chosen) return {};
  char path[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDListA(chosen, path) != FALSE;
  CoTaskMemFree(chosen);
  return ok ? path : "";
}
}  // namespace

DownloadSettingsDialog::DownloadSettingsDialog(FolderOpener open)
    : Dialog(IDD_DOWNLOAD_SETTINGS), open_(std::move(open)) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    Edit(hwnd(), IDC_DOWNLOAD_FOLDER).setLimit(MAX_PATH - 1);
    choose(readDownloadFolder());
    m.result = TRUE;
  });
  map_.onCommand(IDC_DOWNLOAD_BROWSE, [this](WinMsg&) {
    const std::string chosen = browseForFolder(hwnd());
    if (!chosen.empty()) choose(chosen);
  });
  map_.onCommand(IDOK, [this](WinMsg&) {
    if (accept())
      end(IDOK);
    else
      SetFocus(item(IDC_DOWNLOAD_FOLDER));
  });
  map_.onCommand(IDC_DOWNLOAD_OPEN, [this](WinMsg&) { openFolder(); });
  map_.onCommand(IDCANCEL, [this](WinMsg&) { end(IDCANCEL); });
}

std::string DownloadSettingsDialog::folder() const { return windowText(item(IDC_DOWNLOAD_FOLDER)); }

void DownloadSettingsDialog::choose(const std::string& folder) {
  Edit(hwnd(), IDC_DOWNLOAD_FOLDER).setText(folder);
  char text[32];
  std::snprintf(text, sizeof text, "%d MB", freeMegabytes(folderFreeBytes(folder)));
  Label(hwnd(), IDC_DOWNLOAD_FREE).setText(text);
  Label(hwnd(), IDC_DOWNLOAD_MESSAGE).setText("");
}

std::string DownloadSettingsDialog::message() const { return windowText(item(IDC_DOWNLOAD_MESSAGE)); }

bool DownloadSettingsDialog::accept() {
  const std::string chosen = folder();
  Label note(hwnd(), IDC_DOWNLOAD_MESSAGE);
  if (!isFullFolderPath(chosen)) {
    note.setText(kDownloadFolderNotFullText);
    return false;
  }
  if (!createFolder(chosen)) {
    note.setText(kDownloadFolderNotMadeText + chosen);
    return false;
  }
  if (!writeSetting(kDownloadPathValue, chosen)) {
    note.setText(kDownloadFolderNotStoredText);
    return false;
  }
  note.setText("");
  return true;
}

void DownloadSettingsDialog::openFolder() {
  Label(hwnd(), IDC_DOWNLOAD_MESSAGE).setText(openDownloadFolder(open_) ? "" : kDownloadFolderMissingText);
}

}  // namespace zorvik
