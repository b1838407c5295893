#include "ui/Notices.h"

#include "ui/Window.h"
#include "app/resource.h"

namespace zorvik {

namespace {

class NoticeDialog : public Dialog {
public:
  NoticeDialog(int templateId, std::string text) : Dialog(templateId), text_(std::move(text)) {
    map_.on(WM_INITDIALOG, [this](WinMsg&) {
      SetDlgItemTextA(hwnd(), IDC_NOTICE_TEXT, text_.c_str());
      SetWindowPos(hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    });
    map_.onCommand(IDOK, [this](WinMsg&) { end(IDOK); });
    map_.onCommand(IDCANCEL, [this](WinMsg&) { end(IDCANCEL); });
    map_.onCommand(IDC_NOTICE_HELP, [this](WinMsg&) { end(IDC_NOTICE_HELP); });
  }

private:
  std::string text_;
};

}  // namespace

bool CheckFirstNotice(HWND parent) {
  NoticeDialog dlg(IDD_CHECK_FIRST, kCheckFirstText);
  if (dlg.runModal(parent) != IDC_NOTICE_HELP) return false;
  if (HWND main = GetAncestor(parent, GA_ROOT)) PostMessageA(main, 0x432, 0, 6);
  return true;
}

bool DeleteConfirmDialog(HWND parent, const std::string& text) {
  NoticeDialog dlg(IDD_DELETE_CONFIRM, text);
  return dlg.runModal(parent) == IDOK;
}

}  // namespace zorvik
