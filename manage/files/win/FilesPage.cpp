#include "manage/files/win/FilesPage.h"

#include <cderr.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include "app/PageTable.h"
#include "common/ByteSize.h"
#include "common/TimeFormat.h"
#include "common/win/WideText.h"
#include "devlink/CurrentDevice.h"

namespace zorvik {

namespace {
constexpr const char* kReading = "正在读取...";
constexpr int kBarHeight = 30;
constexpr int kTransferHeight = 92;
constexpr int kFailuresShown = 200;
// Room for the names of thousands of picked files (the dialog fails, and says so, beyond it).
constexpr size_t kOpenBufferChars = 1 << 20;

struct PromptButton {
  int id;
  const char* text;
  OverwriteChoice choice;
};
const PromptButton kPromptButtons[] = {{IDC_FILES_REPLACE, "替换", OverwriteChoice::Replace},
                                       {IDC_FILES_SKIP, "跳过", OverwriteChoice::Skip},
                                       {IDC_FILES_REPLACE_ALL, "全部替换", OverwriteChoice::ReplaceAll},
                                       {IDC_FILES_SKIP_ALL, "全部跳过", OverwriteChoice::SkipAll}};

enum Column { kNameColumn, kSizeColumn, kTypeColumn, kTimeColumn, kAttributeColumn, kColumnCount };
const ListColumn kColumns[kColumnCount] = {
    {"文件名", 254, LVCFMT_CENTER}, {"大小", 100, LVCFMT_CENTER}, {"文件类型", 100, LVCFMT_CENTER},
    {"上次修改时间", 160, LVCFMT_CENTER}, {"属性", 110, LVCFMT_LEFT}};

std::wstring fromUtf8(const std::string& s) { return toWide(s, CP_UTF8); }
std::string toUtf8Text(const std::wstring& s) { return fromWide(s, CP_UTF8); }

// The shell's small icon for a folder or for a file's extension, looked up once per extension.
int shellIcon(const FileRecord& r) {
  static std::map<std::string, int> cache;
  std::string key = "folder";
  DWORD attributes = FILE_ATTRIBUTE_DIRECTORY;
  if (!r.isFolder()) {
    const std::string name = r.path.substr(r.path.find_last_of("/\\") == std::string::npos ? 0 : r.path.find_last_of("/\\") + 1);
    const size_t dot = name.rfind('.');
    key = dot == std::string::npos ? "file" : "file" + name.substr(dot);
    attributes = FILE_ATTRIBUTE_NORMAL;
  }
  if (auto it = cache.find(key); it != cache.end()) return it->second;
  SHFILEINFOA info{};
  SHGetFileInfoA(key.c_str(), attributes, &info, sizeof info, SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  cache[key] = info.iIcon;
  return info.iIcon;
}

std::string sizeText(const FileRecord& r) {
  // The whole 64-bit size: its low 32 bits alone would show a 5 GiB film as 1 GiB.
  return byteSizeText(r.size < 0 ? 0 : static_cast<uint64_t>(r.size));
}

std::string parentFolder(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return path.substr(0, slash);
}
}  // namespace

struct FilesPage::Transfer {
  TransferReport report;
};

// Shared by the worker that waits and the page that answers.
struct FilesPage::PromptSlot {
  std::mutex mutex;
  std::condition_variable answered;
  std::optional<OverwriteChoice> answer;
  bool done = false;

