#include "pim/win/ContactsPage.h"

#include <cmath>
#include <cstdio>
#include <thread>
#include <utility>

#include "ui/Controls.h"
#include "ui/Notices.h"
#include "ui/UiThread.h"
#include "devlink/AgentSession.h"
#include "pim/ContactCardHtml.h"
#include "pim/win/ContactEditor.h"
#include "pim/ContactWire.h"
#include "pim/win/GroupManager.h"
#include "pim/win/ContactsResource.h"
#include "pim/LocateNumber.h"

namespace zorvik {

namespace {
constexpr const char* kReading = "正在读取...";
constexpr UINT_PTR kFirstCardTimer = 1;
constexpr COLORREF kNumberGrey = RGB(130, 130, 130);
constexpr int kStarWidth = 17, kStarHeight = 16, kCheckSide = 13;
// The strips' background: see-through when drawn, so a selected row keeps its colour around them.
constexpr COLORREF kStripKey = RGB(255, 0, 255);

enum Column { kPhotoColumn, kNameColumn, kStarColumn, kTimeColumn, kCheckColumn, kColumnCount };

// The star strip: frame 0 a gold star (starred), frame 1 a grey outline.
UniqueBitmap makeStarStrip() {
  return drawBitmap(2 * kStarWidth, kStarHeight, kStripKey, [](HDC dc) {
    for (int frame = 0; frame < 2; ++frame) {
      POINT pts[10];
      for (int i = 0; i < 10; ++i) {
        double a = -3.14159265358979 / 2 + i * 3.14159265358979 / 5;
        double r = (i % 2 == 0) ? 7.5 : 3.2;
        pts[i].x = frame * kStarWidth + 8 + static_cast<LONG>(std::lround(r * std::cos(a)));
        pts[i].y = 8 + static_cast<LONG>(std::lround(r * std::sin(a)));
      }
      UniquePen pen(CreatePen(PS_SOLID, 1, frame == 0 ? RGB(214, 150, 0) : RGB(180, 180, 180)));
      UniqueBrush brush(CreateSolidBrush(frame == 0 ? RGB(255, 200, 30) : RGB(255, 255, 255)));
      SelectObjectScope p(dc, pen.get());
      SelectObjectScope b(dc, brush.get());
      Polygon(dc, pts, 10);
    }
  });
}

// The check-box strip: frame 0 empty, frame 1 ticked.
UniqueBitmap makeCheckStrip() {
  return drawBitmap(2 * kCheckSide, kCheckSide, kStripKey, [](HDC dc) {
    for (int frame = 0; frame < 2; ++frame) {
      int x = frame * kCheckSide;
      UniquePen frameLine(CreatePen(PS_SOLID, 1, RGB(112, 112, 112)));
      SelectObjectScope p(dc, frameLine.get());
      SelectObjectScope b(dc, GetStockObject(WHITE_BRUSH));
      Rectangle(dc, x, 0, x + kCheckSide, kCheckSide);
      if (frame == 1) {
        UniquePen tick(CreatePen(PS_SOLID, 2, RGB(30, 100, 200)));
        SelectObjectScope t(dc, tick.get());
        POINT pts[3] = {{x + 3, 6}, {x + 5, 9}, {x + 10, 3}};
        Polyline(dc, pts, 3);
      }
    }
  });
}

// The default picture of a contact without a photo: a grey head and shoulders.
UniqueBitmap makeDefaultAvatar() {
  return drawBitmap(kRowPictureSize, kRowPictureSize, RGB(226, 232, 240), [](HDC dc) {
    UniqueBrush fg(CreateSolidBrush(RGB(160, 172, 188)));
    SelectObjectScope b(dc, fg.get());
    SelectObjectScope p(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, 15, 8, 34, 27);
    Ellipse(dc, 7, 29, 42, 60);
  });
}

void blitFrame(HDC dc, HBITMAP strip, int frame, int width, int height, const RECT& cell) {
  BitmapDc mem(dc, strip);
  int x = (cell.left + cell.right - width) / 2, y = (cell.top + cell.bottom - height) / 2;
  TransparentBlt(dc, x, y, width, height, mem.get(), frame * width, 0, width, height, kStripKey);
}

std::string deleteQuestion(size_t count) {
  char text[128];
  std::snprintf(text, sizeof text, "您真的要删除选择的【 %d 】条联系人吗？", static_cast<int>(count));
  return text;
}
}  // namespace

// What a list-load worker hands to the UI thread.
struct ContactsPage::Loaded {
  AgentResult result = AgentResult::Ok;
  std::vector<ContactRecord> records;
  std::vector<std::string> locations;
  std::shared_ptr<const PhoneTable> table;
};

ContactsPage::ContactsPage(const PageInfo& info, PageHost& host) : Page(info, host, IDD_CONTACTS_PAGE) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    avatar_ = makeDefaultAvatar();
    stars_ = makeStarStrip();
    checks_ = makeCheckStrip();
    list_.attach(item(IDC_CONTACT_LIST), {.columns = {{"头像", 60}, {"联系人", 140}, {"收藏", 44},
                                                      {"上次联系时间、归属地", 150}, {"选择", 44}},
                                          .imageCapacity = kMaxContactPhoto,
                                          .checkColumn = true});
    for (int c = 0; c < kColumnCount; ++c) {
      LVCOLUMNA col{};
      col.mask = LVCF_FMT;
      col.fmt = c == kTimeColumn ? LVCFMT_LEFT : LVCFMT_CENTER;
      if (c != kPhotoColumn) SendMessageA(list_.hwnd(), LVM_SETCOLUMNA, c, reinterpret_cast<LPARAM>(&col));
    }
    list_.setCellPainter([this](HDC dc, const RECT& cell, int row, int column, bool selected) {
      return paintCell(dc, cell, row, column, selected);
    });
    layout();
    m.result = TRUE;
  });
  map_.on(WM_SIZE, [this](WinMsg&) { layout(); });
  map_.on(WM_DRAWITEM, [this](WinMsg& m) {
    auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(m.lp);
    if (d->CtlID == IDC_CONTACT_LIST) list_.drawItem(*d);
    m.result = TRUE;
  });
  map_.on(WM_TIMER, [this](WinMsg& m) {
    if (m.wp != kFirstCardTimer) return;
    KillTimer(hwnd(), kFirstCardTimer);
    loadCard();
  });
  map_.onNotify(IDC_CONTACT_LIST, NM_CLICK, [this](WinMsg& m) {
    auto* click = reinterpret_cast<const NMITEMACTIVATE*>(m.lp);
    list_.onClick(*click);
    if (click->iItem >= 0) clickRow(click->iItem);
  });
  map_.onNotify(IDC_CONTACT_LIST, NM_DBLCLK, [this](WinMsg& m) {
    if (reinterpret_cast<const NMITEMACTIVATE*>(m.lp)->iItem >= 0) modifySelected();
  });
  map_.onNotify(IDC_CONTACT_LIST, NM_RCLICK, [this](WinMsg&) { showContextMenu(); });
  map_.on(WM_SETCURSOR, [this](WinMsg& m) {
    // While the list loads or a delete runs, the list says so with the busy cursor.
    if (busy() && reinterpret_cast<HWND>(m.wp) == list_.hwnd() && LOWORD(m.lp) == HTCLIENT) {
      SetCursor(LoadCursor(nullptr, IDC_APPSTARTING));
      m.result = TRUE;
    } else {
      m.handled = false;
    }
  });
  map_.onCommand(IDM_CONTACT_ADD, [this](WinMsg&) { addContact(); });
  map_.onCommand(IDM_CONTACT_MODIFY, [this](WinMsg&) { modifySelected(); });
  map_.onCommand(IDM_CONTACT_DELETE, [this](WinMsg&) { deleteSelected(); });
  map_.onCommand(IDC_CONTACT_EXPORT, [this](WinMsg&) { exportContacts(); });
  map_.onCommand(IDC_CONTACT_IMPORT, [this](WinMsg&) { importContacts(); });
}

