#include "pim/win/ContactEditor.h"

#include <utility>

#include "common/win/WideText.h"
#include "ui/Controls.h"
#include "pim/ContactWire.h"
#include "pim/win/ContactsResource.h"

namespace zorvik {

namespace {

struct RowIds {
  int kind;
  int text;
};
constexpr RowIds kPhoneRows[3] = {{IDC_EDITOR_PHONE_KIND1, IDC_EDITOR_PHONE1},
                                  {IDC_EDITOR_PHONE_KIND2, IDC_EDITOR_PHONE2},
                                  {IDC_EDITOR_PHONE_KIND3, IDC_EDITOR_PHONE3}};

// The edit boxes are read and written in Unicode, as UTF-8: what GBK cannot hold stays in them.
std::string utf8Text(HWND dialog, int id) {
  const HWND edit = GetDlgItem(dialog, id);
  const int length = GetWindowTextLengthW(edit);
  if (length <= 0) return {};
  std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
  wide.resize(static_cast<size_t>(GetWindowTextW(edit, wide.data(), length + 1)));
  return fromWide(wide, CP_UTF8);
}
void setUtf8Text(HWND dialog, int id, const std::string& utf8) {
  SetWindowTextW(GetDlgItem(dialog, id), toWide(utf8, CP_UTF8).c_str());
}

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
    setStatus(kEditorReady);
    if (!addMode_) loadCard();
    m.result = TRUE;
  });
  map_.onCommand(IDC_EDITOR_SAVE, [this](WinMsg& m) {
    if (m.commandCode() == BN_CLICKED) save();
  });
  map_.on(WM_SETCURSOR, [this](WinMsg& m) {
    if (working() && LOWORD(m.lp) == HTCLIENT) {
      SetCursor(LoadCursor(nullptr, IDC_APPSTARTING));
      m.result = TRUE;
    } else {
      m.handled = false;
    }
  });
  // "取消", Esc and the title-bar close. While the save is on its way the phone may already hold
  // it: the form waits for the answer (or the deadline), so a contact is never added twice.
  map_.onCommand(IDC_EDITOR_CANCEL, [this](WinMsg& m) {
    if (m.commandCode() == BN_CLICKED && !saving_) end(IDCANCEL);
  });
}

void ContactEditor::setStatus(const char* text) { Label(hwnd(), IDC_EDITOR_STATUS).setText(text); }

void ContactEditor::updateSaveButton() {
  EnableWindow(item(IDC_EDITOR_SAVE), !working() && (addMode_ || cardRead_));
  EnableWindow(item(IDC_EDITOR_CANCEL), !saving_);
}

void ContactEditor::fillDropDowns() {
  for (const RowIds& r : kPhoneRows) fill(item(r.kind), kPhoneKindCaptions);
  fill(item(IDC_EDITOR_EMAIL_KIND), kEmailKindCaptions);
  fill(item(IDC_EDITOR_IM_KIND), kImProtocolCaptions);
}

// Read on a worker: a silent phone must not freeze the window. Until the card is in, the form
// cannot save.
void ContactEditor::loadCard() {
  loaded_ = ContactCard{};
  cardRead_ = false;
  loading_ = true;
  setStatus(kEditorReading);
  updateSaveButton();
  work_.run(
      [id = contactId_](ExchangeCancel* cancel) {
        std::pair<AgentResult, ContactCard> out;
        AgentBody body;
        out.first = exchangeForBody(contactDetailsRequest(id), body, cancel);
        if (out.first == AgentResult::Ok && !parseContactCard(body.bytes.data(), body.bytes.size(), out.second))
          out.first = AgentResult::Malformed;
        return out;
      },
      [this](std::pair<AgentResult, ContactCard>& out) { cardLoaded(out.first, out.second); });
}

void ContactEditor::cardLoaded(AgentResult result, ContactCard& card) {
  loading_ = false;
  if (result == AgentResult::Ok) {
    loaded_ = std::move(card);
    cardRead_ = true;
    showForm(formFromCard(loaded_));
    setStatus(kEditorReady);
  } else {
    // Refused, failed or cut: the form stays empty and cannot save, so a blank form is never
    // written over the contact.
    if (const char* failure = agentFailureText(result)) host_.setStatusText(failure);
    setStatus(kEditorReadFailed);
  }
  updateSaveButton();
}