  void give(std::optional<OverwriteChoice> choice) {
    {
      std::lock_guard lock(mutex);
      if (done) return;
      answer = choice;
      done = true;
    }
    answered.notify_all();
  }
  // The answer, or none once the transfer is cancelled (the page closing cancels it).
  std::optional<OverwriteChoice> wait(const ExchangeCancel& cancel) {
    std::unique_lock lock(mutex);
    while (!done && !cancel.cancelled()) answered.wait_for(lock, std::chrono::milliseconds(50));
    return done ? answer : std::nullopt;
  }
};

FilesPage::FilesPage(const PageInfo& info, PageHost& host) : Page(info, host) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    auto make = [this](const char* cls, const char* text, DWORD style, int id, DWORD ex = 0) {
      return createChild(hwnd(), {.className = cls, .text = text, .style = style, .width = 10, .height = 10, .id = id,
                                  .exStyle = ex});
    };
    make("BUTTON", "向上", BS_PUSHBUTTON | WS_TABSTOP, IDC_FILES_UP);
    make("BUTTON", "复制到电脑", BS_PUSHBUTTON | WS_TABSTOP, IDC_FILES_PULL);
    make("BUTTON", "上传到手机", BS_PUSHBUTTON | WS_TABSTOP, IDC_FILES_PUSH);
    make("STATIC", "", SS_LEFT | SS_PATHELLIPSIS | SS_NOPREFIX, IDC_FILES_FOLDER);
    HWND listWindow = make(WC_LISTVIEWA, "", WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                           IDC_FILES_LIST, WS_EX_CLIENTEDGE);
    make(PROGRESS_CLASSA, "", 0, IDC_FILES_PROGRESS);
    make("STATIC", "", SS_LEFT | SS_NOPREFIX, IDC_FILES_PROGRESS_TEXT);
    make("BUTTON", "取消", BS_PUSHBUTTON | WS_TABSTOP, IDC_FILES_CANCEL);
    make("EDIT", "", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL, IDC_FILES_REPORT, WS_EX_CLIENTEDGE);
    make("STATIC", "", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, IDC_FILES_PROMPT_TEXT);
    for (const PromptButton& b : kPromptButtons) make("BUTTON", b.text, BS_PUSHBUTTON | WS_TABSTOP, b.id);
    ListView lv(listWindow);
    lv.setExtendedStyle(LVS_EX_FULLROWSELECT);
    for (int c = 0; c < kColumnCount; ++c) lv.addColumn(c, kColumns[c]);
    SHFILEINFOA info{};
    const auto images = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                       SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (images) SendMessageA(listWindow, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
    ProgressBar(hwnd(), IDC_FILES_PROGRESS).setRange(0, 1000);
    // The transfer panel appears with the first transfer.
    for (int id : {IDC_FILES_PROGRESS, IDC_FILES_PROGRESS_TEXT, IDC_FILES_CANCEL, IDC_FILES_REPORT,
                   IDC_FILES_PROMPT_TEXT, IDC_FILES_REPLACE, IDC_FILES_SKIP, IDC_FILES_REPLACE_ALL, IDC_FILES_SKIP_ALL})
      Control(item(id)).show(false);
    updateButtons();
    layout();
    m.result = TRUE;
  });
  map_.on(WM_SIZE, [this](WinMsg&) { layout(); });
  map_.onNotify(IDC_FILES_LIST, NM_DBLCLK, [this](WinMsg& m) {
    openRow(reinterpret_cast<const NMITEMACTIVATE*>(m.lp)->iItem);
  });
  // A right click on the list does nothing: the default procedure has nothing to show either.
  map_.onCommand(IDC_FILES_UP, [this](WinMsg&) { goUp(); });
  map_.onCommand(IDC_FILES_PULL, [this](WinMsg&) { chooseFolderAndPull(); });
  map_.onCommand(IDC_FILES_PUSH, [this](WinMsg&) { chooseFilesAndPush(); });
  map_.onCommand(IDC_FILES_CANCEL, [this](WinMsg&) { cancelTransfer(); });
  for (const PromptButton& b : kPromptButtons)
    map_.onCommand(b.id, [this, choice = b.choice](WinMsg&) { answerPrompt(choice); });
  busyCursorOver([this] { return item(IDC_FILES_LIST); }, [this] { return busy(); });
}

void FilesPage::close() {
  // The worker waiting on a question sees the cancel within 50 ms.
  if (transferCancel_) transferCancel_->cancel();
  hidePrompt();
  Page::close();
}