ContactsPage::~ContactsPage() {
  backupWork_.stop();
  alive_.reset();
  cancel_->cancel();
  // Destroyed here, while the list and the card control its handlers use still exist.
  if (hwnd()) DestroyWindow(hwnd());
}

// The browser of the card is made when the page is first shown or loaded: making it pumps
// messages, which must not happen while the main window is still being created with its pages.
void ContactsPage::ensureCardView() {
  if (cardView_.hwnd()) return;
  if (cardView_.CreateFromStatic(IDC_CONTACT_CARD, hwnd(), this)) cardView_.LoadFromResource(IDR_HTML_CONTACT);
  layout();
}

void ContactsPage::onShown() { ensureCardView(); }

void ContactsPage::layout() {
  RECT client = clientRectOf(hwnd());
  int listWidth = 60 + 140 + 44 + 150 + 44 + GetSystemMetrics(SM_CXVSCROLL) + 4;
  if (listWidth > client.right) listWidth = client.right;
  // The backup strip sits under the list: two buttons, then the progress bar or the summary.
  constexpr int kStrip = 30, kButton = 84;
  const int listHeight = client.bottom > kStrip ? client.bottom - kStrip : 0;
  MoveWindow(list_.hwnd(), 0, 0, listWidth, listHeight, TRUE);
  MoveWindow(item(IDC_CONTACT_EXPORT), 2, listHeight + 3, kButton, kStrip - 6, TRUE);
  MoveWindow(item(IDC_CONTACT_IMPORT), 4 + kButton, listHeight + 3, kButton, kStrip - 6, TRUE);
  const int restLeft = 8 + 2 * kButton, restWidth = listWidth > restLeft + 4 ? listWidth - restLeft - 4 : 0;
  MoveWindow(item(IDC_CONTACT_PROGRESS), restLeft, listHeight + 8, restWidth, kStrip - 16, TRUE);
  MoveWindow(item(IDC_CONTACT_BACKUP_TEXT), restLeft, listHeight + 8, restWidth, kStrip - 14, TRUE);
  if (cardView_.hwnd())
    MoveWindow(cardView_.hwnd(), listWidth + 2, 0, client.right - listWidth - 2, client.bottom, TRUE);
}