ContactForm ContactEditor::readForm() const {
  const HWND d = hwnd();
  ContactForm f;
  f.starred = Button(d, IDC_EDITOR_STARRED).checked();
  f.name = utf8Text(d, IDC_EDITOR_NAME);
  f.nickname = utf8Text(d, IDC_EDITOR_NICKNAME);
  f.notes = utf8Text(d, IDC_EDITOR_NOTES);
  for (int i = 0; i < 3; ++i) {
    f.phones[i].kindIndex = ComboBox(d, kPhoneRows[i].kind).selected();
    f.phones[i].text = utf8Text(d, kPhoneRows[i].text);
  }
  f.im.kindIndex = ComboBox(d, IDC_EDITOR_IM_KIND).selected();
  f.im.text = utf8Text(d, IDC_EDITOR_IM);
  f.email.kindIndex = ComboBox(d, IDC_EDITOR_EMAIL_KIND).selected();
  f.email.text = utf8Text(d, IDC_EDITOR_EMAIL);
  f.address = utf8Text(d, IDC_EDITOR_ADDRESS);
  f.organization = utf8Text(d, IDC_EDITOR_ORGANIZATION);
  f.webPage = utf8Text(d, IDC_EDITOR_WEBPAGE);
  return f;
}

void ContactEditor::showForm(const ContactForm& f) {
  const HWND d = hwnd();
  Button(d, IDC_EDITOR_STARRED).setChecked(f.starred);
  setUtf8Text(d, IDC_EDITOR_NAME, f.name);
  setUtf8Text(d, IDC_EDITOR_NICKNAME, f.nickname);
  setUtf8Text(d, IDC_EDITOR_NOTES, f.notes);
  for (int i = 0; i < 3; ++i) {
    ComboBox(d, kPhoneRows[i].kind).select(f.phones[i].kindIndex);
    setUtf8Text(d, kPhoneRows[i].text, f.phones[i].text);
  }
  ComboBox(d, IDC_EDITOR_IM_KIND).select(f.im.kindIndex);
  setUtf8Text(d, IDC_EDITOR_IM, f.im.text);
  ComboBox(d, IDC_EDITOR_EMAIL_KIND).select(f.email.kindIndex);
  setUtf8Text(d, IDC_EDITOR_EMAIL, f.email.text);
  setUtf8Text(d, IDC_EDITOR_ADDRESS, f.address);
  setUtf8Text(d, IDC_EDITOR_ORGANIZATION, f.organization);
  setUtf8Text(d, IDC_EDITOR_WEBPAGE, f.webPage);
}

bool ContactEditor::save() {
  if (working()) return false;
  if (!addMode_ && !cardRead_) {
    setStatus(kEditorReadFailed);
    return false;
  }
  ContactForm form = readForm();
  SaveResult result = addMode_ ? saveNewContact(form) : saveChangedContact(loaded_, form);
  setStatus(result.status);
  if (!result.ok) return false;
  Bytes request = addMode_ ? addContactRequest(result.card) : updateContactRequest(contactId_, result.card);
  saving_ = true;
  setStatus(kEditorSaving);
  updateSaveButton();
  // The reply is one status word the form does not act on.
  work_.run([request](ExchangeCancel* cancel) { return exchangeForStatus(request, nullptr, cancel); },
            [this](AgentResult r) { saved(r); });
  return true;
}

void ContactEditor::saved(AgentResult result) {
  saving_ = false;
  if (result == AgentResult::Ok) {
    end(IDOK);
    return;
  }
  // What the user typed stays in the form: saving again or cancelling is theirs to choose.
  const char* failure = agentFailureText(result);
  if (failure) host_.setStatusText(failure);
  setStatus(failure ? failure : kEditorReady);
  updateSaveButton();
}

}  // namespace zorvik