void FilesPage::layout() {
  RECT client{};
  GetClientRect(hwnd(), &client);
  MoveWindow(item(IDC_FILES_UP), 4, 3, 70, 24, TRUE);
  MoveWindow(item(IDC_FILES_PULL), 80, 3, 96, 24, TRUE);
  MoveWindow(item(IDC_FILES_PUSH), 182, 3, 96, 24, TRUE);
  MoveWindow(item(IDC_FILES_FOLDER), 290, 8, client.right - 294, 20, TRUE);
  const bool panel = IsWindowVisible(item(IDC_FILES_PROGRESS_TEXT)) != FALSE;
  const int listBottom = client.bottom - (panel ? kTransferHeight : 0);
  MoveWindow(item(IDC_FILES_LIST), 0, kBarHeight, client.right, listBottom - kBarHeight, TRUE);
  MoveWindow(item(IDC_FILES_PROGRESS), 4, listBottom + 4, client.right - 90, 16, TRUE);
  MoveWindow(item(IDC_FILES_CANCEL), client.right - 80, listBottom + 2, 76, 22, TRUE);
  MoveWindow(item(IDC_FILES_PROGRESS_TEXT), 4, listBottom + 24, client.right - 8, 18, TRUE);
  MoveWindow(item(IDC_FILES_REPORT), 4, listBottom + 44, client.right - 8, kTransferHeight - 46, TRUE);
  // The question takes the report's place while the transfer waits on it.
  constexpr int kButton = 78;
  const int buttons = static_cast<int>(std::size(kPromptButtons));
  MoveWindow(item(IDC_FILES_PROMPT_TEXT), 4, listBottom + 48, client.right - 12 - buttons * (kButton + 4), 20, TRUE);
  for (int i = 0; i < buttons; ++i)
    MoveWindow(item(kPromptButtons[i].id), client.right - (buttons - i) * (kButton + 4), listBottom + 46, kButton, 24,
               TRUE);
}

void FilesPage::updateButtons() {
  Control(item(IDC_FILES_PULL)).enable(!transferring_);
  Control(item(IDC_FILES_PUSH)).enable(!transferring_);
  Control(item(IDC_FILES_CANCEL)).enable(transferring_);
}

void FilesPage::onToolbar(int index) {
  if (index == toolbar::kGoToRoot) reload();
}

void FilesPage::load() { list(bareRequest(AgentCommand::ListRoot), true, "/"); }

void FilesPage::openRow(int row) {
  if (row < 0 || static_cast<size_t>(row) >= rows_.size() || !rows_[static_cast<size_t>(row)].isFolder()) return;
  const std::string folder = rows_[static_cast<size_t>(row)].pathUtf8;
  list(listFolderRequestUtf8(folder), false, folder);
}

void FilesPage::goUp() {
  // Before any listing there is no folder to go up to; the request would name an empty path.
  if (!hasUp_) return;
  const std::string folder = upPathUtf8_;
  list(listFolderRequestUtf8(folder), false, folder);
}

void FilesPage::list(Bytes request, bool root, const std::string& folderUtf8) {
  if (loading_) {
    if (root) markLoaded();  // the key must not stay "loading" for a request that was dropped
    return;
  }
  loading_ = true;
  host().setStatusText(kReading);
  work_.run([request = std::move(request)](ExchangeCancel* cancel) { return fetchList(request, parseFileListing, cancel); },
            [this, root, folderUtf8](Fetched<FileListing>& listed) { fill(root, folderUtf8, listed); });
}

