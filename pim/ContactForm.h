#pragma once
// What the contact editor edits, apart from its window: the drop-down tables, the form values, and
// the save rules that turn (loaded card, form) into the card sent to the phone.
#include "pim/Contact.h"

#include <string>

namespace zorvik {

// Drop-down captions in list order, and index <-> kind mappings.
extern const char* const kPhoneKindCaptions[8];
extern const char* const kEmailKindCaptions[5];
extern const char* const kImProtocolCaptions[10];
int32_t phoneKindAt(int index);
int phoneIndexOf(int32_t kind);
int32_t emailKindAt(int index);
int emailIndexOf(int32_t kind);
int32_t imProtocolAt(int index);
int imIndexOf(int32_t protocol);

struct ContactFormRow {
  int kindIndex = 0;
  std::string text;
};

// The form's texts are UTF-8: the editor reads and writes its edit boxes in Unicode, so a field
// holding what GBK cannot (emoji, ñ, ß, Hebrew) keeps every character, touched or not.
struct ContactForm {
  bool starred = false;
  std::string name, nickname, notes;
  ContactFormRow phones[3];
  ContactFormRow im, email;
  std::string address, organization, webPage;
};

inline constexpr const char* kEditorReady = "就绪";
inline constexpr const char* kEditorNameRequired = "错误: 联系人姓名不能为空";
inline constexpr const char* kAddContactTitle = "添加联系人 - Zorvik";
inline constexpr const char* kModifyContactTitle = "修改联系人 - Zorvik";
inline constexpr const char* kEditorReading = "读取中...";
inline constexpr const char* kEditorSaving = "保存中...";
// The card could not be read: the form stays empty and cannot save, so nothing unread is written.
inline constexpr const char* kEditorReadFailed = "错误: 联系人读取失败，不能保存";

// A new form: phone rows "手机", "公司电话", "个人"; e-mail "个人"; IM "QQ".
ContactForm newContactForm();
// The form filled from a loaded card (modify mode).
ContactForm formFromCard(const ContactCard& card);

struct SaveResult {
  bool ok = false;
  const char* status = kEditorReady;  // the form's status line
  ContactCard card;                    // what is sent when ok
};

// Add mode: a new card built from the form; refused when the name is empty.
SaveResult saveNewContact(const ContactForm& form);
// Modify mode: the loaded card changed by the form, every entry carrying its operation; refused,
// like add mode, when the name is empty.
SaveResult saveChangedContact(const ContactCard& loaded, const ContactForm& form);

}  // namespace zorvik
