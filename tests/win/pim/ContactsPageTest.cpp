// The contacts page and the contact editor against the virtual phone's agent, under Wine: what the
// list view shows, the card, the editor's refusal of an empty name, and add, change and delete
// seen after the reload. contacts_vphone.sh starts the phone and forwards ZORVIK_AGENT_PORT to it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <functional>
#include <memory>
#include <mutex>
#include <regex>
#include <string>
#include <vector>

#include "PageTestSupport.h"
#include "UiTestSupport.h"
#include "app/ConnectionLink.h"
#include "ui/Controls.h"
#include "app/MainWindow.h"
#include "app/PageData.h"
#include "app/PageTable.h"
#include "common/win/Handles.h"
#include "devlink/AdbBridge.h"
#include "devlink/AgentSession.h"
#include "devlink/TcpSocket.h"
#include "app/resource.h"
#include "pim/win/ContactEditor.h"
#include "pim/ContactForm.h"
#include "pim/ContactWire.h"
#include "pim/win/ContactsPage.h"
#include "pim/win/ContactsResource.h"

namespace zorvik {
namespace {

using test::pump;
using namespace test;

// The phone's list as the agent sends it now, read apart from the page.
std::vector<ContactRecord> phoneContacts() {
  AgentBody body;
  if (exchangeForBody(bareRequest(AgentCommand::ListContacts), body) != AgentResult::Ok) return {};
  return parseContactList(body.bytes.data(), body.bytes.size()).records;
}

// Adds a contact with only a name straight through the agent.
bool addOnPhone(const std::string& name) {
  ContactCard card;
  card.displayName = {.present = true, .value = name};
  int32_t status = 0;
  return exchangeForStatus(addContactRequest(card), &status) == AgentResult::Ok && status == 1;
}

// The editor reads its card on a worker; the form is filled (and "保存" enabled) once it is in.
bool cardReadInto(HWND editor) {
  return pumpUntil([&] { return IsWindowEnabled(GetDlgItem(editor, IDC_EDITOR_SAVE)) != FALSE; }, 10000);
}

class ContactsPageTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!std::getenv("ZORVIK_AGENT_PORT")) GTEST_SKIP() << "run through contacts_vphone.sh";
    ASSERT_TRUE(ui_.open(kPageContacts, "Contacts test", 1100, 640));
    PageDataTable::instance().forget(ui_.info->pageKey);
    ui_.page->reload();
    waitLoaded();
  }
  void TearDown() override { ui_.close(5000); }
  void waitLoaded() {
    // A delete runs on its worker first, then reloads.
    ASSERT_TRUE(pumpUntil([&] { return !ui_.page->listLoading() && !ui_.page->deleting(); }, 20000));
    pumpUntil([&] { return ui_.page->list().count() == 0 || (ui_.page->cardLoadCount() > 0 && !ui_.page->cardLoading()); }, 5000);
  }
  int rowNamed(const std::string& name) {
    for (int r = 0; r < ui_.page->list().count(); ++r)
      if (ui_.page->list().view().cell(r, 1) == name) return r;
    return -1;
  }
  void clickCell(int row, int column) {
    clickListCell(ui_.page->hwnd(), ui_.page->list().hwnd(), IDC_CONTACT_LIST, row, column);
  }

  PageUnderTest<ContactsPage> ui_;
};

TEST_F(ContactsPageTest, ListShowsEveryContactWithItsColumns) {
  std::vector<ContactRecord> phone = phoneContacts();
  ASSERT_FALSE(phone.empty());
  if (const char* n = std::getenv("ZORVIK_TEST_CONTACT_COUNT")) {
    EXPECT_EQ(static_cast<int>(phone.size()), std::atoi(n));
  }
  ListView& view = ui_.page->list().view();
  ASSERT_EQ(view.count(), static_cast<int>(phone.size()));
  ASSERT_EQ(view.columnCount(), 5);
  const char* titles[] = {"头像", "联系人", "收藏", "上次联系时间、归属地", "选择"};
  const int widths[] = {60, 140, 44, 150, 44};
  for (int c = 0; c < 5; ++c) {
    EXPECT_EQ(view.columnTitle(c), titles[c]);
    EXPECT_EQ(view.columnWidth(c), widths[c]);
  }
  std::regex time(R"(N/A|\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)");
  int located = 0, withPhoto = 0, starred = 0, never = 0;
  for (int r = 0; r < view.count(); ++r) {
    const ContactRecord& want = phone[static_cast<size_t>(r)];
    EXPECT_EQ(view.cell(r, 1), want.name) << r;
    EXPECT_EQ(ui_.page->list().row(r).secondLine, want.numberText) << r;
    EXPECT_EQ(view.cell(r, 3), want.lastContactText) << r;
    EXPECT_TRUE(std::regex_match(want.lastContactText, time)) << want.lastContactText;
    EXPECT_FALSE(ui_.page->list().row(r).checked) << r;
    EXPECT_EQ(ui_.page->records()[static_cast<size_t>(r)].contactId, want.contactId);
    const std::string& loc = ui_.page->locationOf(r);
    EXPECT_FALSE(loc.empty());
    if (want.numberText.size() == 11 && want.numberText[0] == '1' && loc != "没有记录" && loc != "未知") ++located;
    if (!want.photo.empty()) ++withPhoto;
    if (want.starred) ++starred;
    if (want.lastContactText == "N/A") ++never;
  }
  // The data set has mobiles with known prefixes, photos, starred contacts and never-called ones;
  // mobiles located prove the prefix table travels inside the program.
  EXPECT_GT(located, 10);
  EXPECT_GT(withPhoto, 0);
  EXPECT_GT(starred, 0);
  EXPECT_GT(never, 0);
  // After the load row 0 is selected and its card is loaded by the zero-delay timer.
  EXPECT_EQ(view.selected(), 0);
  EXPECT_EQ(ListView_GetSelectionMark(view.hwnd()), 0);
  EXPECT_EQ(ui_.page->currentContactId(), phone[0].contactId);
  EXPECT_EQ(ui_.page->cardLoadCount(), 1);
  EXPECT_EQ(ui_.page->card().displayName.value, phone[0].name);
  EXPECT_NE(ui_.page->cardHtml().find("<b>基本信息</b>"), std::string::npos);
  EXPECT_TRUE(test::saveWindowPng(ui_.frame.hwnd(), test::artifactPath("contacts-page.png")));
}

