#include "pim/VCard.h"

#include <gtest/gtest.h>

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
      "PHOTO;ENCODING=BASE64;TYPE=JPEG:/9j/\r\n 4AA=\r\nEND:VCARD\r\n";
  const VCardReadResult read = readVCards(file);
  ASSERT_EQ(read.contacts.size(), 2u);
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
