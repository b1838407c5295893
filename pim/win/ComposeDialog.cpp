#include "pim/win/ComposeDialog.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <utility>

#include "common/win/WideText.h"
#include "devlink/FetchList.h"
#include "devlink/TcpSocket.h"
#include "ui/Controls.h"

namespace zorvik {

namespace {
constexpr const char* kPickerLoading = "联系人载入中...";
constexpr const char* kSending = "正在发送...";
constexpr const char* kNotSent = "【错误】短信未发送";
constexpr int kUngrouped = -1;
constexpr UINT kMsgTicked = WM_APP + 21;  // lParam: the item whose box was clicked

// Many ticks changed at once: a visible tree view lays itself out again after every change (a
// group of 150 entries took 16 s under Wine), so it is marked invisible, without hiding it on the
// screen, until the changes are done, and then painted once.
class QuietTree {
public:
  explicit QuietTree(HWND tree) : tree_(tree), style_(GetWindowLongPtrA(tree, GWL_STYLE)) {
    SendMessageA(tree_, WM_SETREDRAW, FALSE, 0);
    SetWindowLongPtrA(tree_, GWL_STYLE, style_ & ~WS_VISIBLE);
  }
  ~QuietTree() {
    SetWindowLongPtrA(tree_, GWL_STYLE, style_);
    SendMessageA(tree_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(tree_, nullptr, TRUE);
  }
  QuietTree(const QuietTree&) = delete;
  QuietTree& operator=(const QuietTree&) = delete;

private:
  HWND tree_;
  LONG_PTR style_;
};

std::string groupCaption(const std::string& name, size_t entries) {
  char text[32];
  std::snprintf(text, sizeof text, " [%d]", static_cast<int>(entries));
  return name + text;
}
}  // namespace

void ComposeDialog::ConversationView::OnDocumentComplete(const std::string& address) {
  CHtmlCtrlBase::OnDocumentComplete(address);
  owner_.showConversation();
}

ComposeDialog::ComposeDialog(PageHost& host, int32_t threadId, std::string threadNumber)
    : Dialog(IDD_COMPOSE), host_(host), threadId_(threadId), threadNumber_(std::move(threadNumber)) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    SetWindowTextA(hwnd(), "编写短信 - Zorvik");
    TreeView(picker()).insert(TVI_ROOT, kPickerLoading);
    // The thread's number is the recipient from the start (the picker ticks it once loaded).
    if (threadId_ != -1) setField(threadNumber_);
    if (view_.CreateFromStatic(IDC_COMPOSE_CONVERSATION, hwnd(), this))
      view_.LoadFromResource(IDR_HTML_CONVERSATION);
    // Both loads start with the dialog; the conversation is written into its page once the page
    // has loaded as well (without a browser engine it never does, and the picker must still work).
    loadPicker();
    if (threadId_ != -1) loadConversation();
    SetFocus(item(IDC_COMPOSE_TEXT));
    m.result = FALSE;
  });
  map_.onCommand(IDC_COMPOSE_SEND, [this](WinMsg&) { send(); });
  map_.onCommand(IDCANCEL, [this](WinMsg&) {
    if (!sending_) end(IDCANCEL);  // while sending, the answer (or the deadline) closes
  });
  map_.onCommand(IDC_COMPOSE_TO, [this](WinMsg& m) {
    if (HIWORD(m.wp) == EN_CHANGE && !syncing_) ticksFromField();
  });
  map_.onNotify(IDC_COMPOSE_PICKER, NM_CLICK, [this](WinMsg&) {
    // The box changes after this notice: look at it once the click is done.
    TVHITTESTINFO hit{};
    const DWORD pos = GetMessagePos();
    hit.pt = {static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
    ScreenToClient(picker(), &hit.pt);
    HTREEITEM h = TreeView_HitTest(picker(), &hit);
    if (h && (hit.flags & TVHT_ONITEMSTATEICON)) PostMessageA(hwnd(), kMsgTicked, 0, reinterpret_cast<LPARAM>(h));
  });
  map_.onNotify(IDC_COMPOSE_PICKER, TVN_KEYDOWN, [this](WinMsg& m) {
    if (reinterpret_cast<const NMTVKEYDOWN*>(m.lp)->wVKey != VK_SPACE) return;
    if (HTREEITEM h = TreeView_GetSelection(picker()))
      PostMessageA(hwnd(), kMsgTicked, 0, reinterpret_cast<LPARAM>(h));
  });
  map_.on(kMsgTicked, [this](WinMsg& m) { onTicked(reinterpret_cast<HTREEITEM>(m.lp)); });
}

std::string ComposeDialog::recipients() const { return windowText(item(IDC_COMPOSE_TO)); }