TEST_F(ContactsPageTest, CheckBoxClicksToggleOnlyTheirRow) {
  ASSERT_GE(ui_.page->list().count(), 3);
  clickCell(1, 4);
  clickCell(2, 4);
  clickCell(2, 4);
  EXPECT_EQ(ui_.page->list().checkedRows(), std::vector<int>{1});
  clickCell(0, 1);  // a click on the name is no tick
  EXPECT_EQ(ui_.page->list().checkedRows(), std::vector<int>{1});
}

TEST_F(ContactsPageTest, ClickLoadsTheCardAndIgnoresClicksDuringTheLoad) {
  ASSERT_GE(ui_.page->list().count(), 4);
  const auto& recs = ui_.page->records();
  clickCell(2, 1);
  EXPECT_TRUE(ui_.page->cardLoading());
  clickCell(3, 1);  // while the card of row 2 loads
  ASSERT_TRUE(pumpUntil([&] { return !ui_.page->cardLoading(); }));
  EXPECT_EQ(ui_.page->currentContactId(), recs[2].contactId);
  EXPECT_EQ(ui_.page->card().displayName.value, recs[2].name);
  EXPECT_EQ(ui_.page->cardLoadCount(), 2);
}

TEST_F(ContactsPageTest, EditorRefusesAnEmptyName) {
  ContactEditor editor(*ui_.host, true);
  ASSERT_TRUE(editor.createModeless(ui_.frame.hwnd()));
  HWND w = editor.hwnd();
  EXPECT_EQ(windowText(w), "添加联系人 - Zorvik");
  EXPECT_EQ(windowText(GetDlgItem(w, IDC_EDITOR_STATUS)), "就绪");
  // Drop-downs and the initial selections of a new form.
  ComboBox phone1(w, IDC_EDITOR_PHONE_KIND1), phone2(w, IDC_EDITOR_PHONE_KIND2), phone3(w, IDC_EDITOR_PHONE_KIND3);
  ComboBox email(w, IDC_EDITOR_EMAIL_KIND), im(w, IDC_EDITOR_IM_KIND);
  EXPECT_EQ(phone1.count(), 8);
  EXPECT_EQ(email.count(), 5);
  EXPECT_EQ(im.count(), 10);
  EXPECT_EQ(phone1.itemText(phone1.selected()), "手机");
  EXPECT_EQ(phone2.itemText(phone2.selected()), "公司电话");
  EXPECT_EQ(phone3.itemText(phone3.selected()), "个人");
  EXPECT_EQ(email.itemText(email.selected()), "个人");
  EXPECT_EQ(im.itemText(im.selected()), "QQ");
  EXPECT_EQ(im.itemText(9), "自定义");
  int before = static_cast<int>(phoneContacts().size());
  SetDlgItemTextA(w, IDC_EDITOR_PHONE1, "13800138000");
  click(w, IDC_EDITOR_SAVE);
  ASSERT_TRUE(IsWindow(w));  // the form stays open
  EXPECT_EQ(windowText(GetDlgItem(w, IDC_EDITOR_STATUS)), "错误: 联系人姓名不能为空");
  EXPECT_EQ(static_cast<int>(phoneContacts().size()), before);
}

