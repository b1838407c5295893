#include "pim/ContactForm.h"

#include <iterator>

#include "common/TextConv.h"

namespace zorvik {
namespace {

constexpr int32_t kPhoneKinds[] = {1, 2, 3, 4, 5, 6, 7, 0};
constexpr int32_t kEmailKinds[] = {1, 2, 3, 4, 0};
constexpr int32_t kImProtocols[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, -1};

template <size_t N>
int32_t kindAt(const int32_t (&kinds)[N], int index) {
  return index >= 0 && static_cast<size_t>(index) < N ? kinds[index] : kinds[N - 1];
}

// A kind the list does not hold selects the last entry, "自定义".
template <size_t N>
int indexOf(const int32_t (&kinds)[N], int32_t kind) {
  for (size_t i = 0; i + 1 < N; ++i)
    if (kinds[i] == kind) return static_cast<int>(i);
  return static_cast<int>(N - 1);
}

// A card text as the form shows it: the phone's UTF-8 bytes when the card holds them.
std::string formText(const std::string& ansi, const std::string& utf8) { return utf8.empty() ? toUtf8(ansi) : utf8; }

// A form text into a card: the UTF-8 that is sent, and the ANSI copy the pages show.
void setText(std::string& ansi, std::string& utf8, const std::string& text) {
  utf8 = text;
  ansi = toAnsi(text);
}

void fillSingle(ContactSingle& single, const std::string& text) {
  single.present = true;
  setText(single.value, single.utf8, text);
}

// The single texts of modify mode: present with "change" when loaded present, "new" otherwise;
// an empty edit makes the item absent. A text the user left as loaded stays unchanged, with its
// UTF-8 bytes: rewriting it from the GBK copy would put "?" over what GBK cannot hold.
void changeSingle(ContactSingle& single, const std::string& text) {
  if (single.present && text == formText(single.value, single.utf8)) return;
  if (!text.empty()) {
    single.operation = single.present ? kOpChange : kOpNew;
    single.present = true;
    setText(single.value, single.utf8, text);
  } else {
    single.operation = kOpDelete;
    single.present = false;
  }
}

// As changeSingle; a new kind alone changes the entry but keeps its bytes.
void changeEntry(ContactItem& entry, const std::string& text, int32_t kind) {
  const std::string loaded = formText(entry.value, entry.utf8);
  if (!loaded.empty() && text == loaded) {
    if (kind != entry.kind) {
      entry.kind = kind;
      entry.operation = kOpChange;
    }
    return;
  }
  if (!text.empty()) {
    if (loaded.empty()) {
      entry.rowId = -1;
      entry.operation = kOpNew;
    } else {
      entry.operation = kOpChange;
    }
    entry.kind = kind;
    setText(entry.value, entry.utf8, text);
  } else if (!loaded.empty()) {
    entry.operation = kOpDelete;
  }
}

// Entry 0 of a list without placeholders: a new entry when the list is empty.
void changeFirst(std::vector<ContactItem>& list, const std::string& text, int32_t kind) {
  if (list.empty()) {
    if (!text.empty()) list.push_back(ContactItem{-1, kind, toAnsi(text), kOpNew, text});
    return;
  }
  changeEntry(list[0], text, kind);
}

// The web-page, organization and address rows have no kind control: an entry the user left as
// loaded keeps its kind; a new or retyped one gets kind 0.
void changeFirstWithoutKind(std::vector<ContactItem>& list, const std::string& text) {
  const bool untouched = !list.empty() && !text.empty() && text == formText(list[0].value, list[0].utf8);
  changeFirst(list, text, untouched ? list[0].kind : 0);
}

void addIfText(std::vector<ContactItem>& list, const std::string& text, int32_t kind) {
  if (!text.empty()) list.push_back(ContactItem{0, kind, toAnsi(text), kOpNew, text});
}

}  // namespace

const char* const kPhoneKindCaptions[8] = {"个人", "手机", "公司电话", "公司传真", "个人传真", "寻呼机", "其他", "自定义"};
const char* const kEmailKindCaptions[5] = {"个人", "工作", "其他", "手机邮箱", "自定义"};
const char* const kImProtocolCaptions[10] = {"AIM", "MSN", "雅虎通", "Skype", "QQ",
                                             "GTalk", "ICQ", "Jabber", "NetMeeting", "自定义"};

int32_t phoneKindAt(int index) { return kindAt(kPhoneKinds, index); }
int phoneIndexOf(int32_t kind) { return indexOf(kPhoneKinds, kind); }
int32_t emailKindAt(int index) { return kindAt(kEmailKinds, index); }
int emailIndexOf(int32_t kind) { return indexOf(kEmailKinds, kind); }
int32_t imProtocolAt(int index) { return kindAt(kImProtocols, index); }
int imIndexOf(int32_t protocol) { return indexOf(kImProtocols, protocol); }

ContactForm newContactForm() {
  ContactForm form;
  form.phones[0].kindIndex = 1;  // 手机
  form.phones[1].kindIndex = 2;  // 公司电话
  form.phones[2].kindIndex = 0;  // 个人
  form.email.kindIndex = 0;      // 个人
  form.im.kindIndex = 4;         // QQ
  return form;
}

ContactForm formFromCard(const ContactCard& card) {
  ContactForm form = newContactForm();
  form.starred = card.starred;
  auto single = [](const ContactSingle& s) { return s.present ? formText(s.value, s.utf8) : std::string(); };
  auto entry = [](const ContactItem& i) { return formText(i.value, i.utf8); };
  form.name = single(card.displayName);
  form.nickname = single(card.nickname);
  form.notes = single(card.notes);
  for (size_t i = 0; i < 3 && i < card.phones.size(); ++i) {
    form.phones[i].text = entry(card.phones[i]);
    form.phones[i].kindIndex = phoneIndexOf(card.phones[i].kind);
  }
  if (!card.ims.empty()) form.im = {imIndexOf(card.ims[0].kind), entry(card.ims[0])};
  if (!card.emails.empty()) form.email = {emailIndexOf(card.emails[0].kind), entry(card.emails[0])};
  if (!card.webPages.empty()) form.webPage = entry(card.webPages[0]);
  if (!card.organizations.empty()) form.organization = entry(card.organizations[0]);
  if (!card.addresses.empty()) form.address = entry(card.addresses[0]);
  return form;
}

SaveResult saveNewContact(const ContactForm& form) {
  SaveResult result;
  if (form.name.empty()) {
    result.status = kEditorNameRequired;
    return result;
  }
  ContactCard& card = result.card;
  card.starred = form.starred;
  fillSingle(card.displayName, form.name);
  if (!form.nickname.empty()) fillSingle(card.nickname, form.nickname);
  if (!form.notes.empty()) fillSingle(card.notes, form.notes);
  for (const ContactFormRow& row : form.phones) addIfText(card.phones, row.text, phoneKindAt(row.kindIndex));
  addIfText(card.ims, form.im.text, imProtocolAt(form.im.kindIndex));
  addIfText(card.emails, form.email.text, emailKindAt(form.email.kindIndex));
  addIfText(card.webPages, form.webPage, 0);
  addIfText(card.organizations, form.organization, 0);
  addIfText(card.addresses, form.address, 0);
  result.ok = true;
  return result;
}

SaveResult saveChangedContact(const ContactCard& loaded, const ContactForm& form) {
  SaveResult result;
  // As in add mode: an empty name would be sent as absent and erase the contact's name.
  if (form.name.empty()) {
    result.status = kEditorNameRequired;
    return result;
  }
  result.card = loaded;
  ContactCard& card = result.card;
  card.starred = form.starred;
  changeSingle(card.displayName, form.name);
  changeSingle(card.nickname, form.nickname);
  changeSingle(card.notes, form.notes);
  for (size_t k = 0; k < 3; ++k) {
    if (card.phones.size() <= k) card.phones.push_back(ContactItem{-1, 0, {}, kOpUnchanged});
    changeEntry(card.phones[k], form.phones[k].text, phoneKindAt(form.phones[k].kindIndex));
  }
  changeFirst(card.ims, form.im.text, imProtocolAt(form.im.kindIndex));
  changeFirst(card.emails, form.email.text, emailKindAt(form.email.kindIndex));
  changeFirstWithoutKind(card.webPages, form.webPage);
  changeFirstWithoutKind(card.organizations, form.organization);
  changeFirstWithoutKind(card.addresses, form.address);
  result.ok = true;
  return result;
}

}  // namespace zorvik