// Read in Unicode: an emoji or a letter GBK lacks reaches the phone as typed.
std::string ComposeDialog::messageText() const {
  const HWND edit = item(IDC_COMPOSE_TEXT);
  const int length = GetWindowTextLengthW(edit);
  if (length <= 0) return {};
  std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
  wide.resize(static_cast<size_t>(GetWindowTextW(edit, wide.data(), length + 1)));
  return fromWide(wide, CP_UTF8);
}

void ComposeDialog::loadPicker() {
  if (pickerLoading_) return;
  pickerLoading_ = true;
  struct Picked {
    AgentResult result = AgentResult::Ok;
    std::map<int32_t, std::string> groups;
    std::vector<PickerEntry> entries;
  };
  work_.run(
      [](ExchangeCancel* cancel) {
        Picked out;
        out.groups[kUngrouped] = "【未分组】";
        auto groups = fetchRecords(bareRequest(AgentCommand::ListPickerGroups), parsePickerGroups, cancel);
        out.result = groups.result;
        if (!groups.finished()) return out;
        for (PickerGroup& g : groups.list) out.groups[g.groupId] = std::move(g.name);
        auto entries = fetchRecords(bareRequest(AgentCommand::ListPickerContacts), parsePickerEntries, cancel);
        if (entries.finished()) out.entries = std::move(entries.list);
        else out.result = entries.result;
        return out;
      },
      [this](Picked& out) { fillPicker(out.result, out.groups, out.entries); });
}

void ComposeDialog::fillPicker(AgentResult result, std::map<int32_t, std::string>& groups,
                               std::vector<PickerEntry>& entries) {
  pickerLoading_ = false;
  report(result);
  // Only a whole pair of lists replaces the tree: after a failure the numbers offered before stay.
  if (result != AgentResult::Ok && result != AgentResult::NoReply) return;
  // An entry of a group the phone did not name is still offered, among the ungrouped.
  for (PickerEntry& e : entries)
    if (!groups.count(e.groupId)) e.groupId = kUngrouped;
  TreeView tree(picker());
  syncing_ = true;
  std::optional<QuietTree> quiet(picker());
  tree.clear();
  nodes_.clear();
  nodes_.reserve(groups.size() + entries.size());
  for (const auto& [id, name] : groups) {
    const size_t count = static_cast<size_t>(
        std::count_if(entries.begin(), entries.end(), [id = id](const PickerEntry& e) { return e.groupId == id; }));
    HTREEITEM g = tree.insert(TVI_ROOT, groupCaption(name, count), static_cast<LPARAM>(nodes_.size()));
    nodes_.push_back({g, nullptr, name, {}});
    for (const PickerEntry& e : entries) {
      if (e.groupId != id) continue;
      // The phone's number is shown; the one the field holds (and is matched by) is what a
      // message can be sent to.
      HTREEITEM h = tree.insert(g, e.name + " [" + e.number + "]", static_cast<LPARAM>(nodes_.size()));
      nodes_.push_back({h, g, e.name, pickerNumber(e.number)});
    }
  }
  tree.expandAll(true);
  quiet.reset();
  syncing_ = false;
  ticksFromField();  // a number already in the field (the thread's, or typed) is ticked
}

ComposeDialog::Node* ComposeDialog::nodeOf(HTREEITEM h) {
  if (!h) return nullptr;
  TVITEMA it{};
  it.mask = TVIF_PARAM;
  it.hItem = h;
  if (!TreeView_GetItem(picker(), &it)) return nullptr;
  const size_t i = static_cast<size_t>(it.lParam);
  return i < nodes_.size() && nodes_[i].item == h ? &nodes_[i] : nullptr;
}

bool ComposeDialog::checked(HTREEITEM h) const { return TreeView_GetCheckState(picker(), h) == 1; }

void ComposeDialog::setChecked(Node& node, bool on) {
  if (node.ticked == on) return;
  node.ticked = on;
  TreeView_SetCheckState(picker(), node.item, on ? TRUE : FALSE);
}

void ComposeDialog::toggleTick(HTREEITEM h) {
  Node* node = nodeOf(h);
  if (!node) return;
  TreeView_SetCheckState(picker(), h, checked(h) ? FALSE : TRUE);
  onTicked(h);
}

void ComposeDialog::setField(const std::string& text) {
  syncing_ = true;
  SetDlgItemTextA(hwnd(), IDC_COMPOSE_TO, text.c_str());
  syncing_ = false;
}