TEST_F(ContactsPageTest, AddChangeAndDeleteShowAfterTheReload) {
  int before = ui_.page->list().count();
  const std::string name = "测试<联系人>";
  // Add through the toolbar's "添加联系人".
  bool stepped = withModal("添加联系人 - Zorvik", [&](HWND w) {
    SetDlgItemTextA(w, IDC_EDITOR_NAME, name.c_str());
    SetDlgItemTextA(w, IDC_EDITOR_PHONE1, "13912345678");
    SetDlgItemTextA(w, IDC_EDITOR_EMAIL, "test@example.org");
    Button(w, IDC_EDITOR_STARRED).setChecked(true);
    click(w, IDC_EDITOR_SAVE);
  }, [&] { ui_.page->onToolbar(1); });
  ASSERT_TRUE(stepped);
  waitLoaded();
  ASSERT_EQ(ui_.page->list().count(), before + 1);
  int row = rowNamed(name);
  ASSERT_GE(row, 0);
  EXPECT_EQ(ui_.page->list().row(row).secondLine, "13912345678");
  EXPECT_EQ(ui_.page->records()[static_cast<size_t>(row)].starred, 1);
  EXPECT_NE(ui_.page->locationOf(row), std::string("没有记录"));
  int32_t id = ui_.page->records()[static_cast<size_t>(row)].contactId;

  // Change: the editor opens filled from the phone; the name and the nickname change.
  ListView_SetSelectionMark(ui_.page->list().hwnd(), row);
  std::string loadedPhone, loadedEmail;
  const std::string renamed = "测试改名";
  stepped = withModal("修改联系人 - Zorvik", [&](HWND w) {
    EXPECT_TRUE(cardReadInto(w));
    loadedPhone = windowText(GetDlgItem(w, IDC_EDITOR_PHONE1));
    loadedEmail = windowText(GetDlgItem(w, IDC_EDITOR_EMAIL));
    UpdateWindow(w);
    test::saveWindowPng(w, test::artifactPath("contact-editor.png"));
    SetDlgItemTextA(w, IDC_EDITOR_NAME, renamed.c_str());
    SetDlgItemTextA(w, IDC_EDITOR_NICKNAME, "小测");
    click(w, IDC_EDITOR_SAVE);
  }, [&] { ui_.page->modifySelected(); });
  ASSERT_TRUE(stepped);
  EXPECT_EQ(loadedPhone, "13912345678");
  EXPECT_EQ(loadedEmail, "test@example.org");
  waitLoaded();
  EXPECT_EQ(ui_.page->list().count(), before + 1);
  EXPECT_EQ(rowNamed(name), -1);
  row = rowNamed(renamed);
  ASSERT_GE(row, 0);
  EXPECT_EQ(ui_.page->records()[static_cast<size_t>(row)].contactId, id);

  // Cancel changes nothing and does not reload.
  ListView_SetSelectionMark(ui_.page->list().hwnd(), row);
  stepped = withModal("修改联系人 - Zorvik", [&](HWND w) {
    SetDlgItemTextA(w, IDC_EDITOR_NAME, "不会保存");
    click(w, IDCANCEL);
  }, [&] { ui_.page->modifySelected(); });
  ASSERT_TRUE(stepped);
  EXPECT_FALSE(ui_.page->listLoading());
  EXPECT_EQ(rowNamed(renamed), row);

  // Delete: tick the row, confirm with "删除".
  clickCell(row, 4);
  std::string question;
  stepped = withModal("删除确认 - Zorvik", [&](HWND w) {
    question = windowText(GetDlgItem(w, IDC_NOTICE_TEXT));
    click(w, IDOK);
  }, [&] { ui_.page->onToolbar(3); });
  ASSERT_TRUE(stepped);
  EXPECT_EQ(question, "您真的要删除选择的【 1 】条联系人吗？");
  waitLoaded();
  EXPECT_EQ(ui_.page->list().count(), before);
  EXPECT_EQ(rowNamed(renamed), -1);
  for (const ContactRecord& r : phoneContacts()) EXPECT_NE(r.contactId, id);
}

