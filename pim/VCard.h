#pragma once
// vCard 3.0 files of the contacts: the backup a user can open in other address books and read
// back. Written in UTF-8 with CRLF lines folded at 75 octets (never inside a character) and the
// text escaping of RFC 6350 ("\\", ",", ";", newlines); read leniently and in time linear in the
// file: 2.1, 3.0 and 4.0 cards, LF or CRLF, folded lines, QUOTED-PRINTABLE (soft breaks per RFC
// 2045) and BASE64 values, CHARSET (UTF-8, GBK/GB2312/GB18030, BIG5, ISO-8859-1, Windows-1252),
// raw 8-bit text without one (valid UTF-8, else GBK), UTF-16 files with a byte order mark, "tel:"
// numbers; unknown properties ignored.
//
// Written from the phone's UTF-8 bytes where the card holds them, else from its ANSI texts; read
// texts carry their UTF-8 (what the phone is sent) and the ANSI copy (common/TextConv.h).
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "pim/Contact.h"

namespace zorvik {

// One contact of a vCard file: the card's texts and entries, and the photo's encoded bytes.
struct VCardContact {
  ContactCard card;
  std::string photo;
};

// The file for `contacts`, in order.
std::string writeVCards(const std::vector<VCardContact>& contacts);

struct VCardReadResult {
  std::vector<VCardContact> contacts;  // the cards with a name or a number, entries marked new
  size_t skipped = 0;                  // BEGIN…END blocks with neither, or cut off at the end
};
// Reads every card of a file. Input beyond kMaxVCardFile is not read (counted as skipped when a
// card started there); a photo longer than kMaxContactPhoto is dropped, the card kept.
inline constexpr size_t kMaxVCardFile = 64u << 20;
// Cards beyond this many are counted as skipped (no phone holds more; a file of tiny cards must not
// take gigabytes), and so are the entries of a list beyond kMaxCardEntries.
inline constexpr size_t kMaxVCardContacts = 100000;
VCardReadResult readVCards(std::string_view file);

// Text escaping and line folding, as the writer does them (for tests and other writers).
std::string vcardEscape(std::string_view utf8);
std::string vcardFoldLine(std::string_view line);

}  // namespace zorvik
