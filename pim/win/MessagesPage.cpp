#include "pim/win/MessagesPage.h"

#include <commdlg.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "common/LocalFile.h"
#include "common/win/Handles.h"
#include "common/win/WideText.h"
#include "pim/win/ComposeDialog.h"
#include "pim/LocateNumber.h"
#include "pim/MessageExport.h"
#include "pim/win/MessagesResource.h"
#include "devlink/FetchList.h"
#include "ui/Notices.h"

namespace zorvik {

namespace {
constexpr const char* kReading = "正在读取...";

// The save dialog gives an ANSI path; the file is written whole or not at all.
bool writeFileBytes(const std::string& path, const std::string& bytes) {
  return writeFileAtomically(fromWide(toWide(path), CP_UTF8), bytes);
}
}  // namespace

struct MessagesPage::Loaded {
  AgentResult result = AgentResult::Ok;
  std::vector<ThreadRecord> threads;
  std::string html;
};

void MessagesPage::ListView::OnAppCmd(const std::string& command) {
  const ThreadLink link = parseThreadLink(command);
  if (link.action == ThreadAction::None) return;
  // Posted: the dialog or the delete runs after the browser's navigation event has returned.
  PostMessageA(page_.hwnd(), kMsgThreadAction, link.action == ThreadAction::Open ? 0 : 1,
               static_cast<LPARAM>(link.threadId));
}

void MessagesPage::ListView::OnDocumentComplete(const std::string& address) {
  CHtmlCtrlBase::OnDocumentComplete(address);
  page_.showList();
}

MessagesPage::MessagesPage(const PageInfo& info, PageHost& host) : Page(info, host, IDD_HTML_PAGE) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) { m.result = TRUE; });
  map_.on(WM_SIZE, [this](WinMsg&) { layout(); });
  map_.on(kMsgThreadAction, [this](WinMsg& m) {
    const int32_t id = static_cast<int32_t>(m.lp);
    if (m.wp == 0) openThread(id);
    else if (m.wp == 1) deleteThread(id);
  });
  map_.onCommand(IDM_SMS_EXPORT_ONE_TEXT, [this](WinMsg&) { exportWithDialog(false, ExportFormat::Text); });
  map_.onCommand(IDM_SMS_EXPORT_ONE_CSV, [this](WinMsg&) { exportWithDialog(false, ExportFormat::Csv); });
  map_.onCommand(IDM_SMS_EXPORT_ALL_TEXT, [this](WinMsg&) { exportWithDialog(true, ExportFormat::Text); });
  map_.onCommand(IDM_SMS_EXPORT_ALL_CSV, [this](WinMsg&) { exportWithDialog(true, ExportFormat::Csv); });
}

// Made when the page is first shown or loaded, not while the main window is being created.
void MessagesPage::ensureView() {
  if (view_.hwnd()) return;
  if (view_.CreateFromStatic(IDC_HTML_PLACEHOLDER, hwnd(), this)) view_.LoadFromResource(IDR_HTML_SMS_LIST);
  layout();
}

void MessagesPage::layout() {
  if (!view_.hwnd()) return;
  RECT client = clientRectOf(hwnd());
  MoveWindow(view_.hwnd(), 0, 0, client.right, client.bottom, TRUE);
}

void MessagesPage::onShown() { ensureView(); }

void MessagesPage::onToolbar(int index) {
  switch (index) {
    case toolbar::kRefreshMessages: reload(); break;
    case toolbar::kWriteMessage: compose(); break;
    case toolbar::kMoreActions: showMoreMenu(); break;
    default: break;
  }
}

void MessagesPage::load() {
  if (loading_) return;
  loading_ = true;
  ensureView();
  host().setStatusText(kReading);
  work_.run(
      [table = phoneTable_](ExchangeCancel* cancel) {
        Loaded loaded;
        auto threads = fetchRecords(bareRequest(AgentCommand::ListConversations), parseThreadList, cancel);
        loaded.result = threads.result;
        if (threads.result == AgentResult::Ok) {
          loaded.threads = std::move(threads.list);
          const std::shared_ptr<const PhoneTable> phone = table->get();
          std::vector<std::string> locations;
          locations.reserve(loaded.threads.size());
          for (const ThreadRecord& t : loaded.threads) locations.emplace_back(LocateNumber(*phone, t.number));
          loaded.html = buildThreadListHtml(loaded.threads, locations);
        }
        return loaded;
      },
      [this](Loaded& loaded) { fill(loaded); });
}

void MessagesPage::fill(Loaded& loaded) {
  loading_ = false;
  // A failed load keeps the list shown before.
  finishLoad(loaded.result, [&] {
    threads_ = std::move(loaded.threads);
    listHtml_ = std::move(loaded.html);
    current_ = threads_.empty() ? -1 : 0;
    for (size_t i = 0; opened_ && i < threads_.size(); ++i)
      if (threads_[i].threadId == openedId_) current_ = static_cast<int>(i);
    listShown_ = false;
    showList();
  });
}

// Writes the list once both it and its page are there, scrolled to the top.
void MessagesPage::showList() {
  if (listShown_ || loading_) return;
  const DWORD cookie = view_.documentCookie();
  if (!cookie) return;
  if (setElementHtml(cookie, "sms_ul", listHtml_)) {
    scrollDocument(cookie, 0, 0);
    listShown_ = true;
  }
}

void MessagesPage::compose() { runThreadDialog(-1, {}); }

void MessagesPage::openThread(int32_t id) {
  std::string number;
  for (size_t i = 0; i < threads_.size(); ++i) {
    if (threads_[i].threadId != id) continue;
    number = threads_[i].number;
    current_ = static_cast<int>(i);
  }
  openedId_ = id;
  opened_ = true;
  runThreadDialog(id, number);
}