TEST_F(ContactsPageTest, DoubleClickOpensTheEditorOnTheSelectionMarkRow) {
  ASSERT_GE(ui_.page->list().count(), 2);
  const ContactRecord& want = ui_.page->records()[1];
  ListView_SetItemState(ui_.page->list().hwnd(), 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetSelectionMark(ui_.page->list().hwnd(), 1);
  std::string shownName, shownPhone;
  NMITEMACTIVATE n{};
  n.hdr.hwndFrom = ui_.page->list().hwnd();
  n.hdr.idFrom = IDC_CONTACT_LIST;
  n.hdr.code = NM_DBLCLK;
  n.iItem = 1;
  ASSERT_TRUE(withModal("修改联系人 - Zorvik", [&](HWND w) {
    EXPECT_TRUE(cardReadInto(w));
    shownName = windowText(GetDlgItem(w, IDC_EDITOR_NAME));
    shownPhone = windowText(GetDlgItem(w, IDC_EDITOR_PHONE1));
    click(w, IDCANCEL);
  }, [&] { SendMessageA(ui_.page->hwnd(), WM_NOTIFY, IDC_CONTACT_LIST, reinterpret_cast<LPARAM>(&n)); }));
  EXPECT_EQ(shownName, want.name);
  EXPECT_FALSE(shownPhone.empty());
  EXPECT_FALSE(ui_.page->listLoading());  // cancelled: no reload
}

TEST_F(ContactsPageTest, DeleteWithNothingTickedShowsTheNoticeOnly) {
  int before = ui_.page->list().count();
  std::string text;
  bool stepped = withModal("提示 - Zorvik", [&](HWND w) {
    text = windowText(GetDlgItem(w, IDC_NOTICE_TEXT));
    click(w, IDOK);
  }, [&] { ui_.page->onToolbar(3); });
  ASSERT_TRUE(stepped);
  EXPECT_EQ(text, "请先勾选每项最后的复选框后，再执行删除操作");
  EXPECT_FALSE(ui_.page->listLoading());
  EXPECT_EQ(static_cast<int>(phoneContacts().size()), before);
}

TEST_F(ContactsPageTest, ContextMenuDeleteTakesTheSelectionMarkRowOnly) {
  ASSERT_TRUE(addOnPhone("菜单删除"));
  ASSERT_TRUE(addOnPhone("勾选保留"));
  ui_.page->reload();
  waitLoaded();
  int before = ui_.page->list().count();
  int target = rowNamed("菜单删除"), ticked = rowNamed("勾选保留");
  ASSERT_GE(target, 0);
  ASSERT_GE(ticked, 0);
  clickCell(ticked, 4);
  ListView_SetSelectionMark(ui_.page->list().hwnd(), target);
  // "取消" in the confirmation changes nothing.
  std::string question;
  ASSERT_TRUE(withModal("删除确认 - Zorvik", [&](HWND w) { click(w, IDCANCEL); },
                        [&] { SendMessageA(ui_.page->hwnd(), WM_COMMAND, IDM_CONTACT_DELETE, 0); }));
  EXPECT_FALSE(ui_.page->listLoading());
  EXPECT_EQ(static_cast<int>(phoneContacts().size()), before);
  ASSERT_TRUE(withModal("删除确认 - Zorvik", [&](HWND w) {
    question = windowText(GetDlgItem(w, IDC_NOTICE_TEXT));
    click(w, IDOK);
  }, [&] { SendMessageA(ui_.page->hwnd(), WM_COMMAND, IDM_CONTACT_DELETE, 0); }));
  EXPECT_EQ(question, "您真的要删除选择的【 1 】条联系人吗？");
  waitLoaded();
  EXPECT_EQ(ui_.page->list().count(), before - 1);
  EXPECT_EQ(rowNamed("菜单删除"), -1);
  // The ticked row was not part of the context menu's delete; now the toolbar takes it.
  ticked = rowNamed("勾选保留");
  ASSERT_GE(ticked, 0);
  clickCell(ticked, 4);
  ASSERT_TRUE(withModal("删除确认 - Zorvik", [&](HWND w) { click(w, IDOK); }, [&] { ui_.page->onToolbar(3); }));
  waitLoaded();
  EXPECT_EQ(ui_.page->list().count(), before - 2);
}

// While a message is waiting for the window it is answered within a second (another thread asks).
bool windowAnswers(HWND w) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result) != 0;
}

TEST_F(ContactsPageTest, EditorOnASilentPhoneKeepsTheWindowAnsweringAndCannotSave) {
  if (!std::getenv("ZORVIK_TEST_CONTROL_PORT")) GTEST_SKIP();
  ShortDeadlines deadlines;
  ASSERT_GE(ui_.page->list().count(), 1);
  ListView_SetSelectionMark(ui_.page->list().hwnd(), 0);
  ASSERT_EQ(phoneControl("reply pieces 1 10000").rfind("OK", 0), 0u);
  std::string whileReading, afterwards;
  bool saveEnabledWhileReading = true, saveEnabledAfter = true, answered = false, staysOpen = false;
  ASSERT_TRUE(withModal("修改联系人 - Zorvik", [&](HWND w) {
    whileReading = windowText(GetDlgItem(w, IDC_EDITOR_STATUS));
    saveEnabledWhileReading = IsWindowEnabled(GetDlgItem(w, IDC_EDITOR_SAVE));
    std::atomic<bool> ok{false};
    std::thread asker([&] { ok = windowAnswers(ui_.frame.hwnd()); });
    pumpUntil([&] { return ok.load(); }, 1500);
    asker.join();
    answered = ok;
    pumpUntil([&] { return windowText(GetDlgItem(w, IDC_EDITOR_STATUS)) != "读取中..."; }, 5000);
    afterwards = windowText(GetDlgItem(w, IDC_EDITOR_STATUS));
    saveEnabledAfter = IsWindowEnabled(GetDlgItem(w, IDC_EDITOR_SAVE));
    click(w, IDC_EDITOR_SAVE);  // refused: nothing was read
    staysOpen = IsWindow(w) && windowText(GetDlgItem(w, IDC_EDITOR_STATUS)) == "错误: 联系人读取失败，不能保存";
    click(w, IDCANCEL);
  }, [&] { ui_.page->modifySelected(); }));
  phoneControl("reset");
  EXPECT_EQ(whileReading, "读取中...");
  EXPECT_FALSE(saveEnabledWhileReading);
  EXPECT_TRUE(answered);
  EXPECT_EQ(afterwards, "错误: 联系人读取失败，不能保存");
  EXPECT_FALSE(saveEnabledAfter);
  EXPECT_TRUE(staysOpen);
  EXPECT_EQ(ui_.host->status(), "【X】连接超时：手机端没有响应");
}

