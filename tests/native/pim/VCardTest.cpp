#include "pim/VCard.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace zorvik {
namespace {

ContactItem item(int32_t kind, const char* value) { return ContactItem{-1, kind, value, kOpNew}; }

VCardContact fullContact() {
  VCardContact c;
  c.card.displayName = {true, -1, "张三", kOpNew};
  c.card.nickname = {true, -1, "小张", kOpNew};
  c.card.notes = {true, -1, "第一行\n第二行; 带分号, 逗号 \\ 反斜杠", kOpNew};
  for (int32_t kind : {1, 2, 3, 4, 5, 6, 7, 0}) c.card.phones.push_back(item(kind, ("1380013800" + std::to_string(kind)).c_str()));
  for (int32_t kind : {1, 2, 3, 4, 0}) c.card.emails.push_back(item(kind, ("m" + std::to_string(kind) + "@example.cn").c_str()));
  c.card.addresses = {item(1, "北京市海淀区, 中关村大街1号"), item(2, "上海;浦东"), item(3, "x"), item(0, "y")};
  c.card.organizations = {item(1, "卓维克科技"), item(2, "其他公司")};
  c.card.webPages = {item(1, "http://zorvik.example/"), item(7, "http://blog.example/")};
  c.card.ims = {item(4, "12345678"), item(-1, "custom-id"), item(3, "skype.name")};
  c.card.groups = {item(0, "家人"), item(0, "同事,朋友")};
  c.card.starred = true;
  c.photo = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(3000, '\0') + "tail";
  return c;
}

TEST(VCard, RoundTripKeepsEveryTextKindAndThePhoto) {
  const VCardContact original = fullContact();
  const std::string file = writeVCards({original, original});
  const VCardReadResult read = readVCards(file);
  ASSERT_EQ(read.contacts.size(), 2u);
  EXPECT_EQ(read.skipped, 0u);
  const ContactCard& back = read.contacts[0].card;
  EXPECT_EQ(back.displayName.value, original.card.displayName.value);
  EXPECT_EQ(back.nickname.value, original.card.nickname.value);
  EXPECT_EQ(back.notes.value, original.card.notes.value);
  EXPECT_EQ(back.phones, original.card.phones);
  EXPECT_EQ(back.emails, original.card.emails);
  EXPECT_EQ(back.addresses, original.card.addresses);
  EXPECT_EQ(back.organizations, original.card.organizations);
  EXPECT_EQ(back.webPages, original.card.webPages);
  EXPECT_EQ(back.ims, original.card.ims);
  EXPECT_EQ(back.groups, original.card.groups);
  EXPECT_TRUE(back.starred);
  EXPECT_EQ(read.contacts[0].photo, original.photo);
}

// What GBK cannot hold is written from the phone's bytes; numbers and URIs are not text-escaped;
// the name is N's given part; a photo of no known format is left out rather than mislabelled.
TEST(VCard, WrittenFromThePhonesBytesWithValueTypesKept) {
  VCardContact c;
  const std::string name = "Zo\xC3\xAB \xF0\x9F\x98\x80";
  c.card.displayName = {true, 1, "Zo? ?", kOpUnchanged, name};
  c.card.notes = {true, 2, "?", kOpUnchanged, "\xE2\x80\x8F\xD7\xA9;"};
  c.card.phones = {ContactItem{3, 2, "+1,2;3", kOpUnchanged, "+1,2;3"}};
  c.card.webPages = {ContactItem{4, 1, "http://x/?a=1,2;b", kOpUnchanged}};
  c.photo = "RIFF....WEBP";
  const std::string file = writeVCards({c});
  EXPECT_NE(file.find("\r\nFN:" + name + "\r\nN:;" + name + ";;;\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("NOTE:\xE2\x80\x8F\xD7\xA9\\;\r\n"), std::string::npos);
  EXPECT_NE(file.find(":+1,2;3\r\n"), std::string::npos);
  EXPECT_NE(file.find(":http://x/?a=1,2;b\r\n"), std::string::npos);
  EXPECT_EQ(file.find("PHOTO"), std::string::npos);
  EXPECT_NE(writeVCards({fullContact()}).find("PHOTO;ENCODING=b;TYPE=PNG:"), std::string::npos);
}

TEST(VCard, WrittenInUtf8WithEscapesAndFoldedLines) {
  const std::string file = writeVCards({fullContact()});
  EXPECT_EQ(file.rfind("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + std::string(u8"张三") + "\r\n", 0), 0u);
  EXPECT_NE(file.find(std::string("NOTE:") + u8"第一行\\n第二行\\; 带分号\\, 逗号 \\\\ 反斜杠\r\n"), std::string::npos);
  EXPECT_NE(file.find("TEL;TYPE=CELL,VOICE:13800138002\r\n"), std::string::npos);
  EXPECT_NE(file.find("TEL;TYPE=VOICE;X-KIND=0:13800138000\r\n"), std::string::npos);
  EXPECT_NE(file.find("X-QQ:12345678\r\n"), std::string::npos);
  // No physical line longer than 75 octets, and no fold inside a UTF-8 character.
  size_t start = 0;
  while (start < file.size()) {
    const size_t end = file.find("\r\n", start);
    ASSERT_NE(end, std::string::npos);
    EXPECT_LE(end - start, 75u);
    if (end > start) {
      EXPECT_NE(static_cast<unsigned char>(file[start]) & 0xC0, 0x80u) << "fold split a character";
    }
    start = end + 2;
  }
}

TEST(VCard, FoldingNeverSplitsAChineseCharacter) {
  std::string line = "NOTE:";
  for (int i = 0; i < 60; ++i) line += u8"汉";
  const std::string folded = vcardFoldLine(line);
  std::string unfolded;
  size_t start = 0, pieces = 0;
  for (;;) {
    const size_t end = folded.find("\r\n ", start);
    const std::string piece = folded.substr(start, end == std::string::npos ? std::string::npos : end - start);
    EXPECT_LE(piece.size() + (pieces ? 1 : 0), 75u);  // the continuation's leading space counts
    EXPECT_NE(static_cast<unsigned char>(piece[0]) & 0xC0, 0x80u) << "piece " << pieces << " starts mid-character";
    unfolded += piece;
    ++pieces;
    if (end == std::string::npos) break;
    start = end + 3;
  }
  EXPECT_EQ(unfolded, line);
  EXPECT_EQ(pieces, 3u);  // 185 octets
}

TEST(VCard, ReadsOtherWritersFiles) {
  // 2.1 from an older phone: bare types, quoted-printable with a soft break, LF lines, a group
  // prefix, a BOM; then a folded 3.0 card in CRLF; then unknown properties.
  const std::string file = std::string("\xEF\xBB\xBF") +
      "BEGIN:VCARD\nVERSION:2.1\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E6=9D=8E;=E5=9B=\n=9B;;;\n"
      "item1.TEL;CELL;VOICE:139 0000 0000\nTEL;WORK;FAX:010-1\nEMAIL;PREF;INTERNET:li@x.cn\nEND:VCARD\n"
      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ada\r\n  Lovelace\r\nORG:Analytical;Engines\r\nX-UNKNOWN;A=B:z\r\n"
      "PHOTO;ENCODING=BASE64;TYPE=JPEG:/9j/\r\n 4AA=\r\nEND:VCARD\r\n"
      "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Im\r\nIMPP;PREF=1:xmpp:im@example.org\r\nIMPP:sip:im@example.org\r\n"
      "CATEGORIES:a\\,b,,c\r\nEND:VCARD\r\n"
      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Lab\r\nitem1.TEL:1\r\nitem1.X-ABLabel:_$!<HomeFAX>!$_\r\nitem2.TEL:2\r\n"
      "item2.X-ABLabel:Boat\r\nitem3.EMAIL:a@b\r\nitem3.X-ABLabel:_$!<Work>!$_\r\nTITLE:Engineer\r\nORG:Acme\r\n"
      "item4.TEL;X-KIND=3:4\r\nitem4.X-ABLabel:Boat\r\nEND:VCARD\r\n";
  const VCardReadResult read = readVCards(file);
  ASSERT_EQ(read.contacts.size(), 4u);
  const ContactCard& lab = read.contacts[3].card;
  EXPECT_EQ(lab.phones, (std::vector<ContactItem>{item(5, "1"), item(0, "2"), item(3, "4")}));
  EXPECT_EQ(lab.emails, std::vector<ContactItem>{item(2, "a@b")});
  EXPECT_EQ(lab.organizations, std::vector<ContactItem>{item(1, "Acme Engineer")});
  const ContactCard& im = read.contacts[2].card;
  EXPECT_EQ(im.ims, (std::vector<ContactItem>{item(7, "im@example.org"), item(-1, "sip:im@example.org")}));
  EXPECT_EQ(im.groups, (std::vector<ContactItem>{item(0, "a,b"), item(0, "c")}));
  EXPECT_FALSE(im.starred);
  const ContactCard& li = read.contacts[0].card;
  EXPECT_EQ(li.displayName.value, "李四");
  ASSERT_EQ(li.phones.size(), 2u);
  EXPECT_EQ(li.phones[0], item(2, "139 0000 0000"));
  EXPECT_EQ(li.phones[1], item(4, "010-1"));
  EXPECT_EQ(li.emails[0], item(3, "li@x.cn"));
  const VCardContact& ada = read.contacts[1];
  EXPECT_EQ(ada.card.displayName.value, "Ada Lovelace");
  EXPECT_EQ(ada.card.organizations[0], item(1, "Analytical Engines"));
  EXPECT_EQ(ada.photo, std::string("\xFF\xD8\xFF\xE0\x00", 5));
}

// One card each, in the shapes other address books write (from RFC 2426, RFC 6350 and the vCard
// 2.1 standard): what the phone is sent (the UTF-8) for the name and the first number or note.
TEST(VCard, ReadsTheCharsetsAndEncodingsOfOtherAddressBooks) {
  enum class Wrap { None, Utf16Le, Utf16Be };
  const struct {
    const char* what;
    std::string body;  // between BEGIN and END
    std::string name, number, note;
    Wrap wrap = Wrap::None;
  } cases[] = {
      {"4.0 tel: URI", "VERSION:4.0\r\nFN:Bo\r\nTEL;VALUE=uri;TYPE=cell:tel:+86-139-0000-0000\r\n", "Bo",
       "+86-139-0000-0000", ""},
      {"ISO-8859-1 raw", "FN;CHARSET=ISO-8859-1:J\xF6rg\r\n", u8"Jörg", "", ""},
      {"ISO-8859-1 QP name", "N;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:M=FCller;J=F6rg\r\n", u8"Jörg Müller", "", ""},
      {"Windows-1252", "FN;CHARSET=WINDOWS-1252:\x80uro\r\n", u8"€uro", "", ""},
      {"BIG5, '\\' as trail byte", "FN;CHARSET=BIG5:\xB3\x5C\xA5\x5C\r\nNOTE;CHARSET=BIG5:\xB3\x5C\\n\r\n",
       u8"許功", "", u8"許\n"},
      {"GBK", "FN;CHARSET=GBK:\xD5\xC5\xC8\xFD\r\n", u8"张三", "", ""},
      {"GB2312 QP", "FN;CHARSET=GB2312;ENCODING=QUOTED-PRINTABLE:=D5=C5=C8=FD\r\n", u8"张三", "", ""},
      {"GB18030 four bytes", "FN;CHARSET=GB18030:A\x94\x39\xFC\x36\r\n", u8"A\U0001F600", "", ""},
      {"2.1 raw GBK, no CHARSET", "VERSION:2.1\nN:\xD5\xC5;\xC8\xFD\nTEL;CELL:139\n", u8"张三", "139", ""},
      {"raw UTF-8, no CHARSET", "FN:Zo\xC3\xAB \xF0\x9F\x98\x80\r\n", "Zo\xC3\xAB \xF0\x9F\x98\x80", "", ""},
      {"QP soft break keeps the next line's space",
       "FN:q\r\nNOTE;ENCODING=QUOTED-PRINTABLE:one=\r\n two=20=  \t\r\n three\r\n", "q", "", "one two  three"},
      {"QP soft break before the end", "FN:e\r\nNOTE;ENCODING=QUOTED-PRINTABLE:x=\r\n", "e", "", "x"},
      {"UTF-16LE with BOM", "FN:\xE5\xBC\xA0 \xF0\x9F\x98\x80\r\nTEL:tel:10086\r\n", u8"张 \U0001F600", "10086", "",
       Wrap::Utf16Le},
      {"UTF-16BE with BOM", "FN:Ann\r\n", "Ann", "", "", Wrap::Utf16Be},
  };
  for (const auto& c : cases) {
    std::string file = "BEGIN:VCARD\r\n" + c.body + "END:VCARD\r\n";
    if (c.wrap != Wrap::None) {
      // The same text in UTF-16 (code points from the UTF-8 above).
      std::u32string points;
      for (size_t i = 0; i < file.size();) {
        const auto b = static_cast<unsigned char>(file[i]);
        const size_t n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        char32_t cp = n == 1 ? b : b & (0x7F >> n);
        for (size_t k = 1; k < n; ++k) cp = cp << 6 | (static_cast<unsigned char>(file[i + k]) & 0x3F);
        points += cp;
        i += n;
      }
      std::string wide;
      auto unit = [&](uint32_t u) {
        const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        wide += c.wrap == Wrap::Utf16Le ? std::string{lo, hi} : std::string{hi, lo};
      };
      unit(0xFEFF);
      for (char32_t cp : points) {
        if (cp < 0x10000) {
          unit(cp);
        } else {
          unit(0xD800 + ((cp - 0x10000) >> 10));
          unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
      }
      file = wide;
    }
    const VCardReadResult read = readVCards(file);
    ASSERT_EQ(read.contacts.size(), 1u) << c.what;
    const ContactCard& card = read.contacts[0].card;
    EXPECT_EQ(card.displayName.utf8, c.name) << c.what;
    EXPECT_EQ(card.phones.empty() ? "" : card.phones[0].utf8, c.number) << c.what;
    EXPECT_EQ(card.notes.utf8, c.note) << c.what;
  }
}

// Crafted files are read in time linear in their size, whatever their shape: the soft breaks that
// once took the import worker quadratic time fill a whole file of the largest size read, the
// other shapes 4 MiB (a quadratic walk of either would take hours, not seconds).
TEST(VCard, HostileShapesAreReadInLinearTime) {
  const std::string head = "BEGIN:VCARD\nFN:x\n";
  auto repeated = [](const std::string& piece, size_t bytes) {
    std::string s;
    s.reserve(bytes + piece.size());
    while (s.size() < bytes) s += piece;
    return s;
  };
  const size_t size = 4u << 20;
  const struct {
    const char* what;
    std::string file;
  } cases[] = {
      {"soft breaks", head + "NOTE;ENCODING=QUOTED-PRINTABLE:" + repeated("a=\n", kMaxVCardFile - 64)},
      {"soft breaks before spaces", head + "NOTE;ENCODING=QUOTED-PRINTABLE:" + repeated("=\n ", size)},
      {"folds", head + "NOTE:" + repeated("\n z", size)},
      {"components", head + "N:" + repeated(";", size) + "\nADR:" + repeated(";", 1 << 20)},
      {"parameters", head + "TEL" + repeated(";TYPE=A,B", size) + ":1"},
      {"short lines", repeated("BEGIN:VCARD\na\n\n", size)},
      {"tiny cards", repeated("BEGIN:VCARD\nFN:x\nEND:VCARD\n", size)},
      {"many entries", head + repeated("TEL:1\nCATEGORIES:a,b,c\n", size) + "END:VCARD\n"},
  };
  for (const auto& c : cases) {
    const auto t0 = std::chrono::steady_clock::now();
    const VCardReadResult read = readVCards(c.file);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    std::printf("[timing] %s: %zu MiB in %.0f ms\n", c.what, c.file.size() >> 20, ms);
    EXPECT_LT(ms, 60000.0 * static_cast<double>(c.file.size()) / kMaxVCardFile + 5000.0) << c.what;
    EXPECT_LE(read.contacts.size() + read.skipped, c.file.size() / 10) << c.what;
    EXPECT_LE(read.contacts.size(), kMaxVCardContacts) << c.what;
    for (const VCardContact& contact : read.contacts) EXPECT_LE(contact.card.phones.size() + contact.card.groups.size(), 512u);
  }
}

TEST(VCard, HostileFilesEndCleanlyAndCountWhatIsSkipped) {
  // Nothing to add, a card never ended, a stray END, lines without colons, a huge photo.
  std::string file = "END:VCARD\nBEGIN:VCARD\nNOTE:only a note\nEND:VCARD\nBEGIN:VCARD\nno colon here\n;;;\n:\n"
                     "FN:kept\nPHOTO;ENCODING=b:";
  file += std::string((kMaxContactPhoto / 3 + 10) * 4, 'A');
  file += "\nEND:VCARD\nBEGIN:VCARD\nFN:cut off";
  const VCardReadResult read = readVCards(file);
  ASSERT_EQ(read.contacts.size(), 1u);
  EXPECT_EQ(read.contacts[0].card.displayName.value, "kept");
  EXPECT_TRUE(read.contacts[0].photo.empty());
  EXPECT_EQ(read.skipped, 2u);
  EXPECT_TRUE(readVCards("").contacts.empty());
  EXPECT_TRUE(readVCards("BEGIN:VCARD").contacts.empty());
}

}  // namespace
}  // namespace zorvik