void ComposeDialog::onTicked(HTREEITEM h) {
  Node* node = nodeOf(h);
  if (!node) return;
  const bool on = checked(h);  // the tree changed it itself
  node->ticked = on;
  std::string field = recipients();
  for (const Node& n : nodes_) {
    const bool affected = n.item == h || (!node->parent && n.parent == h);
    if (!affected || !n.parent) continue;
    field = on ? addRecipient(field, n.name, n.number) : removeRecipient(field, n.number);
  }
  setField(field);
  ticksFromField();
}

// The field decides: every entry whose number it names is ticked (in every group it appears in),
// and a group is ticked when it has entries and all of them are.
void ComposeDialog::ticksFromField() {
  if (nodes_.empty()) return;
  const std::vector<std::string> numbers = recipientNumbers(recipients());
  syncing_ = true;
  QuietTree quiet(picker());
  // nodes_ holds each group followed by its entries.
  Node* group = nullptr;
  bool any = false, all = true;
  auto closeGroup = [&] {
    if (group) setChecked(*group, any && all);
  };
  for (Node& n : nodes_) {
    if (!n.parent) {
      closeGroup();
      group = &n;
      any = false;
      all = true;
      continue;
    }
    setChecked(n, !n.number.empty() && std::find(numbers.begin(), numbers.end(), n.number) != numbers.end());
    any = true;
    all = all && n.ticked;
  }
  closeGroup();
  syncing_ = false;
}

void ComposeDialog::loadConversation() {
  if (conversationLoading_) return;
  conversationLoading_ = true;
  ++conversationLoads_;
  const int32_t id = threadId_;
  struct Read {
    AgentResult result = AgentResult::Ok;
    std::vector<MessageRecord> messages;
    std::string html;
  };
  work_.run(
      [id](ExchangeCancel* cancel) {
        Read out;
        auto talk = fetchRecords(conversationRequest(id), parseConversation, cancel);  // a cut one is not shown
        out.result = talk.result;
        out.messages = std::move(talk.list);
        if (out.result == AgentResult::Ok) out.html = buildConversationHtml(out.messages);
        return out;
      },
      [this](Read& out) {
        conversationLoading_ = false;
        report(out.result);
        if (out.result != AgentResult::Ok) return;  // the view keeps what it showed
        messages_ = std::move(out.messages);
        conversationHtml_ = std::move(out.html);
        conversationShown_ = false;
        showConversation();
      });
}

// Writes the conversation once both it and its page are there, newest message in view.
void ComposeDialog::showConversation() {
  if (conversationShown_ || conversationLoads_ == 0 || conversationLoading_) return;
  const DWORD cookie = view_.documentCookie();
  if (!cookie) return;
  if (setElementHtml(cookie, "conversation_list", conversationHtml_)) {
    scrollDocument(cookie, 0, 9999999);
    conversationShown_ = true;
  }
}

void ComposeDialog::send() {
  if (sending_) return;
  const std::string text = messageText();
  const std::string to = recipients();
  if (text.empty() || to.empty()) return;
  const std::vector<std::string> numbers = splitRecipients(to);
  if (numbers.empty()) return;  // ";..." names nobody
  // Sockets are started with the program; should that have failed, the user is told here (the
  // exchange then fails as a connection error and the dialog stays).
  if (!startSockets()) MessageBoxA(hwnd(), "初始化错误", "卓维克", MB_OK | MB_ICONERROR);
  sending_ = true;
  setStatus(kSending);
  EnableWindow(item(IDC_COMPOSE_SEND), FALSE);
  EnableWindow(item(IDCANCEL), FALSE);
  work_.run([request = sendUtf8MessageRequest(numbers, text)](ExchangeCancel* cancel) {
              return exchangeForStatus(request, nullptr, cancel);
            },
            [this](AgentResult result) {
              sending_ = false;
              if (result == AgentResult::Ok) {
                end(IDOK);  // the page reads its list again: it shows what the phone holds
                return;
              }
              // Not sent, or not known to be: the recipients and the text stay for another try.
              report(result);
              if (!agentFailureText(result)) setStatus(kNotSent);
              EnableWindow(item(IDC_COMPOSE_SEND), TRUE);
              EnableWindow(item(IDCANCEL), TRUE);
            });
}

// A failure goes to the main window's status line and, because this dialog covers that, into the
// dialog's own line as well.
void ComposeDialog::report(AgentResult result) {
  if (const char* failure = agentFailureText(result)) {
    host_.setStatusText(failure);
    setStatus(failure);
  }
}

void ComposeDialog::setStatus(const char* text) { SetDlgItemTextA(hwnd(), IDC_COMPOSE_STATUS, text); }

std::string ComposeDialog::statusText() const { return windowText(item(IDC_COMPOSE_STATUS)); }

}  // namespace zorvik