// A contact whose name, note, address and nickname hold what GBK cannot (vphone's "Peña …"): a
// change of its number alone goes back to the phone as that one change, every other byte of the
// card as it was.
TEST_F(ContactsPageTest, ChangingOneFieldLeavesTheTextGbkCannotHoldAsItWas) {
  const std::string number = "+34 600 000 001", changed = "+34 600 000 009";
  int row = -1;
  for (int r = 0; r < ui_.page->list().count() && row < 0; ++r)
    if (ui_.page->records()[static_cast<size_t>(r)].numberText == number) row = r;
  ASSERT_GE(row, 0);
  const int32_t id = ui_.page->records()[static_cast<size_t>(row)].contactId;
  auto card = [&] {
    AgentBody body;
    EXPECT_EQ(exchangeForBody(contactDetailsRequest(id), body), AgentResult::Ok);
    return std::string(body.bytes.begin(), body.bytes.end());
  };
  auto setNumber = [&](const std::string& from, const std::string& to) {
    ListView_SetSelectionMark(ui_.page->list().hwnd(), row);
    std::string shown;
    EXPECT_TRUE(withModal("修改联系人 - Zorvik", [&](HWND w) {
      ASSERT_TRUE(cardReadInto(w));
      shown = windowText(GetDlgItem(w, IDC_EDITOR_PHONE1));
      SetDlgItemTextA(w, IDC_EDITOR_PHONE1, to.c_str());
      click(w, IDC_EDITOR_SAVE);
    }, [&] { ui_.page->modifySelected(); }));
    EXPECT_EQ(shown, from);
    waitLoaded();
  };
  const std::string before = card();
  ASSERT_NE(before.find("\xF0\x9F\x98\x80"), std::string::npos);  // the name's emoji
  setNumber(number, changed);
  std::string expected = before;
  expected.replace(expected.find(number), number.size(), changed);
  EXPECT_EQ(card(), expected);
  row = -1;
  for (int r = 0; r < ui_.page->list().count() && row < 0; ++r)
    if (ui_.page->records()[static_cast<size_t>(r)].numberText == changed) row = r;
  ASSERT_GE(row, 0);
  setNumber(changed, number);
  EXPECT_EQ(card(), before);

  // The edit boxes hold the phone's text whole, and a touched field that GBK cannot hold keeps
  // every character: the nickname "ß" becomes "ß!", nothing else changes.
  auto wideText = [](HWND w, int id) {
    wchar_t text[4096] = {};
    GetWindowTextW(GetDlgItem(w, id), text, 4096);
    return std::wstring(text);
  };
  std::wstring shownName;
  ListView_SetSelectionMark(ui_.page->list().hwnd(), row);
  ASSERT_TRUE(withModal("修改联系人 - Zorvik", [&](HWND w) {
    ASSERT_TRUE(cardReadInto(w));
    shownName = wideText(w, IDC_EDITOR_NAME);
    SetWindowTextW(GetDlgItem(w, IDC_EDITOR_NICKNAME), (wideText(w, IDC_EDITOR_NICKNAME) + L"!").c_str());
    click(w, IDC_EDITOR_SAVE);
  }, [&] { ui_.page->modifySelected(); }));
  waitLoaded();
  EXPECT_EQ(shownName, L"Pe\u00f1a \u00d1and\u00fa \U0001F600");
  const std::string nick(std::string("\0\0\0\x02", 4) + "\xC3\x9F"), touched(std::string("\0\0\0\x03", 4) + "\xC3\x9F!");
  expected = before;
  ASSERT_NE(expected.find(nick), std::string::npos);
  expected.replace(expected.find(nick), nick.size(), touched);
  EXPECT_EQ(card(), expected);
}

// The save may be on the phone while its answer is awaited: "取消", Esc and the close box wait for
// it, so the user never closes the form and then adds the contact a second time.
TEST_F(ContactsPageTest, EditorWaitsForARunningSaveBeforeItCloses) {
  if (!std::getenv("ZORVIK_TEST_CONTROL_PORT")) GTEST_SKIP();
  const std::string name = "等待保存的联系人";
  ShortDeadlines deadlines;
  ASSERT_EQ(phoneControl("reply pieces 1 10000").rfind("OK", 0), 0u);
  ContactEditor editor(*ui_.host, true);
  ASSERT_TRUE(editor.createModeless(ui_.frame.hwnd()));
  const HWND w = editor.hwnd();
  SetDlgItemTextA(w, IDC_EDITOR_NAME, name.c_str());
  ASSERT_TRUE(editor.save());
  const bool cancelEnabled = IsWindowEnabled(GetDlgItem(w, IDCANCEL));
  click(w, IDCANCEL);                                          // "取消"
  SendMessageA(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);     // Esc
  SendMessageA(w, WM_CLOSE, 0, 0);                             // the close box
  const bool openWhileSaving = IsWindow(w) && editor.working();
  const std::string savingStatus = windowText(GetDlgItem(w, IDC_EDITOR_STATUS));
  const bool ended = pumpUntil([&] { return !editor.working(); }, 10000);
  phoneControl("reset");
  ASSERT_TRUE(ended);
  EXPECT_FALSE(cancelEnabled);
  EXPECT_TRUE(openWhileSaving);
  EXPECT_EQ(savingStatus, "保存中...");
  // The answer never came: the form stays with what was typed, and now "取消" closes it.
  ASSERT_TRUE(IsWindow(w));
  EXPECT_EQ(windowText(GetDlgItem(w, IDC_EDITOR_NAME)), name);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(w, IDCANCEL)));
  click(w, IDCANCEL);
  EXPECT_FALSE(IsWindow(w));
  std::vector<int32_t> added;
  for (const ContactRecord& r : phoneContacts())
    if (r.name == name) added.push_back(r.contactId);
  EXPECT_LE(added.size(), 1u);
  if (!added.empty()) exchangeForStatus(deleteContactsRequest(added), nullptr);
}