// The folder shown stays until a listing comes whole; the root's key is set only then.
void FilesPage::fill(bool root, const std::string& folderUtf8, Fetched<FileListing>& listed) {
  loading_ = false;
  const bool shown = finishLoad(listed.result, [&] {
    FileListing& l = listed.list;
    hasUp_ = l.hasUp || hasUp_;
    if (l.hasUp) {
      upPath_ = l.upPath;
      upPathUtf8_ = l.upPathUtf8;
      upType_ = l.upType;
    }
    rows_ = std::move(l.records);
    currentFolder_ = rows_.empty() ? folderUtf8 : parentFolder(rows_.front().pathUtf8);
    SetWindowTextW(item(IDC_FILES_FOLDER), fromUtf8(currentFolder_).c_str());
    HWND lv = item(IDC_FILES_LIST);
    RedrawSuspended quiet(lv);
    ListView list(lv);
    list.clear();
    for (size_t i = 0; i < rows_.size(); ++i) {
      const FileRecord& r = rows_[i];
      // The name through the wide call: a name GBK cannot hold still shows as the phone has it.
      const int row = list.insertRowWide(static_cast<int>(i), fromUtf8(fileDisplayName(r.pathUtf8)), shellIcon(r));
      list.setCell(row, kSizeColumn, sizeText(r));
      list.setCell(row, kTypeColumn, fileTypeText(r));
      list.setCell(row, kTimeColumn, formatPhoneTime(r.modified, "未知"));
      list.setCell(row, kAttributeColumn, fileAttributeText(r));
    }
  }, root);
  // A listing that failed keeps its own text.
  if (shown && !statusAfterListing_.empty()) host().setStatusText(statusAfterListing_);
  statusAfterListing_.clear();
}

// ---------------------------------------------------------------- transfers

void FilesPage::chooseFolderAndPull() {
  if (transferring_) return;
  if (ListView(item(IDC_FILES_LIST)).selected() < 0) {
    MessageBoxA(hwnd(), "请先选择要复制的文件或文件夹", "提示", MB_OK | MB_ICONINFORMATION);
    return;
  }
  BROWSEINFOW info{};
  info.hwndOwner = hwnd();
  const std::wstring title = toWide("选择保存到电脑上的文件夹");
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  LPITEMIDLIST chosen = SHBrowseForFolderW(&info);
  if (!chosen) return;
  wchar_t path[MAX_PATH * 4] = {};
  const bool ok = SHGetPathFromIDListW(chosen, path) != FALSE;
  CoTaskMemFree(chosen);
  if (ok) pullSelectedTo(toUtf8Text(path));
}

void FilesPage::pullSelectedTo(const std::string& localFolderUtf8) {
  std::vector<RemoteItem> items;
  for (int row : ListView(item(IDC_FILES_LIST)).selectedRows())
    if (static_cast<size_t>(row) < rows_.size())
      items.push_back({rows_[static_cast<size_t>(row)].pathUtf8, rows_[static_cast<size_t>(row)].isFolder()});
  if (items.empty()) return;
  startTransfer(true, std::move(items), {}, localFolderUtf8);
}

void FilesPage::chooseFilesAndPush() {
  if (transferring_) return;
  std::vector<wchar_t> buffer(kOpenBufferChars, L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = hwnd();
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  const std::wstring title = toWide("选择上传到手机的文件");
  ofn.lpstrTitle = title.c_str();
  ofn.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameW(&ofn)) {
    // Zero: the user closed the dialog. Anything else must not pass unsaid.
    const DWORD error = CommDlgExtendedError();
    if (error == FNERR_BUFFERTOOSMALL) {
      host().setStatusText("【提示】一次选择的文件太多，请分几次上传");
      MessageBoxA(hwnd(), "一次选择的文件太多，文件名超出了可以接收的长度。请分几次选择上传。", "提示",
                  MB_OK | MB_ICONINFORMATION);
    } else if (error != 0) {
      char text[96];
      wsprintfA(text, "【错误】无法打开选择文件的对话框（错误 0x%lX）", static_cast<unsigned long>(error));
      host().setStatusText(text);
    }
    return;
  }
  // One file: its full path. Several: the folder, then each name, every one ended by a zero.
  std::vector<std::wstring> parts;
  for (const wchar_t* p = buffer.data(); *p; p += wcslen(p) + 1) parts.emplace_back(p);
  std::vector<std::string> files;
  if (parts.size() == 1) files.push_back(toUtf8Text(parts[0]));
  for (size_t i = 1; i < parts.size(); ++i) files.push_back(toUtf8Text(parts[0] + L"\\" + parts[i]));
  pushFiles(files);
}