void ContactsPage::onToolbar(int index) {
  switch (index) {
    case 0: reload(); break;
    case 1: addContact(); break;
    case 2: openGroupManager(); break;
    case 3: deleteChecked(); break;
    default: break;
  }
}

void ContactsPage::load() {
  if (listLoading_) return;
  listLoading_ = true;
  ensureCardView();
  host().setStatusText(kReading);
  std::weak_ptr<int> alive = alive_;
  std::shared_ptr<const PhoneTable> table = phoneTable_;
  std::shared_ptr<ExchangeCancel> cancel = cancel_;
  std::thread([this, alive, table, cancel] {
    auto loaded = std::make_shared<Loaded>();
    loaded->table = table ? table : std::make_shared<const PhoneTable>();
    AgentBody body;
    loaded->result = exchangeForBody(bareRequest(AgentCommand::ListContacts), body, cancel.get());
    // Only a complete reply is read: a cut-off one would show a list that is not the phone's.
    if (loaded->result == AgentResult::Ok) {
      ContactList list = parseContactList(body.bytes.data(), body.bytes.size());
      if (list.malformed) loaded->result = AgentResult::Malformed;
      loaded->records = std::move(list.records);
      loaded->locations.reserve(loaded->records.size());
      for (const ContactRecord& r : loaded->records)
        loaded->locations.emplace_back(LocateNumber(*loaded->table, r.numberText));
    }
    postToUi([this, alive, loaded] {
      if (alive.expired()) return;
      fillList(*loaded);
    });
  }).detach();
}