// A card cut short used to open as a blank form whose save wrote the blanks back (the contact lost
// its star). Now the form refuses to save and the phone's contact stays as it was.
TEST_F(ContactsPageTest, ACutCardIsNeverWrittenBack) {
  if (!std::getenv("ZORVIK_TEST_CONTROL_PORT")) GTEST_SKIP();
  int row = -1;
  for (int r = 0; r < ui_.page->list().count() && row < 0; ++r)
    if (ui_.page->records()[static_cast<size_t>(r)].starred) row = r;
  ASSERT_GE(row, 0);
  const int32_t id = ui_.page->records()[static_cast<size_t>(row)].contactId;
  AgentBody before, after;
  ASSERT_EQ(exchangeForBody(contactDetailsRequest(id), before), AgentResult::Ok);
  ListView_SetSelectionMark(ui_.page->list().hwnd(), row);
  ASSERT_EQ(phoneControl("reply truncate 870102 10").rfind("OK", 0), 0u);
  std::string status, name;
  ASSERT_TRUE(withModal("修改联系人 - Zorvik", [&](HWND w) {
    pumpUntil([&] { return windowText(GetDlgItem(w, IDC_EDITOR_STATUS)) != "读取中..."; }, 5000);
    status = windowText(GetDlgItem(w, IDC_EDITOR_STATUS));
    name = windowText(GetDlgItem(w, IDC_EDITOR_NAME));
    SetDlgItemTextA(w, IDC_EDITOR_NAME, "写回的空白");
    click(w, IDC_EDITOR_SAVE);
    pump(300);
    click(w, IDCANCEL);
  }, [&] { ui_.page->modifySelected(); }));
  phoneControl("reset");
  EXPECT_EQ(status, "错误: 联系人读取失败，不能保存");
  EXPECT_EQ(name, "");
  ASSERT_EQ(exchangeForBody(contactDetailsRequest(id), after), AgentResult::Ok);
  EXPECT_EQ(after.bytes, before.bytes);
}

TEST_F(ContactsPageTest, ModifyModeRefusesAnEmptyName) {
  ASSERT_GE(ui_.page->list().count(), 1);
  const int32_t id = ui_.page->records()[0].contactId;
  AgentBody before, after;
  ASSERT_EQ(exchangeForBody(contactDetailsRequest(id), before), AgentResult::Ok);
  ListView_SetSelectionMark(ui_.page->list().hwnd(), 0);
  std::string status;
  bool open = false;
  ASSERT_TRUE(withModal("修改联系人 - Zorvik", [&](HWND w) {
    EXPECT_TRUE(cardReadInto(w));
    SetDlgItemTextA(w, IDC_EDITOR_NAME, "");
    click(w, IDC_EDITOR_SAVE);
    pump(200);
    open = IsWindow(w) != FALSE;
    status = windowText(GetDlgItem(w, IDC_EDITOR_STATUS));
    click(w, IDCANCEL);
  }, [&] { ui_.page->modifySelected(); }));
  EXPECT_TRUE(open);
  EXPECT_EQ(status, "错误: 联系人姓名不能为空");
  ASSERT_EQ(exchangeForBody(contactDetailsRequest(id), after), AgentResult::Ok);
  EXPECT_EQ(after.bytes, before.bytes);
}

// The card as the agent sends it now, with what a round trip cannot keep (row ids, operations,
// the extra text) cleared; groups stay by title, the star as it is.
ContactCard portableCard(int32_t id) {
  AgentBody body;
  ContactCard card;
  if (exchangeForBody(contactDetailsRequest(id), body) != AgentResult::Ok ||
      !parseContactCard(body.bytes.data(), body.bytes.size(), card))
    return {};
  ContactCard clean;
  clean.starred = card.starred;
  for (auto [from, to] : {std::pair{&card.displayName, &clean.displayName}, {&card.nickname, &clean.nickname},
                          {&card.notes, &clean.notes}})
    if (from->present) *to = {true, 0, from->value, 0};
  for (auto [from, to] : {std::pair{&card.phones, &clean.phones}, {&card.groups, &clean.groups},
                          {&card.emails, &clean.emails}, {&card.ims, &clean.ims},
                          {&card.webPages, &clean.webPages}, {&card.addresses, &clean.addresses},
                          {&card.organizations, &clean.organizations}})
    for (const ContactItem& i : *from) to->push_back(ContactItem{0, i.kind, i.value, 0});
  return clean;
}

bool sameCard(const ContactCard& a, const ContactCard& b) {
  auto single = [](const ContactSingle& x, const ContactSingle& y) { return x.present == y.present && x.value == y.value; };
  return a.starred == b.starred && single(a.displayName, b.displayName) && single(a.nickname, b.nickname) &&
         single(a.notes, b.notes) && a.phones == b.phones && a.groups == b.groups && a.emails == b.emails && a.ims == b.ims && a.webPages == b.webPages &&
         a.addresses == b.addresses && a.organizations == b.organizations;
}

std::wstring backupPath() {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  return std::wstring(dir) + L"联系人备份.vcf";
}

