#include "download/win/DuplicateTaskDialog.h"

#include "ui/Controls.h"

namespace zorvik {

DuplicateTaskDialog::DuplicateTaskDialog(std::string title, std::string datetime, std::string file, bool fileExists)
    : Dialog(IDD_DUPLICATE_TASK),
      title_(std::move(title)),
      datetime_(std::move(datetime)),
      file_(std::move(file)),
      fileExists_(fileExists) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    Label(hwnd(), IDC_DUP_TITLE).setText(title_);
    Label(hwnd(), IDC_DUP_TIME).setText(datetime_);
    Label(hwnd(), IDC_DUP_PATH).setText(file_);
    Button(hwnd(), IDC_DUP_REINSTALL).show(fileExists_);
    m.result = TRUE;
  });
  map_.onCommand(IDC_DUP_REINSTALL, [this](WinMsg&) { end(kReinstall); });
  map_.onCommand(IDC_DUP_REDOWNLOAD, [this](WinMsg&) { end(kRedownload); });
  map_.onCommand(IDCANCEL, [this](WinMsg&) { end(kCancel); });
}

DuplicateTaskDialog::Choice DuplicateTaskDialog::run(HWND parent) {
  switch (runModal(parent)) {
    case kReinstall: return fileExists_ ? kReinstall : kCancel;
    case kRedownload: return kRedownload;
    default: return kCancel;
  }
}

}  // namespace zorvik