void FilesPage::onDropFiles(HDROP drop) {
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  std::vector<std::string> files;
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    DragQueryFileW(drop, i, path.data(), length + 1);
    path.resize(length);
    files.push_back(toUtf8Text(path));
  }
  pushFiles(files);
}

void FilesPage::pushFiles(const std::vector<std::string>& localFilesUtf8) {
  if (localFilesUtf8.empty()) return;
  if (currentFolder_.empty()) {
    host().setStatusText("【提示】请先打开手机上的文件夹");
    return;
  }
  startTransfer(false, {}, localFilesUtf8, currentFolder_);
}

void FilesPage::cancelTransfer() {
  if (transferCancel_) transferCancel_->cancel();
  hidePrompt();
}

void FilesPage::showPrompt(const std::shared_ptr<PromptSlot>& slot, const std::string& nameUtf8, bool toPhone) {
  if (!transferring_ || (transferCancel_ && transferCancel_->cancelled())) {
    slot->give(std::nullopt);
    return;
  }
  prompt_ = slot;
  const std::wstring text = toWide(toPhone ? "手机上已有“" : "电脑上已有“") + fromUtf8(nameUtf8) + toWide("”，要替换吗？");
  SetWindowTextW(item(IDC_FILES_PROMPT_TEXT), text.c_str());
  Control(item(IDC_FILES_PROMPT_TEXT)).show(true);
  for (const PromptButton& b : kPromptButtons) Control(item(b.id)).show(true);
  SetFocus(item(IDC_FILES_REPLACE));
}

void FilesPage::hidePrompt() {
  if (prompt_) prompt_->give(std::nullopt);
  prompt_.reset();
  Control(item(IDC_FILES_PROMPT_TEXT)).show(false);
  for (const PromptButton& b : kPromptButtons) Control(item(b.id)).show(false);
}

void FilesPage::answerPrompt(OverwriteChoice choice) {
  if (!prompt_) return;
  prompt_->give(choice);
  prompt_.reset();
  hidePrompt();
}

void FilesPage::startTransfer(bool pull, std::vector<RemoteItem> items, std::vector<std::string> files,
                              const std::string& target) {
  if (transferring_) return;
  transferring_ = true;
  pulling_ = pull;
  transferStart_ = std::chrono::steady_clock::now();
  transferCancel_ = std::make_shared<ExchangeCancel>();
  for (int id : {IDC_FILES_PROGRESS, IDC_FILES_PROGRESS_TEXT, IDC_FILES_CANCEL}) Control(item(id)).show(true);
  Control(item(IDC_FILES_REPORT)).show(false);
  ProgressBar(item(IDC_FILES_PROGRESS)).setPos(0);
  Control(item(IDC_FILES_PROGRESS_TEXT)).setText(pull ? "正在复制到电脑..." : "正在上传到手机...");
  SetWindowTextA(item(IDC_FILES_REPORT), "");
  updateButtons();
  layout();
  // Progress goes to the page only while it lives; the worker itself never touches it.
  PageWork::Post post = work_.poster();
  auto progress = [this, post](const TransferProgress& p) { post([this, p] { showProgress(p); }); };
  // The question goes to the page and the worker waits; a page that is gone never shows it, but
  // it cancelled the transfer as it closed, which ends the wait.
  auto ask = [this, post, cancel = transferCancel_](const std::string& name, bool toPhone) {
    auto slot = std::make_shared<PromptSlot>();
    post([this, slot, name, toPhone] { showPrompt(slot, name, toPhone); });
    return slot->wait(*cancel);
  };
  work_.run(
      [progress, ask, cancel = transferCancel_, pull, items = std::move(items), files = std::move(files), target,
       serial = currentSerial()](ExchangeCancel*) {
        SyncTransfer transfer(serial, cancel.get(), progress);
        transfer.setOverwriteAsk(ask);
        Transfer done;
        done.report = pull ? transfer.pull(items, target) : transfer.push(files, target);
        return done;
      },
      [this](Transfer& done) { finishTransfer(done); });
}