TEST_F(ContactsPageTest, VCardRoundTripThroughThePhoneLosesNothingTheAgentCarries) {
  const std::vector<ContactRecord> before = phoneContacts();
  ASSERT_FALSE(before.empty());
  const std::wstring path = backupPath();
  DeleteFileW(path.c_str());
  ui_.page->exportTo(path);
  ASSERT_TRUE(pumpUntil([&] { return !ui_.page->backupRunning(); }, 60000));
  EXPECT_EQ(ui_.page->backupText(), "已导出 " + std::to_string(before.size()) + " 条联系人");
  EXPECT_EQ(GetFileAttributesW((path + L".part").c_str()), INVALID_FILE_ATTRIBUTES);

  ui_.page->importFrom(path);
  ASSERT_TRUE(pumpUntil([&] { return !ui_.page->backupRunning(); }, 120000));
  EXPECT_EQ(ui_.page->backupText(), "导入 " + std::to_string(before.size()) + " 条，跳过 0 条");
  waitLoaded();
  EXPECT_EQ(ui_.page->list().count(), static_cast<int>(2 * before.size()));

  // Each imported contact carries the card of the one it was exported from.
  std::vector<int32_t> added;
  for (const ContactRecord& r : phoneContacts()) {
    bool old = false;
    for (const ContactRecord& b : before) old = old || b.contactId == r.contactId;
    if (!old) added.push_back(r.contactId);
  }
  ASSERT_EQ(added.size(), before.size());
  for (size_t i = 0; i < before.size(); ++i)
    EXPECT_TRUE(sameCard(portableCard(before[i].contactId), portableCard(added[i]))) << before[i].name;
  EXPECT_EQ(exchangeForStatus(deleteContactsRequest(added), nullptr), AgentResult::Ok);
  DeleteFileW(path.c_str());
}

TEST_F(ContactsPageTest, VCardExportOfACutCardWritesNothingAnImportOnASilentPhoneStops) {
  if (!std::getenv("ZORVIK_TEST_CONTROL_PORT")) GTEST_SKIP();
  const std::wstring path = backupPath();
  DeleteFileW(path.c_str());
  ASSERT_EQ(phoneControl("reply truncate 870102 20").rfind("OK", 0), 0u);
  ui_.page->exportTo(path);
  ASSERT_TRUE(pumpUntil([&] { return !ui_.page->backupRunning(); }, 60000));
  EXPECT_EQ(ui_.page->backupText(), "导出失败：联系人读取不完整，文件未写入");
  EXPECT_EQ(ui_.host->status(), "【X】连接中断：手机端的回复不完整");
  EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW((path + L".part").c_str()), INVALID_FILE_ATTRIBUTES);
  phoneControl("reset");

  // Three cards, the phone silent from the first add on: nothing added, all three counted.
  const std::string three = "BEGIN:VCARD\r\nFN:A\r\nEND:VCARD\r\nBEGIN:VCARD\r\nFN:B\r\nEND:VCARD\r\n"
                            "BEGIN:VCARD\r\nTEL:1\r\nEND:VCARD\r\n";
  {
    UniqueFileHandle f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD wrote = 0;
    ASSERT_TRUE(WriteFile(f.get(), three.data(), static_cast<DWORD>(three.size()), &wrote, nullptr));
  }
  ShortDeadlines deadlines;
  const int rows = ui_.page->list().count();
  ASSERT_EQ(phoneControl("reply pieces 1 10000").rfind("OK", 0), 0u);
  ui_.page->importFrom(path);
  ASSERT_TRUE(pumpUntil([&] { return !ui_.page->backupRunning(); }, 30000));
  EXPECT_EQ(ui_.page->backupText(), "导入 0 条，跳过 3 条");
  waitLoaded();  // a card was sent: the list is read again (and meets the silent phone too)
  EXPECT_EQ(ui_.host->status(), "【X】连接超时：手机端没有响应");
  phoneControl("reset");
  // The first add may have reached the phone before it went silent; the rest were never sent.
  EXPECT_LE(static_cast<int>(phoneContacts().size()), rows + 1);
  ui_.page->reload();
  waitLoaded();
  DeleteFileW(path.c_str());

  ui_.page->importFrom(L"Z:\\no\\such\\file.vcf");
  ASSERT_TRUE(pumpUntil([&] { return !ui_.page->backupRunning(); }, 10000));
  EXPECT_EQ(ui_.page->backupText(), "导入失败：无法读取文件");
}

// Run with --contacts 5000 (contacts_vphone.sh does): the time from the request to the filled list.
TEST_F(ContactsPageTest, BenchLoadFiveThousand) {
  if (!std::getenv("ZORVIK_TEST_BENCH")) GTEST_SKIP();
  ASSERT_GE(ui_.page->list().count(), 5000);
  double best = 1e9;
  for (int i = 0; i < 3; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    ui_.page->reload();
    ASSERT_TRUE(pumpUntil([&] { return !ui_.page->listLoading(); }, 30000));
    UpdateWindow(ui_.page->list().hwnd());
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    best = std::min(best, ms);
    std::printf("[bench] %d contacts loaded into the page in %.0f ms\n", ui_.page->list().count(), ms);
    pumpUntil([&] { return !ui_.page->cardLoading(); });
  }
  // The target is 1.5 s; an idle build machine does it in about 0.25 s, a loaded one (two cores
  // shared with compilers) in up to 1.6 s. The bound catches a slow path, not a busy machine.
  std::printf("[bench] best %.0f ms (target 1500 ms)\n", best);
  EXPECT_LT(best, 5000.0);
}

