#pragma once
// The contacts page: the list of every contact on the phone (870101) on the left, the card of the
// selected contact (870102) in the HTML page on the right; adding and changing through the
// contact editor, deleting the ticked contacts (870106).
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/HtmlCtrl.h"
#include "app/ListPage.h"
#include "common/win/Handles.h"
#include "devlink/AgentSession.h"
#include "pim/Contact.h"
#include "pim/LocatedList.h"

namespace zorvik {

// One row of the list: the contact and its number's location (looked up on the load's worker).
using ContactRow = Located<ContactRecord>;

class ContactsPage : public ListPage<ContactRow> {
public:
  ContactsPage(const PageInfo& info, PageHost& host);

  // The list load; a second one while one runs is dropped. A failed load keeps the rows shown
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
  const std::string& locationOf(int row) const { return records_.at(static_cast<size_t>(row)).location; }
  bool listLoading() const { return loading(); }
  bool cardLoading() const { return cardLoading_; }
  // The first row's card is due (its load starts on the next turn).
  bool cardPending() const { return cardPending_; }
  bool deleting() const { return sending(); }
  int32_t currentContactId() const { return currentId_; }
  const ContactCard& card() const { return card_; }
  const std::string& cardHtml() const { return cardHtml_; }
  int cardLoadCount() const { return cardLoads_; }

private:
  void onInit() override;
  void layout(const RECT& client) override;
  TwoLineRow rowOf(ContactRow& row) override;
  void onRowsShown() override;
  bool paintCell(HDC dc, const RECT& cell, int row, int column, bool selected) override;
  void showCard(AgentResult result, ContactCard& card, std::string& html);
  void ensureCardView();
  void deleteContacts(const std::vector<int32_t>& ids);
  void showContextMenu();
  void startBackup(const char* firstText);
  void backupProgress(int done, int total, const char* format);
  void endBackup(const std::string& summary);

  CHtmlCtrlBase cardView_;
  ContactCard card_;
  std::string cardHtml_;
  int cardLoads_ = 0;
  bool cardLoading_ = false;
  bool cardPending_ = false;
  bool backupRunning_ = false;
  int32_t currentId_ = 0;
  UniqueBitmap avatar_, stars_, checks_;
};

}  // namespace zorvik