void FilesPage::showProgress(const TransferProgress& p) {
  if (!transferring_) return;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - transferStart_).count();
  const uint64_t speed = seconds > 0.2 ? static_cast<uint64_t>(static_cast<double>(p.bytes) / seconds) : 0;
  if (p.planning) {
    Control(item(IDC_FILES_PROGRESS_TEXT)).setText("正在统计要复制的文件：已找到 " + std::to_string(p.planned) + " 项");
    return;
  }
  std::string text = pulling_ ? "正在复制到电脑：" : "正在上传到手机：";
  // Past what the listing promised (a file of 4 GiB or more) only the count of bytes is true.
  if (p.expectedBytes > 0 && p.bytes <= p.expectedBytes) {
    text += byteSizeText(p.bytes) + " / " + byteSizeText(p.expectedBytes);
    ProgressBar(item(IDC_FILES_PROGRESS)).setPos(static_cast<int>(p.bytes * 1000 / p.expectedBytes));
  } else {
    text += byteSizeText(p.bytes);
  }
  text += "，文件 " + std::to_string(p.files) + "/" + std::to_string(p.expectedFiles);
  if (speed > 0) text += "，" + byteSizeText(speed) + "/秒";
  Control(item(IDC_FILES_PROGRESS_TEXT)).setText(text);
}

void FilesPage::finishTransfer(Transfer& t) {
  transferring_ = false;
  hidePrompt();
  const TransferReport& r = t.report;
  const std::string verb = pulling_ ? "复制" : "上传";
  std::string text;
  if (r.tooMany) {
    text = "没有开始复制：所选内容超过 " + std::to_string(kPullPlanMax) +
           " 项（可能有绕回自身的文件夹链接），请选择较小的文件夹";
  } else if (r.cancelled) {
    text = "已取消" + verb + "：" + std::to_string(r.filesCopied) + " 个文件已完成" +
           (pulling_ ? "，未完成的文件已删除" : "");
  } else if (r.failures.empty()) {
    text = verb + "完成：" + std::to_string(r.filesCopied) + " 个文件，" + byteSizeText(r.bytes);
  } else {
    text = verb + "结束：" + std::to_string(r.filesCopied) + " 个文件成功，" + std::to_string(r.failures.size()) +
           " 个失败";
  }
  if (!r.tooMany) {
    if (r.skipped > 0) text += "，跳过 " + std::to_string(r.skipped) + " 个已有的文件";
    if (r.renamed > 0) text += "，" + std::to_string(r.renamed) + " 个名称已改为电脑可用的名称";
  }
  Control(item(IDC_FILES_PROGRESS_TEXT)).setText(text);
  host().setStatusText(text);
  if (!r.cancelled && r.failures.empty()) ProgressBar(item(IDC_FILES_PROGRESS)).setPos(1000);
  std::wstring report;
  int shown = 0;
  for (const TransferFailure& f : r.failures) {
    if (++shown > kFailuresShown) {
      report += toWide("……");
      break;
    }
    report += fromUtf8(f.nameUtf8) + toWide("：") + toWide(f.text) + L"\r\n";
  }
  SetWindowTextW(item(IDC_FILES_REPORT), report.c_str());
  Control(item(IDC_FILES_REPORT)).show(!report.empty());
  updateButtons();
  // After a push the folder is listed again, so it shows what the phone really holds.
  if (!pulling_ && !currentFolder_.empty()) {
    statusAfterListing_ = text;
    const std::string folder = currentFolder_;
    list(listFolderRequestUtf8(folder), false, folder);
  }
}

}  // namespace zorvik