// ---- the connection wired into the main window, against the same phone

std::string besideTheTest(const char* name) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s = path;
  return s.substr(0, s.find_last_of('\\') + 1) + name;
}

constexpr const char* kPhone = "ZRVK0A1B2C3D4E5F";

class PhoneLink : public ::testing::Test {
protected:
  void SetUp() override {
    const char* adbPort = std::getenv("ZORVIK_TEST_ADB_PORT");
    if (!adbPort || !std::getenv("ZORVIK_TEST_CONTROL_PORT")) GTEST_SKIP() << "run through contacts_vphone.sh";
    savedServer_ = adbServerPort();
    setAdbServerPort(static_cast<uint16_t>(std::atoi(adbPort)));
    options_.adbPath = besideTheTest("adb.exe");
    options_.agentStartWaitMs = 300;
  }
  void TearDown() override {
    if (window_) DestroyWindow(window_->hwnd());
    if (link_) link_->shutdown();
    pump(50);
    window_.reset();
    link_.reset();
    if (savedServer_) setAdbServerPort(savedServer_);
    phoneControl("reset");
  }
  void open() {
    link_ = std::make_unique<ConnectionLink>(options_);
    window_ = std::make_unique<MainWindow>(link_->windowOptions(false));
    link_->attach(*window_);
    ASSERT_TRUE(window_->createModeless(nullptr));
    ShowWindow(window_->hwnd(), SW_SHOW);
  }
  std::string label() { return windowText(GetDlgItem(window_->hwnd(), IDC_CONNECTION_LABEL)); }
  bool labelBecomes(const std::string& want, int ms) {
    return pumpUntil([&] { return label() == want; }, ms);
  }

  ConnectionOptions options_;
  std::unique_ptr<ConnectionLink> link_;
  std::unique_ptr<MainWindow> window_;
  uint16_t savedServer_ = 0;
};

TEST_F(PhoneLink, ARemovedPhoneDisconnectsAtOnceAndComesBackWithoutAClick) {
  open();
  ASSERT_TRUE(labelBecomes("连接成功:)", 30000)) << label();
  ASSERT_EQ(phoneControl(std::string("device remove ") + kPhone).rfind("OK", 0), 0u);
  const auto t0 = std::chrono::steady_clock::now();
  ASSERT_TRUE(labelBecomes("【提示】检测到一个设备断开", 3000)) << label();
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(3));
  EXPECT_EQ(window_->connectionState(), 0);
  ASSERT_EQ(phoneControl(std::string("device add ") + kPhone).rfind("OK", 0), 0u);
  EXPECT_TRUE(labelBecomes("连接成功:)", 20000)) << label();
  EXPECT_EQ(window_->connectionState(), 2);
  // Plugged in again but not allowed yet: named; allowed on the phone: connected.
  phoneControl(std::string("device remove ") + kPhone);
  ASSERT_TRUE(labelBecomes("【提示】检测到一个设备断开", 3000)) << label();
  phoneControl(std::string("device add ") + kPhone + " unauthorized");
  EXPECT_TRUE(labelBecomes("【提示】请在手机上允许USB调试", 3000)) << label();
  test::saveWindowPng(window_->hwnd(), test::artifactPath("mainwindow-unauthorized.png"));
  phoneControl(std::string("device state ") + kPhone + " device");
  EXPECT_TRUE(labelBecomes("连接成功:)", 20000)) << label();
  EXPECT_GE(queryAgentVersion(), 20);  // the forward the suite's pages use answers again
}

TEST_F(PhoneLink, ClosingWhileTheContactsLoadIsBlockedEndsWithinTwoSeconds) {
  options_.adbPath = "Z:\\nonexistent\\adb.exe";  // no connection attempt in the way
  options_.trackDevices = false;
  setAgentDeadlines(AgentDeadlines{});  // the real 15 s: closing must not wait for it
  ASSERT_EQ(phoneControl("reply pieces 1 10000").rfind("OK", 0), 0u);
  open();
  PageDataTable::instance().forget(1);
  window_->showPage(1, 10);
  auto* contacts = dynamic_cast<ContactsPage*>(window_->page(10));
  ASSERT_NE(contacts, nullptr);
  ASSERT_TRUE(contacts->listLoading());
  pump(500);  // the exchange is now waiting on the silent phone
  ASSERT_TRUE(contacts->listLoading());
  EXPECT_TRUE(contacts->busy());
  EXPECT_EQ(windowText(GetDlgItem(window_->hwnd(), IDC_STATUS_LINE)), "正在读取...");
  test::saveWindowPng(window_->hwnd(), test::artifactPath("contacts-loading.png"));
  const auto t0 = std::chrono::steady_clock::now();
  PostMessageA(window_->hwnd(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(pumpUntil([&] { return !IsWindow(window_->hwnd()); }, 2000));
  link_->shutdown();
  // The page's worker ended with it (its result, dropped, never reached the closed page).
  EXPECT_TRUE(pumpUntil([&] { return contacts->workersRunning() == 0; }, 2000));
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  std::printf("[close] window closed and the blocked exchange ended in %.0f ms\n", ms);
  EXPECT_LT(ms, 2000.0);
}

}  // namespace
}  // namespace zorvik
