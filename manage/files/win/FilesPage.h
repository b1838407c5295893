#pragma once
// The file page: one folder of the phone at a time (870601 for the root, 870602 for any folder)
// with name, size, type, time and attributes; double click opens a folder, "向上" goes to the
// folder the listing's first record names. Beside browsing, files travel both ways through the
// ADB sync service: "复制到电脑" pulls the selected rows (folders recursively) into a folder the
// user picks, "上传到手机" pushes picked or dropped files into the folder shown. Before a file of
// the same name is replaced the transfer panel asks "替换 / 跳过 / 全部替换 / 全部跳过" while the
// transfer's worker waits for the answer (or for "取消", or the page closing).
#include <windows.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "ui/Controls.h"
#include "app/Page.h"
#include "devlink/AgentSession.h"
#include "devlink/FetchList.h"
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
  IDC_FILES_PROMPT_TEXT = 1610,
  IDC_FILES_REPLACE = 1611,
  IDC_FILES_SKIP = 1612,
  IDC_FILES_REPLACE_ALL = 1613,
  IDC_FILES_SKIP_ALL = 1614,
};

class FilesPage : public Page {
public:
  FilesPage(const PageInfo& info, PageHost& host);
  // A transfer in progress is cancelled before the work stops.
  void close() override;

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
  // The answer to the question shown (the buttons call it).
  void answerPrompt(OverwriteChoice choice);

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
  bool prompting() const { return prompt_ != nullptr; }
  std::string promptText() const { return Control(item(IDC_FILES_PROMPT_TEXT)).text(); }

private:
  struct Transfer;
  struct PromptSlot;
  // One listing: the request, whether it is the root's (key 6), and the folder it names.
  void list(Bytes request, bool root, const std::string& folderUtf8);
  void fill(bool root, const std::string& folderUtf8, Fetched<FileListing>& listed);
  void layout();
  void chooseFolderAndPull();
  void chooseFilesAndPush();
  void startTransfer(bool pull, std::vector<RemoteItem> items, std::vector<std::string> files,
                     const std::string& target);
  void showProgress(const TransferProgress& p);
  void finishTransfer(Transfer& t);
  void updateButtons();
  void showPrompt(const std::shared_ptr<PromptSlot>& slot, const std::string& nameUtf8, bool toPhone);
  void hidePrompt();

  std::vector<FileRecord> rows_;
  std::string upPath_, upPathUtf8_;
  int32_t upType_ = 0;
  bool hasUp_ = false;
  std::string currentFolder_;  // UTF-8; where pushes go
  bool loading_ = false;
  bool transferring_ = false;
  bool pulling_ = false;
  std::chrono::steady_clock::time_point transferStart_;
  // "取消" ends the transfer alone.
  std::shared_ptr<ExchangeCancel> transferCancel_;
  // A push's summary, put back in the status line once the folder is listed again.
  std::string statusAfterListing_;
  // The question the worker waits on; null when none is shown.
  std::shared_ptr<PromptSlot> prompt_;
};

}  // namespace zorvik
