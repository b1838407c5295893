#pragma once
// The messages page "短信管理": the phone's threads (870201) as the HTML list of page 661. Its
// links open a thread in ComposeDialog ("vko:vid=") or delete it (870206, "vko:did="); the
// toolbar reloads, writes a new message and exports conversations ("更多操作") to a UTF-8 text
// file or a CSV table.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/HtmlCtrl.h"
#include "app/Page.h"
#include "devlink/AgentSession.h"
#include "pim/MessageWire.h"
#include "pim/PhoneTable.h"

namespace zorvik {

// The thread list's links reach the page as this message: wParam 0 open, 1 delete; lParam the id.
constexpr UINT kMsgThreadAction = 2026;

class MessagesPage : public Page {
public:
  MessagesPage(const PageInfo& info, PageHost& host);

  // The list load; a second one while one runs is ignored. A failed load keeps what was shown
  // and says why in the status line.
  void load() override;
  void onToolbar(int index) override;
  void onShown() override;

  void compose();                   // "编写短信": a new message; OK reloads
  void openThread(int32_t id);      // "vko:vid=": the thread in ComposeDialog; OK reloads
  void deleteThread(int32_t id);    // "vko:did=": after DeleteConfirmDialog, 870206, then the list again
  void showMoreMenu();              // "更多操作"

  enum class ExportFormat { Text, Csv };
  // Reads the conversations (the current one, or every listed thread) on a worker and writes them
  // to `path`; the status line tells the outcome. False when an export is already running or
  // there is nothing to export.
  bool exportConversations(bool all, ExportFormat format, const std::string& path);

  // What the page shows, for the window's own use and for tests.
  const std::vector<ThreadRecord>& threads() const { return threads_; }
  const std::string& listHtml() const { return listHtml_; }
  // The thread the user looked at last (opened), else the newest; -1 with no threads.
  int currentThread() const { return current_; }
  bool loading() const { return loading_; }
  bool deleting() const { return deleting_; }
  bool exporting() const { return exporting_; }
  bool busy() const { return loading_ || deleting_ || exporting_; }
  // The outcome of the last export: messages written, or -1 when it failed.
  int lastExportCount() const { return lastExportCount_; }

private:
  class ListView : public CHtmlCtrlBase {
  public:
    explicit ListView(MessagesPage& page) : page_(page) {}
    void OnAppCmd(const std::string& command) override;
    void OnDocumentComplete(const std::string& address) override;

  private:
    MessagesPage& page_;
  };
  struct Loaded;
  void fill(Loaded& loaded);
  void showList();
  void ensureView();
  void layout();
  void runThreadDialog(int32_t id, const std::string& number);
  void exportWithDialog(bool all, ExportFormat format);

  ListView view_{*this};
  std::shared_ptr<LazyPhoneTable> phoneTable_ = std::make_shared<LazyPhoneTable>();
  std::vector<ThreadRecord> threads_;
  std::string listHtml_;
  bool listShown_ = true;
  int current_ = -1;           // index into threads_
  int32_t openedId_ = 0;       // the thread opened last, kept across reloads
  bool opened_ = false;
  bool loading_ = false;
  bool deleting_ = false;
  bool exporting_ = false;
  int lastExportCount_ = 0;
};

}  // namespace zorvik
