#include "info/win/UpgradePage.h"

#include <commctrl.h>

#include <cstdio>
#include <vector>

#include "settings/SettingsWin.h"
#include "ui/UiThread.h"
#include "common/win/WideText.h"
#include "common/win/XmlDocument.h"
#include "info/win/HttpText.h"
#include "info/win/InfoControls.h"
#include "info/win/InfoIcons.h"

namespace zorvik {

namespace {
constexpr int kIconSize = 24;
constexpr const char* kChecking = "正在检查更新...";
constexpr const char* kCheckFailed = "检查更新失败，请稍后再试";

// The worker has no window: the factory's notice goes to the UI thread.
void noticeFromWorker(HWND) {
  postToUi([] { notifyNoXmlParser(GetActiveWindow()); });
}
}  // namespace

std::string productVersion(const std::string& exePath) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(exePath.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(exePath.c_str(), 0, size, data.data())) return {};
  struct Translation {
    WORD language, codePage;
  };
  Translation* translations = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &length) ||
      length < sizeof(Translation))
    return {};
  char path[64];
  std::snprintf(path, sizeof path, "\\StringFileInfo\\%08lx\\%s",
                static_cast<unsigned long>(MAKELONG(translations[0].codePage, translations[0].language)),
                "ProductVersion");
  char* value = nullptr;
  if (!VerQueryValueA(data.data(), path, reinterpret_cast<void**>(&value), &length) || !value || length == 0) return {};
  return std::string(value, strnlen(value, length));
}

UpdateFetch fetchUpdateDocument(const std::string& url) {
  UpdateFetch fetch;
  ComScope com;
  ComPtr<IXMLDOMDocument> doc = createXmlDocument(nullptr, kXmlDocumentProgIds, kXmlDocumentProgIdCount, noticeFromWorker);
  if (!doc) {
    fetch.error = "no XML parser";
    return fetch;
  }
  const HttpText reply = httpGetText(url);
  if (!reply.ok || reply.status != 200) {
    fetch.error = reply.ok ? "HTTP " + std::to_string(reply.status) : reply.error;
    return fetch;
  }
  std::wstring reason;
  if (!loadXmlText(doc.get(), toWide(reply.utf8, CP_UTF8), &reason)) {
    fetch.error = "parser: " + fromWide(reason);
    return fetch;
  }
  fetch.info = readUpdateDocument(doc.get());
  fetch.ok = true;
  return fetch;
}

UpgradePage::UpgradePage(const PageInfo& info, PageHost& host) : Page(info, host) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    createControls();
    m.result = TRUE;
  });
  map_.onCommand(kUpgradeCheckButton, [this](WinMsg& m) {
    if (m.commandCode() == BN_CLICKED) check();
  });
}

UpgradePage::~UpgradePage() {
  work_.stop();
  if (hwnd()) DestroyWindow(hwnd());
}

void UpgradePage::createControls() {
  font_.reset(createPageFont());
  const ChildMaker make(hwnd(), font_.get());
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  make("STATIC", "当前版本：", 0, 12, 16, 70, 16, -1);
  make("STATIC", productVersion(exe).c_str(), 0, 82, 16, 120, 16, kUpgradeCurrentVersion);
  make("STATIC", "最新版本：", 0, 210, 16, 70, 16, -1);
  make("STATIC", "", 0, 280, 16, 120, 16, kUpgradeLatestVersion);
  make("BUTTON", "检查更新", BS_PUSHBUTTON | WS_TABSTOP, 586, 10, 88, 26, kUpgradeCheckButton);
  make("STATIC", "", 0, 12, 44, 480, 16, kUpgradeStatusLabel);
  // Wide enough for the three columns (30 + 80 + 548) and the border.
  HWND list = make(WC_LISTVIEWA, "", LVS_REPORT | LVS_SINGLESEL | LVS_NOSORTHEADER | WS_BORDER, 8, 66, 666, 316,
                   kUpgradeList);
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES);
  ListView_SetImageList(list, makeIconList(kIconSize, 4, drawUpdateIcon), LVSIL_SMALL);
  const char* const headers[3] = {"", "更新类型", "详细内容"};
  const int widths[3] = {30, 80, 548};
  addListColumns(list, headers, widths, 3);
}

void UpgradePage::check() {
  if (checking_) return;
  checking_ = true;
  EnableWindow(GetDlgItem(hwnd(), kUpgradeCheckButton), FALSE);
  SetDlgItemTextA(hwnd(), kUpgradeStatusLabel, kChecking);
  const std::string url = serviceBase() + "update.xml";
  work_.run([url](ExchangeCancel*) { return fetchUpdateDocument(url); }, [this](UpdateFetch& fetch) { show(fetch); });
}

void UpgradePage::show(UpdateFetch& fetch) {
  checking_ = false;
  HWND page = hwnd();
  EnableWindow(GetDlgItem(page, kUpgradeCheckButton), TRUE);
  SetDlgItemTextA(page, kUpgradeStatusLabel, fetch.ok ? "" : kCheckFailed);
  if (!fetch.ok) return;
  if (!fetch.info.latestVersion.empty()) SetDlgItemTextA(page, kUpgradeLatestVersion, fetch.info.latestVersion.c_str());
  HWND list = GetDlgItem(page, kUpgradeList);
  // The reader gives the rows top first; each goes in at the top, so insert them last first.
  for (auto row = fetch.info.rows.rbegin(); row != fetch.info.rows.rend(); ++row) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = 0;
    item.iImage = row->icon;
    item.pszText = const_cast<char*>("");
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    LVITEMA sub{};
    sub.iSubItem = 1;
    sub.pszText = row->caption.data();
    SendMessageA(list, LVM_SETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&sub));
    sub.iSubItem = 2;
    sub.pszText = row->text.data();
    SendMessageA(list, LVM_SETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&sub));
  }
}

}  // namespace zorvik