void ContactsPage::fillList(Loaded& loaded) {
  listLoading_ = false;
  phoneTable_ = std::move(loaded.table);
  if (loaded.result != AgentResult::Ok && loaded.result != AgentResult::NoReply) {
    // Failed, cut or cancelled: the rows shown before stay, the status line says why, and the
    // next visit loads again.
    const char* failure = agentFailureText(loaded.result);
    host().setStatusText(failure ? failure : "");
    markFailed();
    return;
  }
  // A refusal (kAgentNoReply) ends quietly with an empty list, as the agent asked.
  host().setStatusText("");
  list_.clear();
  SendMessageA(list_.hwnd(), WM_SETREDRAW, FALSE, 0);
  records_ = std::move(loaded.records);
  locations_ = std::move(loaded.locations);
  for (const ContactRecord& r : records_) {
    TwoLineRow row;
    row.image.assign(r.photo.begin(), r.photo.end());
    row.cells = {"", r.name, "", r.lastContactText, ""};
    row.secondLine = r.numberText;
    row.picture = avatar_.get();
    list_.addRow(std::move(row));
  }
  SendMessageA(list_.hwnd(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_.hwnd(), nullptr, TRUE);
  if (!records_.empty()) {
    currentId_ = records_[0].contactId;
    ListView_SetItemState(list_.hwnd(), 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetSelectionMark(list_.hwnd(), 0);
    SetTimer(hwnd(), kFirstCardTimer, 0, nullptr);
  }
  markLoaded();
}

bool ContactsPage::paintCell(HDC dc, const RECT& cell, int row, int column, bool) {
  if (row < 0 || static_cast<size_t>(row) >= records_.size()) return false;
  const ContactRecord& r = records_[static_cast<size_t>(row)];
  switch (column) {
    case kNameColumn:
    case kTimeColumn: {
      RECT top = cell, bottom = cell;
      InflateRect(&top, -4, 0);
      InflateRect(&bottom, -4, 0);
      top.bottom = bottom.top = (cell.top + cell.bottom) / 2;
      UINT align = column == kNameColumn ? DT_CENTER : DT_LEFT;
      UINT flags = DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX | align;
      const std::string& upper = column == kNameColumn ? r.name : r.lastContactText;
      const std::string& lower = column == kNameColumn ? r.numberText : locations_[static_cast<size_t>(row)];
      SetTextColor(dc, RGB(0, 0, 0));
      DrawTextA(dc, upper.c_str(), -1, &top, flags | DT_BOTTOM);
      SetTextColor(dc, column == kNameColumn ? kNumberGrey : RGB(90, 90, 90));
      DrawTextA(dc, lower.c_str(), -1, &bottom, flags | DT_TOP);
      return true;
    }
    case kStarColumn:
      blitFrame(dc, stars_.get(), r.starred ? 0 : 1, kStarWidth, kStarHeight, cell);
      return true;
    case kCheckColumn:
      blitFrame(dc, checks_.get(), list_.row(row).checked ? 1 : 0, kCheckSide, kCheckSide, cell);
      return true;
    default:
      return false;
  }
}

void ContactsPage::clickRow(int row) {
  if (row < 0 || static_cast<size_t>(row) >= records_.size()) return;
  // A click while a card loads is dropped: the card shown is the one whose load started.
  if (cardLoading_) return;
  currentId_ = records_[static_cast<size_t>(row)].contactId;
  loadCard();
}

void ContactsPage::loadCard() {
  if (cardLoading_) return;
  cardLoading_ = true;
  ++cardLoads_;
  int32_t id = currentId_;
  std::weak_ptr<int> alive = alive_;
  std::shared_ptr<ExchangeCancel> cancel = cancel_;
  std::thread([this, alive, cancel, id] {
    AgentBody body;
    AgentResult result = exchangeForBody(contactDetailsRequest(id), body, cancel.get());
    auto card = std::make_shared<ContactCard>();
    auto html = std::make_shared<std::string>();
    if (result == AgentResult::Ok && !parseContactCard(body.bytes.data(), body.bytes.size(), *card))
      result = AgentResult::Malformed;
    if (result == AgentResult::Ok) *html = buildContactCardHtml(*card);
    postToUi([this, alive, result, card, html] {
      if (alive.expired()) return;
      showCard(result, result == AgentResult::Ok, *card, *html);
    });
  }).detach();
}

// On the UI thread: the document is written here, never from the worker.
void ContactsPage::showCard(AgentResult result, bool shown, ContactCard& card, std::string& html) {
  cardLoading_ = false;
  if (const char* failure = agentFailureText(result)) host().setStatusText(failure);
  if (!shown) return;  // the card keeps what it showed
  card_ = std::move(card);
  cardHtml_ = std::move(html);
  if (cardView_.documentCookie() || cardView_.registerDocument())
    setElementHtml(cardView_.documentCookie(), "block", cardHtml_);
}

void ContactsPage::addContact() {
  ContactEditor editor(host(), true);
  if (editor.run(hwnd()) == IDOK) reload();
  else InvalidateRect(list_.hwnd(), nullptr, TRUE);
}

void ContactsPage::modifySelected() {
  int row = ListView_GetSelectionMark(list_.hwnd());
  if (row < 0 || static_cast<size_t>(row) >= records_.size()) return;
  ContactEditor editor(host(), false, records_[static_cast<size_t>(row)].contactId);
  if (editor.run(hwnd()) == IDOK) reload();
  else InvalidateRect(list_.hwnd(), nullptr, TRUE);
}

void ContactsPage::openGroupManager() {
  GroupManager manager(host());
  manager.run(hwnd());
}

void ContactsPage::deleteChecked() {
  std::vector<int32_t> ids;
  for (int row : list_.checkedRows())
    if (static_cast<size_t>(row) < records_.size()) ids.push_back(records_[static_cast<size_t>(row)].contactId);
  deleteContacts(ids);
}

void ContactsPage::deleteSelected() {
  int row = ListView_GetSelectionMark(list_.hwnd());
  if (row < 0 || static_cast<size_t>(row) >= records_.size()) return;
  deleteContacts({records_[static_cast<size_t>(row)].contactId});
}

void ContactsPage::deleteContacts(const std::vector<int32_t>& ids) {
  if (ids.empty()) {
    CheckFirstNotice(hwnd());
    return;
  }
  if (!DeleteConfirmDialog(hwnd(), deleteQuestion(ids.size()))) return;
  if (deleting_) return;
  deleting_ = true;
  std::weak_ptr<int> alive = alive_;
  std::shared_ptr<ExchangeCancel> cancel = cancel_;
  Bytes request = deleteContactsRequest(ids);
  std::thread([this, alive, cancel, request] {
    const AgentResult result = exchangeForStatus(request, nullptr, cancel.get());
    postToUi([this, alive, result] {
      if (alive.expired()) return;
      deleting_ = false;
      if (const char* failure = agentFailureText(result)) host().setStatusText(failure);
      reload();  // the list shows what the phone holds now, whatever the delete did
    });
  }).detach();
}

void ContactsPage::showContextMenu() {
  UniqueMenu menu(CreatePopupMenu());
  AppendMenuA(menu.get(), MF_STRING, IDM_CONTACT_ADD, "添加联系人");
  AppendMenuA(menu.get(), MF_STRING, IDM_CONTACT_MODIFY, "修改选择的");
  AppendMenuA(menu.get(), MF_STRING, IDM_CONTACT_DELETE, "删除选择的");
  POINT pt{};
  GetCursorPos(&pt);
  UINT cmd = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd(), nullptr);
  if (cmd) PostMessageA(hwnd(), WM_COMMAND, cmd, 0);
}

}  // namespace zorvik
