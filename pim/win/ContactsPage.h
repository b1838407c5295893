#pragma once
// The contacts page: the list of every contact on the phone (870101) on the left, the card of the
// selected contact (870102) in the HTML page on the right; adding and changing through the
// contact editor, deleting the ticked contacts (870106).
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/win/Handles.h"
#include "ui/HtmlCtrl.h"
#include "app/Page.h"
#include "ui/PageWork.h"
#include "ui/TwoLineList.h"
#include "devlink/AgentSession.h"
#include "pim/Contact.h"
#include "pim/PhoneTable.h"

namespace zorvik {

class ContactsPage : public Page {
public:
  ContactsPage(const PageInfo& info, PageHost& host);
  ~ContactsPage() override;

  // The list load; a second one while one runs is ignored. A failed load keeps the rows shown
  // before and says why in the status line.
  void load() override;
  void onToolbar(int index) override;
  void onShown() override;

  // The user's actions, as the toolbar, the context menu and the mouse start them.
  void addContact();
  void modifySelected();
  void openGroupManager();   // toolbar: "分组管理"
  void deleteChecked();      // toolbar: every ticked row
  void deleteSelected();     // context menu: the selection-mark row
  void clickRow(int row);    // a single click: the card of that row
  void loadCard();
  // The backup strip: every contact with its card to a vCard file, and a vCard file's contacts
  // added to the phone, each on a worker with the progress bar and a summary beside it. The
  // buttons ask for the file; these take it.
  void exportContacts();
  void importContacts();
  void exportTo(const std::wstring& path);
  void importFrom(const std::wstring& path);
  bool backupRunning() const { return backupRunning_; }
  std::string backupText() const;

  // What the page shows, for the window's own use and for tests.
  TwoLineList& list() { return list_; }
  const std::vector<ContactRecord>& records() const { return records_; }
  const std::string& locationOf(int row) const { return locations_.at(static_cast<size_t>(row)); }
  bool listLoading() const { return listLoading_; }
  bool cardLoading() const { return cardLoading_; }
  bool deleting() const { return deleting_; }
  // A list load or a delete is in progress: the list shows the busy cursor.
  bool busy() const { return listLoading_ || deleting_; }
  int32_t currentContactId() const { return currentId_; }
  const ContactCard& card() const { return card_; }
  const std::string& cardHtml() const { return cardHtml_; }
  int cardLoadCount() const { return cardLoads_; }

private:
  struct Loaded;
  void fillList(Loaded& loaded);
  void showCard(AgentResult result, bool shown, ContactCard& card, std::string& html);
  void layout();
  void ensureCardView();
  void deleteContacts(const std::vector<int32_t>& ids);
  void showContextMenu();
  bool paintCell(HDC dc, const RECT& cell, int row, int column, bool selected);
  void startBackup(const char* firstText);
  void backupProgress(int done, int total, const char* format);
  void endBackup(const std::string& summary);

  TwoLineList list_;
  CHtmlCtrlBase cardView_;
  // Written to the temporary folder by the first list load, on its worker: creating the page (at
  // the program's start) must not wait for the file.
  std::shared_ptr<const PhoneTable> phoneTable_;
  std::vector<ContactRecord> records_;
  std::vector<std::string> locations_;
  ContactCard card_;
  std::string cardHtml_;
  int cardLoads_ = 0;
  bool listLoading_ = false;
  bool cardLoading_ = false;
  bool deleting_ = false;
  bool backupRunning_ = false;
  PageWork backupWork_;
  // Cancelled when the page goes, so its exchanges do not outlive it for their deadline.
  std::shared_ptr<ExchangeCancel> cancel_ = std::make_shared<ExchangeCancel>();
  int32_t currentId_ = 0;
  UniqueBitmap avatar_, stars_, checks_;
  UniqueFont boldFont_;
  // Workers hold a weak reference: work posted after the page is gone is skipped.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace zorvik
