#include "pim/ContactEditor.h"

#include "app/Controls.h"
#include "devlink/AgentSession.h"
#include "pim/ContactWire.h"
#include "pim/ContactsResource.h"

namespace zorvik {

namespace {
constexpr const char* kConnectError = "【X】连接错误";

struct RowIds {
  int kind;
  int text;
};
constexpr RowIds kPhoneRows[3] = {{IDC_EDITOR_PHONE_KIND1, IDC_EDITOR_PHONE1},
                                  {IDC_EDITOR_PHONE_KIND2, IDC_EDITOR_PHONE2},
                                  {IDC_EDITOR_PHONE_KIND3, IDC_EDITOR_PHONE3}};

template <size_t N>
void fill(HWND combo, const char* const (&captions)[N]) {
  ComboBox box(combo);
  box.clear();
  for (const char* c : captions) box.add(c);
}
}  // namespace

ContactEditor::ContactEditor(PageHost& host, bool addMode, int32_t contactId)
    : Dialog(IDD_CONTACT_EDITOR), host_(host), addMode_(addMode), contactId_(contactId) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    SetWindowTextA(hwnd(), addMode_ ? kAddContactTitle : kModifyContactTitle);
    fillDropDowns();
    showForm(newContactForm());
    Label(hwnd(), IDC_EDITOR_STATUS).setText(kEditorReady);
    if (!addMode_) loadCard();
    m.result = TRUE;
  });
  map_.onCommand(IDC_EDITOR_SAVE, [this](WinMsg& m) {
    if (m.commandCode() != BN_CLICKED) return;
    if (save()) end(IDOK);
  });
  map_.onCommand(IDC_EDITOR_CANCEL, [this](WinMsg& m) {
    if (m.commandCode() == BN_CLICKED) end(IDCANCEL);
  });
}

void ContactEditor::fillDropDowns() {
  for (const RowIds& r : kPhoneRows) fill(item(r.kind), kPhoneKindCaptions);
  fill(item(IDC_EDITOR_EMAIL_KIND), kEmailKindCaptions);
  fill(item(IDC_EDITOR_IM_KIND), kImProtocolCaptions);
}

// The phone is asked synchronously: the agent is on this machine and answers at once, and the
// form has nothing to show before the answer.
void ContactEditor::loadCard() {
  loaded_ = ContactCard{};
  AgentBody body;
  AgentResult r = exchangeForBody(contactDetailsRequest(contactId_), body);
  if (r == AgentResult::ConnectFailed) {
    host_.setStatusText(kConnectError);
    return;
  }
  if (r != AgentResult::Ok || !body.complete) return;
  ContactCard card;
  parseContactCard(body.bytes.data(), body.bytes.size(), card);
  loaded_ = std::move(card);
  showForm(formFromCard(loaded_));
}

ContactForm ContactEditor::readForm() const {
  ContactForm f;
  f.starred = Button(hwnd(), IDC_EDITOR_STARRED).checked();
  f.name = Edit(hwnd(), IDC_EDITOR_NAME).text();
  f.nickname = Edit(hwnd(), IDC_EDITOR_NICKNAME).text();
  f.notes = Edit(hwnd(), IDC_EDITOR_NOTES).text();
  for (int i = 0; i < 3; ++i) {
    f.phones[i].kindIndex = ComboBox(hwnd(), kPhoneRows[i].kind).selected();
    f.phones[i].text = Edit(hwnd(), kPhoneRows[i].text).text();
  }
  f.im.kindIndex = ComboBox(hwnd(), IDC_EDITOR_IM_KIND).selected();
  f.im.text = Edit(hwnd(), IDC_EDITOR_IM).text();
  f.email.kindIndex = ComboBox(hwnd(), IDC_EDITOR_EMAIL_KIND).selected();
  f.email.text = Edit(hwnd(), IDC_EDITOR_EMAIL).text();
  f.address = Edit(hwnd(), IDC_EDITOR_ADDRESS).text();
  f.organization = Edit(hwnd(), IDC_EDITOR_ORGANIZATION).text();
  f.webPage = Edit(hwnd(), IDC_EDITOR_WEBPAGE).text();
  return f;
}

void ContactEditor::showForm(const ContactForm& f) {
  Button(hwnd(), IDC_EDITOR_STARRED).setChecked(f.starred);
  Edit(hwnd(), IDC_EDITOR_NAME).setText(f.name);
  Edit(hwnd(), IDC_EDITOR_NICKNAME).setText(f.nickname);
  Edit(hwnd(), IDC_EDITOR_NOTES).setText(f.notes);
  for (int i = 0; i < 3; ++i) {
    ComboBox(hwnd(), kPhoneRows[i].kind).select(f.phones[i].kindIndex);
    Edit(hwnd(), kPhoneRows[i].text).setText(f.phones[i].text);
  }
  ComboBox(hwnd(), IDC_EDITOR_IM_KIND).select(f.im.kindIndex);
  Edit(hwnd(), IDC_EDITOR_IM).setText(f.im.text);
  ComboBox(hwnd(), IDC_EDITOR_EMAIL_KIND).select(f.email.kindIndex);
  Edit(hwnd(), IDC_EDITOR_EMAIL).setText(f.email.text);
  Edit(hwnd(), IDC_EDITOR_ADDRESS).setText(f.address);
  Edit(hwnd(), IDC_EDITOR_ORGANIZATION).setText(f.organization);
  Edit(hwnd(), IDC_EDITOR_WEBPAGE).setText(f.webPage);
}

bool ContactEditor::save() {
  ContactForm form = readForm();
  SaveResult result = addMode_ ? saveNewContact(form) : saveChangedContact(loaded_, form);
  Label(hwnd(), IDC_EDITOR_STATUS).setText(result.status);
  if (!result.ok) return false;
  Bytes request = addMode_ ? addContactRequest(result.card) : updateContactRequest(contactId_, result.card);
  // The reply is one status word the form does not act on; a refused connection is reported on
  // the main window and the page reloads as after any save.
  if (exchangeForStatus(request) == AgentResult::ConnectFailed) host_.setStatusText(kConnectError);
  return true;
}

}  // namespace zorvik
