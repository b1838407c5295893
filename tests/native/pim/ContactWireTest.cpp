// Contacts on the wire: the list and card replies as the phone sends them, and the add, update
// and delete requests byte for byte.
#include "pim/ContactCardHtml.h"
#include "pim/ContactForm.h"
#include "pim/ContactWire.h"
#include "support/BodyWriter.h"

#include <gtest/gtest.h>

namespace zorvik {
namespace {

using test::BodyWriter;

// "张三" and "联系人" in UTF-8 as the phone sends them, and in the program's GBK.
const std::string kZhangSanUtf8 = "\xE5\xBC\xA0\xE4\xB8\x89";
const std::string kZhangSan = "张三";

BodyWriter& listRecord(BodyWriter& w, int64_t id, const std::string& name, int32_t starred, const std::string& number,
                       int64_t lastContact, const std::string* photo = nullptr) {
  w.i64(id).i64(id + 1000).utf8(name).i32(starred).utf8(number).i64(lastContact).i32(7);
  if (photo) {
    w.i32(1).i64(static_cast<int64_t>(photo->size())).raw(*photo);
  } else {
    w.i32(0);
  }
  return w;
}

TEST(ContactList, RecordsInReplyOrderWithTheirFields) {
  auto w = BodyWriter::body();
  const std::string photo = "\x89PNG....";
  listRecord(w, 0x100000005LL, kZhangSanUtf8, 1, "13800138000", 0, &photo);
  listRecord(w, 6, "Bob", 2, "010-62345678", 1354000000000LL);
  w.i64(0).i64(0).i32(kAgentListEnd);
  const WireList<ContactRecord> list = parseContactList(w.bytes.data(), w.bytes.size());
  ASSERT_EQ(list.records.size(), 2u);
  EXPECT_FALSE(list.malformed);
  const ContactRecord& first = list.records[0];
  EXPECT_EQ(first.contactId, 5);  // low 32 bits
  EXPECT_EQ(first.secondId, 1005);
  EXPECT_EQ(first.name, kZhangSan);
  EXPECT_EQ(first.starred, 1);
  EXPECT_EQ(first.numberText, "13800138000");
  EXPECT_EQ(first.lastContactText, "N/A");
  EXPECT_EQ(first.photo, photo);
  const ContactRecord& second = list.records[1];
  EXPECT_EQ(second.starred, 0);  // only exactly 1 is starred
  EXPECT_EQ(second.lastContactText.size(), 19u);
  EXPECT_EQ(second.lastContactText.substr(0, 4), "2012");
  EXPECT_TRUE(second.photo.empty());
}

TEST(ContactList, EmptyStoreAndEndMarkOnTheFirstRecord) {
  auto header = BodyWriter::body();
  EXPECT_TRUE(parseContactList(header.bytes.data(), header.bytes.size()).records.empty());
  auto w = BodyWriter::body();
  w.i64(1).i64(2).i32(kAgentListEnd).i32(1).utf8("x");
  const WireList<ContactRecord> list = parseContactList(w.bytes.data(), w.bytes.size());
  EXPECT_TRUE(list.records.empty());
  EXPECT_FALSE(list.malformed);
}

TEST(ContactList, OversizedPhotoIsDroppedButTheContactStays) {
  auto w = BodyWriter::body();
  const std::string big(kMaxContactPhoto + 1, 'p');
  const std::string fits(kMaxContactPhoto, 'q');
  listRecord(w, 1, "Big", 0, "1", 0, &big);
  listRecord(w, 2, "Fits", 0, "2", 0, &fits);
  const WireList<ContactRecord> list = parseContactList(w.bytes.data(), w.bytes.size());
  ASSERT_EQ(list.records.size(), 2u);
  EXPECT_TRUE(list.records[0].photo.empty());
  EXPECT_EQ(list.records[1].photo.size(), kMaxContactPhoto);
}

TEST(ContactList, BodyCutAnywhereGivesOnlyWholeRecords) {
  auto w = BodyWriter::body();
  const std::string photo = "JPEGDATA";
  listRecord(w, 1, "A", 0, "1", 0, &photo);
  const size_t firstEnd = w.bytes.size();
  listRecord(w, 2, kZhangSanUtf8, 1, "2", 0, &photo);
  for (size_t cut = 4; cut < w.bytes.size(); ++cut) {
    const WireList<ContactRecord> list = parseContactList(w.bytes.data(), cut);
    EXPECT_EQ(list.records.size(), cut >= firstEnd ? 1u : 0u) << cut;
    // A cut that leaves fewer than two bytes after a record is a normal end, anything else malformed.
    EXPECT_EQ(list.malformed, cut != firstEnd && cut != firstEnd + 1 && cut > 5) << cut;
  }
}

TEST(ContactList, PhotoLengthBeyondTheBodyIsMalformed) {
  auto w = BodyWriter::body();
  w.i64(1).i64(2).utf8("A").i32(0).utf8("1").i64(0).i32(0).i32(1).i64(1LL << 40).raw("abc");
  const WireList<ContactRecord> list = parseContactList(w.bytes.data(), w.bytes.size());
  EXPECT_TRUE(list.records.empty());
  EXPECT_TRUE(list.malformed);
}

BodyWriter cardBody() {
  auto w = BodyWriter::body();
  w.i64(5).i32(1).i64(0).i64(0x100000003LL).i32(1).i64(0).i32(4).raw("FOTO");
  w.i32(1).i64(9).i32(0).utf8("extra \xF0\x9F\x98\x80");  // extraText, with a character GBK lacks
  w.i32(1).i64(10).i32(0).utf8(kZhangSanUtf8);           // displayName
  w.i32(0);                                               // nickname absent
  w.i32(1).i64(12).i32(0).utf8("note");                   // notes
  w.i32(2).i64(20).i32(2).utf8("13800138000").i64(21).i32(3).utf8("010-1");  // phones
  w.i32(1).i64(30).i32(0).utf8("Friends");                                    // groups
  w.i32(0);                                                                    // emails
  w.i32(1).i64(40).i32(4).utf8("12345");                                      // ims
  w.i32(-3);                                                                   // webPages: negative = empty
  w.i32(0).i32(0);                                                             // addresses, organizations
  return w;
}

TEST(ContactCard, EveryFieldLandsWhereItBelongs) {
  const auto w = cardBody();
  ContactCard card;
  ASSERT_TRUE(parseContactCard(w.bytes.data(), w.bytes.size(), card));
  EXPECT_TRUE(card.starred);
  EXPECT_EQ(card.lastContactText, "N/A");
  EXPECT_EQ(card.timesContacted, 3);
  EXPECT_EQ(card.extraText.value, "extra \xF0\x9F\x98\x80");  // kept as UTF-8
  EXPECT_EQ(card.displayName.value, kZhangSan);
  EXPECT_EQ(card.displayName.rowId, 10);
  EXPECT_FALSE(card.nickname.present);
  ASSERT_EQ(card.phones.size(), 2u);
  EXPECT_EQ(card.phones[1].rowId, 21);
  EXPECT_EQ(card.phones[1].kind, 3);
  EXPECT_EQ(card.groups[0].value, "Friends");
  EXPECT_EQ(card.ims[0].kind, 4);
  EXPECT_TRUE(card.webPages.empty());
}

TEST(ContactCard, CutAnywhereNeverReadsPastTheBody) {
  const auto w = cardBody();
  for (size_t cut = 4; cut < w.bytes.size(); ++cut) {
    ContactCard card;
    EXPECT_FALSE(parseContactCard(w.bytes.data(), cut, card) && cut > 5) << cut;
  }
}

TEST(ContactRequests, OnlyANameSendsThreeSinglesAndSevenEmptyLists) {
  ContactForm form = newContactForm();
  form.name = kZhangSanUtf8;  // the form holds UTF-8
  const SaveResult saved = saveNewContact(form);
  ASSERT_TRUE(saved.ok);
  auto expected = BodyWriter::request();
  expected.i32(870103).i32(5 * 4 + (4 + 8 + 4 + 4 + 6) + 2 * 4 + 7 * 4);  // 82
  expected.i32(1).i32(0).i32(0);                  // one contact, not starred, no extraText
  expected.i32(1).i64(0).i32(0).utf8(kZhangSanUtf8);  // name
  expected.i32(0).i32(0);                         // nickname, notes absent
  for (int i = 0; i < 7; ++i) expected.i32(0);
  EXPECT_EQ(addContactRequest(saved.card), expected.bytes);
}

TEST(ContactRequests, EmptyNameIsRefusedWithTheStatusText) {
  ContactForm form = newContactForm();
  form.nickname = "nick";
  const SaveResult saved = saveNewContact(form);
  EXPECT_FALSE(saved.ok);
  EXPECT_STREQ(saved.status, "错误: 联系人姓名不能为空");
}

TEST(ContactRequests, AddModeOrderAndKindsFromTheDropDowns) {
  ContactForm form = newContactForm();
  form.name = "N";
  form.starred = true;
  form.phones[0].text = "138";     // 手机 -> 2
  form.phones[2].text = "010";     // 个人 -> 1
  form.phones[2].kindIndex = 7;    // 自定义 -> 0
  form.email = {3, "a@b.c"};       // 手机邮箱 -> 4
  form.im.text = "12345";          // QQ -> 4
  form.address = "addr";
  const ContactCard card = saveNewContact(form).card;
  ASSERT_EQ(card.phones.size(), 2u);
  EXPECT_EQ(card.phones[0].kind, 2);
  EXPECT_EQ(card.phones[1].kind, 0);
  EXPECT_EQ(card.emails[0].kind, 4);
  EXPECT_EQ(card.ims[0].kind, 4);
  EXPECT_EQ(card.addresses[0].kind, 0);
  auto expected = BodyWriter::request();
  expected.i32(870103).i32(0).i32(1).i32(1).i32(0);
  expected.i32(1).i64(0).i32(0).utf8("N").i32(0).i32(0);
  expected.i32(2).i64(0).i32(2).utf8("138").i64(0).i32(0).utf8("010");  // phones
  expected.i32(0);                                                    // groups
  expected.i32(1).i64(0).i32(4).utf8("a@b.c");                        // emails
  expected.i32(1).i64(0).i32(4).utf8("12345");                        // ims
  expected.i32(0);                                                    // webPages
  expected.i32(1).i64(0).i32(0).utf8("addr");                         // addresses
  expected.i32(0);                                                    // organizations
  putInt32(static_cast<int32_t>(expected.bytes.size()), expected.bytes.data() + 4);
  EXPECT_EQ(addContactRequest(card), expected.bytes);
}

ContactCard loadedCard(std::vector<ContactItem> phones) {
  ContactCard card;
  card.displayName = {true, 10, kZhangSan, kOpUnchanged};
  card.phones = std::move(phones);
  card.groups = {{30, 0, "Friends", kOpUnchanged}, {31, 0, "家人", kOpUnchanged}};
  return card;
}

TEST(ContactRequests, ClearingTheSecondPhoneDeletesItWithItsLoadedValues) {
  const ContactCard loaded = loadedCard({{20, 2, "138", kOpUnchanged}, {-7, 3, "010", kOpUnchanged}});
  ContactForm form = formFromCard(loaded);
  ASSERT_EQ(form.phones[1].text, "010");
  form.phones[1].text.clear();
  const SaveResult saved = saveChangedContact(loaded, form);
  ASSERT_EQ(saved.card.phones.size(), 3u);
  auto expected = BodyWriter::request();
  expected.i32(870104).i32(0).i32(1).i32(77).i32(0).i32(0);           // id 77, not starred, no extraText
  expected.i32(1).i64(10).i32(kOpUnchanged).i32(0).utf8(kZhangSanUtf8);  // name, as loaded
  expected.i32(0).i32(0);                                                // nickname, notes
  expected.i32(3);
  expected.i64(20).i32(kOpUnchanged).i32(2).utf8("138");
  expected.i64(-7).i32(kOpDelete).i32(3).utf8("010");                 // row id sign-extended
  expected.i64(-1).i32(kOpUnchanged).i32(0).utf8("");                 // placeholder for row 3
  expected.i32(2).i64(30).i32(kOpUnchanged).i32(0).utf8("Friends");   // groups sent back unchanged
  expected.i64(31).i32(kOpUnchanged).i32(0).utf8("\xE5\xAE\xB6\xE4\xBA\xBA");
  for (int i = 0; i < 5; ++i) expected.i32(0);
  putInt32(static_cast<int32_t>(expected.bytes.size()), expected.bytes.data() + 4);
  EXPECT_EQ(updateContactRequest(77, saved.card), expected.bytes);
}

TEST(ContactRequests, TypingAThirdPhoneForAContactWithOne) {
  const ContactCard loaded = loadedCard({{20, 2, "138", kOpUnchanged}});
  ContactForm form = formFromCard(loaded);
  form.phones[2].text = "139";
  form.phones[2].kindIndex = 7;  // 自定义
  const ContactCard card = saveChangedContact(loaded, form).card;
  ASSERT_EQ(card.phones.size(), 3u);
  EXPECT_EQ(card.phones[0].operation, kOpUnchanged);
  EXPECT_EQ(card.phones[0].rowId, 20);
  EXPECT_EQ(card.phones[1].operation, kOpUnchanged);
  EXPECT_TRUE(card.phones[1].value.empty());
  EXPECT_EQ(card.phones[2].operation, kOpNew);
  EXPECT_EQ(card.phones[2].rowId, -1);
  EXPECT_EQ(card.phones[2].kind, 0);
  EXPECT_EQ(card.groups, loaded.groups);
}

TEST(ContactRequests, FirstEntryListsAndSinglesFollowTheirRules) {
  ContactCard loaded = loadedCard({});
  loaded.emails = {{50, 2, "old@x", kOpUnchanged}, {51, 1, "second@x", kOpUnchanged}};
  loaded.addresses = {{60, 1, "home", kOpUnchanged}};
  loaded.nickname = {true, 11, "nick", kOpUnchanged};
  ContactForm form = formFromCard(loaded);
  EXPECT_EQ(form.email.kindIndex, 1);  // 工作
  form.email.text = "new@x";
  form.address.clear();
  form.webPage = "http://w";
  form.nickname.clear();
  form.notes = "n";
  const ContactCard card = saveChangedContact(loaded, form).card;
  EXPECT_EQ(card.emails[0], (ContactItem{50, 2, "new@x", kOpChange}));
  EXPECT_EQ(card.emails[1], loaded.emails[1]);
  EXPECT_EQ(card.addresses[0], (ContactItem{60, 1, "home", kOpDelete}));
  EXPECT_EQ(card.webPages[0], (ContactItem{-1, 0, "http://w", kOpNew}));
  EXPECT_FALSE(card.nickname.present);
  EXPECT_TRUE(card.notes.present);
  EXPECT_EQ(card.notes.operation, kOpNew);
}

TEST(ContactRequests, ModifyModeRefusesAnEmptyNameAsAddModeDoes) {
  const ContactCard loaded = loadedCard({{20, 2, "138", kOpUnchanged}});
  ContactForm form = formFromCard(loaded);
  form.name.clear();
  const SaveResult saved = saveChangedContact(loaded, form);
  EXPECT_FALSE(saved.ok);
  EXPECT_STREQ(saved.status, "错误: 联系人姓名不能为空");
  EXPECT_STREQ(saved.status, saveNewContact(form).status);
}

TEST(ContactRequests, ExtraTextGoesBackByteForByte) {
  const auto w = cardBody();
  ContactCard loaded;
  ASSERT_TRUE(parseContactCard(w.bytes.data(), w.bytes.size(), loaded));
  const Bytes request = updateContactRequest(5, saveChangedContact(loaded, formFromCard(loaded)).card);
  auto prefix = BodyWriter::request();
  prefix.i32(870104).i32(static_cast<int32_t>(request.size())).i32(1).i32(5).i32(1).i32(1).utf8("extra \xF0\x9F\x98\x80");
  ASSERT_GE(request.size(), prefix.bytes.size());
  EXPECT_EQ(Bytes(request.begin(), request.begin() + static_cast<long>(prefix.bytes.size())), prefix.bytes);
}

// Texts GBK cannot hold (emoji, ß, an RTL mark) survive a save that changes another field: what the
// user left alone goes back as the phone's bytes; a new kind alone keeps the entry's bytes too.
TEST(ContactRequests, UntouchedTextsGoBackAsThePhonesBytes) {
  const std::string name = "Zo\xC3\xAB \xF0\x9F\x98\x80";
  const std::string note = "Stra\xC3\x9F" "e \xE2\x80\x8F\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D " + std::string(2000, 'n');
  const std::string work = "+49 30 \xF0\x9F\x93\x9E";
  auto w = BodyWriter::body();
  w.i64(5).i32(0).i64(0).i64(0).i32(0).i32(0);
  w.i32(1).i64(10).i32(0).utf8(name).i32(0).i32(1).i64(12).i32(0).utf8(note);
  w.i32(2).i64(20).i32(2).utf8("138").i64(21).i32(3).utf8(work);
  const std::string city = "K\xC3\xB6ln";  // an address of kind 1, which the form has no control for
  w.i32(0).i32(0).i32(0).i32(0).i32(1).i64(30).i32(1).utf8(city).i32(0);
  ContactCard loaded;
  ASSERT_TRUE(parseContactCard(w.bytes.data(), w.bytes.size(), loaded));
  ContactForm form = formFromCard(loaded);
  form.phones[0].text = "139";
  form.phones[1].kindIndex = phoneIndexOf(4);
  const ContactCard card = saveChangedContact(loaded, form).card;
  auto expected = BodyWriter::request();
  expected.i32(870104).i32(0).i32(1).i32(5).i32(0).i32(0);
  expected.i32(1).i64(10).i32(kOpUnchanged).i32(0).utf8(name);
  expected.i32(0).i32(1).i64(12).i32(kOpUnchanged).i32(0).utf8(note);
  expected.i32(3).i64(20).i32(kOpChange).i32(2).utf8("139");
  expected.i64(21).i32(kOpChange).i32(4).utf8(work);
  expected.i64(-1).i32(kOpUnchanged).i32(0).utf8("");
  expected.i32(0).i32(0).i32(0).i32(0).i32(1).i64(30).i32(kOpUnchanged).i32(1).utf8(city).i32(0);
  putInt32(static_cast<int32_t>(expected.bytes.size()), expected.bytes.data() + 4);
  EXPECT_EQ(updateContactRequest(5, card), expected.bytes);
  // A retyped text is sent from the form (UTF-8, so what GBK cannot hold survives being edited),
  // not from the bytes it replaced.
  form.name = name + "!";
  const ContactSingle retyped = saveChangedContact(loaded, form).card.displayName;
  EXPECT_EQ(retyped.utf8, name + "!");
  EXPECT_EQ(retyped.operation, kOpChange);
}

TEST(ContactRequests, DropDownKindsBothWays) {
  EXPECT_EQ(phoneKindAt(7), 0);
  EXPECT_EQ(phoneIndexOf(0), 7);
  EXPECT_EQ(phoneIndexOf(9), 7);
  EXPECT_EQ(phoneIndexOf(2), 1);
  EXPECT_STREQ(kPhoneKindCaptions[phoneIndexOf(0)], "自定义");
  EXPECT_EQ(emailIndexOf(0), 4);
  EXPECT_EQ(emailIndexOf(5), 4);
  EXPECT_EQ(imIndexOf(-1), 9);
  EXPECT_EQ(imIndexOf(12), 9);
  EXPECT_EQ(imProtocolAt(9), -1);
  EXPECT_STREQ(kImProtocolCaptions[newContactForm().im.kindIndex], "QQ");
  EXPECT_STREQ(kPhoneKindCaptions[newContactForm().phones[1].kindIndex], "公司电话");
}

TEST(ContactRequests, DeleteCarriesEveryIdInOneRequest) {
  auto expected = BodyWriter::request();
  expected.i32(870106).i32(12 + 4 * 4).i32(4).i32(1).i32(-2).i32(3).i32(400000);
  EXPECT_EQ(deleteContactsRequest({1, -2, 3, 400000}), expected.bytes);
  auto details = BodyWriter::request();
  details.i32(870102).i32(16).i32(1).i32(42);
  EXPECT_EQ(contactDetailsRequest(42), details.bytes);
}

TEST(ContactCardHtml, BareContactHasTheNameLineAndBasicBlockOnly) {
  ContactCard card;
  const std::string html = buildContactCardHtml(card);
  EXPECT_NE(html.find("<div class='name'><b></b></div><div class='nickname'></div>"), std::string::npos);
  EXPECT_NE(html.find("基本信息"), std::string::npos);
  EXPECT_NE(html.find("<p class='l'>否</p>"), std::string::npos);
  EXPECT_NE(html.find("<p class='l'>0 次</p>"), std::string::npos);
  EXPECT_NE(html.find("<p class='l'>N/A</p>"), std::string::npos);
  for (const char* block : {"id='pims'", "id='others'", "id='groups'", "id='notes'"})
    EXPECT_EQ(html.find(block), std::string::npos) << block;
}

TEST(ContactCardHtml, GroupsOnlyCardShowsTheGroupBlock) {
  ContactCard card;
  card.starred = true;
  card.groups = {{1, 0, "同事", kOpUnchanged}};
  const std::string html = buildContactCardHtml(card);
  EXPECT_NE(html.find("【是】"), std::string::npos);
  EXPECT_NE(html.find("<div id='groups'><p class='category'><b>分组信息</b></p><div><p class='l w80 right c6'>所属分组："
                      "</p><p class='entry'><img src='pim_group.gif'/>&nbsp;</p><p class='l'>同事</p><p "
                      "class='clear'></p></div></div>"),
            std::string::npos);
  EXPECT_EQ(html.find("id='pims'"), std::string::npos);
  EXPECT_EQ(html.find("id='others'"), std::string::npos);
}

TEST(ContactCardHtml, LabelsByKindAndMarkupEscaped) {
  ContactCard card;
  card.displayName = {true, 1, "<b>Eve</b> & 'Co'", kOpUnchanged};
  card.phones = {{1, 2, "138", kOpUnchanged}, {2, 42, "999", kOpUnchanged}};
  card.ims = {{3, 3, "sk", kOpUnchanged}, {4, 99, "x", kOpUnchanged}, {5, -1, "c", kOpUnchanged}};
  card.emails = {{6, 4, "m@x", kOpUnchanged}};
  card.organizations = {{7, 2, "Org", kOpUnchanged}};
  card.notes = {true, 8, "a<script>", kOpUnchanged};
  const std::string html = buildContactCardHtml(card);
  EXPECT_NE(html.find("&lt;b&gt;Eve&lt;/b&gt; &amp; &#39;Co&#39;"), std::string::npos);
  EXPECT_EQ(html.find("<b>Eve"), std::string::npos);
  EXPECT_NE(html.find("手机：</p><p class='entry'><img src='pim_call.gif'/>&nbsp;</p><p class='l'>138"), std::string::npos);
  EXPECT_NE(html.find("未知电话："), std::string::npos);
  EXPECT_NE(html.find("Skype:"), std::string::npos);
  EXPECT_NE(html.find("其他IM："), std::string::npos);
  EXPECT_NE(html.find("自定义IM："), std::string::npos);
  EXPECT_NE(html.find("手机邮箱:"), std::string::npos);
  EXPECT_NE(html.find("其他组织："), std::string::npos);
  EXPECT_NE(html.find("<p class='l w280  section  c6'>a&lt;script&gt;</p></div>"), std::string::npos);
  // Within the contact block: phones, then e-mails, then IMs.
  EXPECT_LT(html.find("138"), html.find("m@x"));
  EXPECT_LT(html.find("m@x"), html.find("sk</p>"));
}

}  // namespace
}  // namespace zorvik
