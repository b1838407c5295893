#pragma once
// The records of the contacts page and the contact editor.
#include <cstdint>
#include <string>
#include <vector>

namespace zorvik {

// The largest photo a list row keeps; a longer one is dropped and the default picture is shown.
inline constexpr size_t kMaxContactPhoto = 262244;

// One row of the contacts list, in reply order.
struct ContactRecord {
  int32_t contactId = 0;   // low 32 bits of the contact's id: the key for 870102/870104/870106
  int32_t secondId = 0;    // carried, never used
  int32_t starred = 0;     // 1 when the phone said exactly 1
  std::string name;        // column 1, upper line (ANSI)
  std::string numberText;  // column 1, grey lower line
  std::string lastContactText;  // "N/A" or local time
  std::string photo;       // encoded image bytes; empty when none or too large
};

// Edit operations the phone applies to card entries in an update.
enum ContactOperation : int32_t {
  kOpNew = 0,
  kOpDelete = 1,
  kOpChange = 2,
  kOpUnchanged = 3,
};

// One entry of a multi-valued card field.
struct ContactItem {
  int32_t rowId = 0;  // low 32 bits of the entry's row id; -1 for a new entry
  int32_t kind = 0;
  std::string value;  // ANSI, for the form and the card; GBK may have lost characters
  int32_t operation = kOpUnchanged;
  // The phone's own UTF-8 bytes while value is what was loaded: they, not value, go back, so an
  // entry the user did not retype keeps every character. Cleared when the text is replaced.
  std::string utf8;
};

inline bool operator==(const ContactItem& a, const ContactItem& b) {
  return a.rowId == b.rowId && a.kind == b.kind && a.value == b.value && a.operation == b.operation;
}

// One single text of a card (extraText, displayName, nickname, notes).
struct ContactSingle {
  bool present = false;
  int32_t rowId = 0;
  std::string value;
  int32_t operation = kOpUnchanged;
  std::string utf8;  // as in ContactItem
};

struct ContactCard {
  bool starred = false;
  std::string lastContactText = "N/A";
  int32_t timesContacted = 0;
  ContactSingle extraText;  // value kept in UTF-8, exactly as the phone sent it; utf8 unused
  ContactSingle displayName, nickname, notes;
  std::vector<ContactItem> phones, groups, emails, ims, webPages, addresses, organizations;
};

}  // namespace zorvik
