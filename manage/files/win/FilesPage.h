#pragma once
// The file page: one folder of the phone at a time (870601 for the root, 870602 for any folder)
// with name, size, type, time and attributes; double click opens a folder, "向上" goes to the
// folder the listing's first record names. Beside browsing, files travel both ways through the
// ADB sync service: "复制到电脑" pulls the selected rows (folders recursively) into a folder the
// user picks, "上传到手机" pushes picked or dropped files into the folder shown.
#include <windows.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "ui/Controls.h"
#include "app/Page.h"
#include "ui/PageWork.h"
#include "devlink/AgentSession.h"
#include "devlink/SyncTransfer.h"
#include "manage/files/FileWire.h"

namespace zorvik {

enum FilesControl {
  IDC_FILES_LIST = 1601,
  IDC_FILES_UP = 1602,
  IDC_FILES_PULL = 1603,
  IDC_FILES_PUSH = 1604,
  IDC_FILES_FOLDER = 1605,
  IDC_FILES_PROGRESS = 1606,
  IDC_FILES_PROGRESS_TEXT = 1607,
  IDC_FILES_CANCEL = 1608,
  IDC_FILES_REPORT = 1609,
};

class FilesPage : public Page {
public:
  FilesPage(const PageInfo& info, PageHost& host);
  ~FilesPage() override;

  // The root listing (first display and "转到根目录"); page-data key 6 is loaded at its end.
  void load() override;
  void onToolbar(int index) override;
  void onDropFiles(HDROP drop) override;

  // The user's actions, callable by tests without the dialogs that precede them.
  void openRow(int row);  // a double click: folders open, files do nothing
  void goUp();            // "向上"
  void pullSelectedTo(const std::string& localFolderUtf8);
  void pushFiles(const std::vector<std::string>& localFilesUtf8);
  void cancelTransfer();

  // What the page shows, for tests.
  ListView list() const { return ListView(item(IDC_FILES_LIST)); }
  const std::vector<FileRecord>& rows() const { return rows_; }
  const std::string& upPath() const { return upPath_; }
  int32_t upType() const { return upType_; }
  const std::string& currentFolderUtf8() const { return currentFolder_; }
  bool loading() const { return loading_; }
  bool transferring() const { return transferring_; }
  bool busy() const { return loading_ || transferring_; }
  std::string progressText() const { return Control(item(IDC_FILES_PROGRESS_TEXT)).text(); }
  std::string reportText() const { return Control(item(IDC_FILES_REPORT)).text(); }

private:
  struct Listed;
  struct Transfer;
  // One listing: the request, whether it is the root's (key 6), and the folder it names.
  void list(Bytes request, bool root, const std::string& folderUtf8);
  void fill(Listed& listed);
  void layout();
  void chooseFolderAndPull();
  void chooseFilesAndPush();
  void startTransfer(bool pull, std::vector<RemoteItem> items, std::vector<std::string> files,
                     const std::string& target);
  void showProgress(const TransferProgress& p);
  void finishTransfer(Transfer& t);
  void updateButtons();

  std::vector<FileRecord> rows_;
  std::string upPath_, upPathUtf8_;
  int32_t upType_ = 0;
  bool hasUp_ = false;
  std::string currentFolder_;  // UTF-8; where pushes go
  bool loading_ = false;
  bool transferring_ = false;
  bool pulling_ = false;
  std::chrono::steady_clock::time_point transferStart_;
  HFONT font_ = nullptr;
  // Listings and transfers; stopped first when the page goes.
  PageWork work_;
  // "取消" ends the transfer alone; progress reports hold the alive token weakly.
  std::shared_ptr<ExchangeCancel> transferCancel_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace zorvik