void MessagesPage::runThreadDialog(int32_t id, const std::string& number) {
  ComposeDialog dialog(host(), id, number);
  if (dialog.run(hwnd()) == IDOK) reload();
}

void MessagesPage::deleteThread(int32_t id) {
  if (deleting_) return;
  // As every delete of the program: a whole conversation goes only after "删除".
  if (!DeleteConfirmDialog(hwnd(), deleteThreadsQuestion(1))) return;
  if (deleting_) return;
  deleting_ = true;
  work_.run([request = deleteThreadRequest(id)](ExchangeCancel* cancel) {
              return exchangeForStatus(request, nullptr, cancel);
            },
            [this](AgentResult result) {
              deleting_ = false;
              if (const char* failure = agentFailureText(result)) host().setStatusText(failure);
              reload();  // whatever the delete did, the list shows what the phone holds
            });
}

void MessagesPage::showMoreMenu() {
  UniqueMenu menu(CreatePopupMenu());
  const UINT one = current_ >= 0 ? MF_STRING : MF_STRING | MF_GRAYED;
  const UINT all = threads_.empty() ? MF_STRING | MF_GRAYED : MF_STRING;
  std::string name = current_ >= 0 ? threads_[static_cast<size_t>(current_)].name : std::string();
  if (name.empty() && current_ >= 0) name = threads_[static_cast<size_t>(current_)].number;
  if (name.size() > 40) name = name.substr(0, 40) + "...";  // a menu line, not the whole name
  for (char& c : name)
    if (c == '&') c = '+';  // no accelerator marks from phone data
  const std::string who = name.empty() ? std::string() : "（" + name + "）";
  AppendMenuA(menu.get(), one, IDM_SMS_EXPORT_ONE_TEXT, ("导出当前会话" + who + "为文本文件...").c_str());
  AppendMenuA(menu.get(), one, IDM_SMS_EXPORT_ONE_CSV, ("导出当前会话" + who + "为CSV表格...").c_str());
  AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu.get(), all, IDM_SMS_EXPORT_ALL_TEXT, "导出全部会话为文本文件...");
  AppendMenuA(menu.get(), all, IDM_SMS_EXPORT_ALL_CSV, "导出全部会话为CSV表格...");
  POINT pt{};
  GetCursorPos(&pt);
  const UINT cmd = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd(), nullptr);
  if (cmd) PostMessageA(hwnd(), WM_COMMAND, cmd, 0);
}

void MessagesPage::exportWithDialog(bool all, ExportFormat format) {
  if (exporting_) return;
  const bool csv = format == ExportFormat::Csv;
  char file[MAX_PATH] = {};
  std::snprintf(file, sizeof file, "%s", csv ? "短信.csv" : "短信.txt");
  static const char kTextFilter[] = "文本文件 (*.txt)\0*.txt\0所有文件 (*.*)\0*.*\0";
  static const char kCsvFilter[] = "CSV表格 (*.csv)\0*.csv\0所有文件 (*.*)\0*.*\0";
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = hwnd();
  ofn.lpstrFilter = csv ? kCsvFilter : kTextFilter;
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrTitle = "导出短信";
  ofn.lpstrDefExt = csv ? "csv" : "txt";
  ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
  if (!GetSaveFileNameA(&ofn)) return;
  exportConversations(all, format, file);
}

bool MessagesPage::exportConversations(bool all, ExportFormat format, const std::string& path) {
  if (exporting_) return false;
  std::vector<ThreadRecord> chosen;
  if (all) chosen = threads_;
  else if (current_ >= 0) chosen.push_back(threads_[static_cast<size_t>(current_)]);
  if (chosen.empty()) return false;
  exporting_ = true;
  host().setStatusText(kReading);
  struct Exported {
    AgentResult result = AgentResult::Ok;
    bool written = false;
    int threads = 0, messages = 0;
  };
  work_.run(
      [chosen = std::move(chosen), format, path](ExchangeCancel* cancel) {
        Exported out;
        std::vector<ConversationExport> conversations;
        conversations.reserve(chosen.size());
        for (const ThreadRecord& t : chosen) {
          // A cut conversation is not written as if whole; a refused one has no messages.
          auto talk = fetchRecords(conversationRequest(t.threadId), parseConversation, cancel);
          out.result = talk.result == AgentResult::NoReply ? AgentResult::Ok : talk.result;
          if (out.result != AgentResult::Ok) break;
          out.messages += static_cast<int>(talk.list.size());
          conversations.push_back({t, std::move(talk.list)});
        }
        if (out.result == AgentResult::Ok) {
          const std::string bytes =
              format == ExportFormat::Csv ? conversationsCsv(conversations) : conversationsText(conversations);
          out.written = writeFileBytes(path, bytes);
        }
        out.threads = static_cast<int>(conversations.size());
        return out;
      },
      [this, path](Exported& out) {
        const AgentResult result = out.result;
        const bool written = out.written;
        const int threads = out.threads, messages = out.messages;
        exporting_ = false;
        char text[600];
        if (result != AgentResult::Ok) {
          lastExportCount_ = -1;
          const char* failure = agentFailureText(result);
          host().setStatusText(failure ? failure : "");
          return;
        }
        if (!written) {
          lastExportCount_ = -1;
          std::snprintf(text, sizeof text, "【错误】无法写入文件 %s", path.c_str());
        } else {
          lastExportCount_ = messages;
          std::snprintf(text, sizeof text, "【提示】已导出 %d 个会话、%d 条短信到 %s", threads, messages, path.c_str());
        }
        host().setStatusText(text);
      });
  return true;
}

}  // namespace zorvik
