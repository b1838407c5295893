#pragma once
// "编写短信 - Zorvik": one thread's conversation (870202, page 662), the recipient picker built from
// the phone's groups (870120) and contact numbers (870150), and sending (870204). Opened on a
// thread by the messages page, or with thread -1 for a new message (no conversation is read).
// Every exchange runs on a worker with the agent's deadlines and reports to the UI thread.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/HtmlCtrl.h"
#include "app/Page.h"
#include "ui/PageWork.h"
#include "ui/Window.h"
#include "devlink/AgentSession.h"
#include "pim/MessageWire.h"
#include "pim/win/MessagesResource.h"

namespace zorvik {

class ComposeDialog : public Dialog {
public:
  ComposeDialog(PageHost& host, int32_t threadId = -1, std::string threadNumber = {});
  INT_PTR run(HWND parent) { return runModal(parent); }

  // "立即发送": nothing when the text or the recipients are empty; else 870204 on a worker. The
  // dialog closes with OK once the phone answered; when the send failed it stays open with the
  // recipients and the text, and its status line says why.
  void send();
  // The dialog's own status line: a send under way, and what failed (picker, conversation, send).
  std::string statusText() const;

  // The picker: one node per group "%s [%d]", one child per entry "%s [%s]". Ticking a node (a
  // group ticks its entries) writes or removes its recipients in the field; editing the field
  // ticks the entries whose number it names, and a group when all its entries are ticked.
  void toggleTick(HTREEITEM item);  // as a click on the item's box does
  HWND picker() const { return item(IDC_COMPOSE_PICKER); }
  std::string recipients() const;
  std::string messageText() const;  // the text to send, in UTF-8

  // For tests and the window's own use.
  bool pickerLoading() const { return pickerLoading_; }
  bool conversationLoading() const { return conversationLoading_; }
  bool sending() const { return sending_; }
  int conversationLoads() const { return conversationLoads_; }
  const std::vector<MessageRecord>& messages() const { return messages_; }
  const std::string& conversationHtml() const { return conversationHtml_; }

private:
  class ConversationView : public CHtmlCtrlBase {
  public:
    explicit ConversationView(ComposeDialog& owner) : owner_(owner) {}
    void OnDocumentComplete(const std::string& address) override;

  private:
    ComposeDialog& owner_;
  };
  struct Node {
    HTREEITEM item = nullptr;
    HTREEITEM parent = nullptr;  // null for a group
    std::string name, number;
    bool ticked = false;  // as last set or read: the tree is asked only for a clicked item
  };

  void report(AgentResult result);
  void setStatus(const char* text);
  void loadPicker();
  void fillPicker(AgentResult result, std::map<int32_t, std::string>& groups, std::vector<PickerEntry>& entries);
  void loadConversation();
  void showConversation();
  void onTicked(HTREEITEM item);
  void ticksFromField();
  void setField(const std::string& text);
  bool checked(HTREEITEM item) const;
  void setChecked(Node& node, bool on);
  Node* nodeOf(HTREEITEM item);

  PageHost& host_;
  int32_t threadId_;
  std::string threadNumber_;
  ConversationView view_{*this};
  std::vector<Node> nodes_;
  std::vector<MessageRecord> messages_;
  std::string conversationHtml_;
  bool conversationShown_ = false;
  bool pickerLoading_ = false;
  bool conversationLoading_ = false;
  bool sending_ = false;
  bool syncing_ = false;  // the dialog itself is changing ticks or the field
  int conversationLoads_ = 0;
  PageWork work_;
};

}  // namespace zorvik
