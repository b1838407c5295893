// The agent's replies walked field by field in the layouts the pages read, and the changes that
// the data-changing commands make to the phone.
#include "VphoneFixture.h"

#include <optional>
#include <set>

namespace zorvik::sim::test {
namespace {

using C = AgentCommand;

// A list record's first text: its UTF-8 bytes, or nullopt at the end mark.
std::optional<std::string> firstText(FieldReader& r) {
  const int32_t n = r.readInt32();
  if (!r.ok() || n == kAgentListEnd) return std::nullopt;
  std::string s;
  if (n < 0 || !r.read(static_cast<size_t>(n), s)) return std::nullopt;
  return s;
}

class AgentReplyTest : public ::testing::Test {
 protected:
  void TearDown() override { keptBodies().clear(); }
  PhoneState phone = dataSet();
};

TEST_F(AgentReplyTest, VersionAndPhoneFacts) {
  EXPECT_EQ(statusOf(ask(phone, bare(C::AgentVersion), 21)), 21);
  EXPECT_EQ(statusOf(ask(phone, bare(C::AgentVersion), 19)), 19);

  const std::string info = bodyOf(ask(phone, bare(C::PhoneInfo)));
  FieldReader r = readerOf(info);
  EXPECT_EQ(r.readInt32(), phone.system.clientCode);
  EXPECT_EQ(r.readInt32(), phone.system.sdk);
  EXPECT_EQ(r.readUtf8Text(), phone.system.model);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.remaining(), 0u);

  const std::string facts = bodyOf(ask(phone, bare(C::SystemInfo)));
  r = readerOf(facts);
  EXPECT_EQ(r.readUtf8Text(), phone.system.model);
  EXPECT_EQ(r.readInt64(), phone.system.uptime);
  EXPECT_EQ(r.readUtf8Text(), phone.system.systemVersion);
  for (int i = 0; i < 8; ++i) EXPECT_FALSE(r.readUtf8Text().empty()) << "text field " << i;  // imei .. sd
  EXPECT_EQ(r.readInt32(), phone.settings[kGps]);
  EXPECT_EQ(r.readInt32(), phone.settings[kBluetooth]);
  EXPECT_EQ(r.readInt32(), phone.settings[kWifi]);
  EXPECT_EQ(r.readInt32(), phone.settings[kRotation]);
  r.readUtf8Text();
  r.readUtf8Text();
  const int32_t brightness = r.readInt32();
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.remaining(), 0u);
  EXPECT_GE(brightness, 0);
  EXPECT_LE(brightness, 255);
}

TEST_F(AgentReplyTest, ContactListHasEveryContactAndEndsWithTheMark) {
  ASSERT_GE(phone.contacts.size(), 200u);
  const std::string body = bodyOf(ask(phone, bare(C::ListContacts)));
  FieldReader r = readerOf(body);
  size_t records = 0, photos = 0;
  std::set<int64_t> ids;
  while (r.hasMoreRecords()) {
    const int64_t id = r.readInt64();
    r.readInt64();
    const auto name = firstText(r);
    if (!name) break;
    const Contact& c = phone.contacts[records];
    EXPECT_EQ(id, c.id);
    EXPECT_EQ(*name, c.displayName.value);
    EXPECT_EQ(r.readInt32(), c.starred);
    EXPECT_EQ(r.readUtf8Text(), c.phones.empty() ? "" : c.phones[0].value);
    EXPECT_EQ(r.readInt64(), c.lastContact);
    r.readInt32();
    if (r.readInt32() == 1) {
      const int64_t n = r.readInt64();
      ASSERT_GT(n, 8);
      std::string photo;
      ASSERT_TRUE(r.read(static_cast<size_t>(n), photo));
      // Real pictures: PNG or JPEG signatures.
      EXPECT_TRUE(photo.compare(0, 4, "\x89PNG") == 0 || photo.compare(0, 2, "\xFF\xD8") == 0);
      ++photos;
    }
    ids.insert(id);
    ++records;
  }
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(records, phone.contacts.size());
  EXPECT_EQ(ids.size(), records);
  EXPECT_GT(photos, records / 5);
  EXPECT_EQ(r.remaining(), 0u) << "nothing after the end mark";
}

TEST_F(AgentReplyTest, ContactCardCarriesEverySection) {
  // Pick a contact with several kinds of data.
  const Contact* rich = nullptr;
  for (const Contact& c : phone.contacts)
    if (c.phones.size() >= 2 && !c.emails.empty() && !c.groupIds.empty()) rich = &c;
  ASSERT_NE(rich, nullptr);
  AgentArgs args;
  args.int32(1).int32(static_cast<int32_t>(rich->id));
  const Bytes request = framedRequest(C::ContactDetails, args);
  ASSERT_EQ(request.size(), 16u);
  const std::string body = bodyOf(ask(phone, request));
  FieldReader r = readerOf(body);
  EXPECT_EQ(r.readInt64(), rich->id);
  EXPECT_EQ(r.readInt32(), rich->starred);
  EXPECT_EQ(r.readInt64(), rich->lastContact);
  EXPECT_EQ(r.readInt64(), rich->timesContacted);
  if (r.readInt32() == 1) {
    r.readInt64();
    const int32_t n = r.readInt32();
    ASSERT_TRUE(rich->photo);
    EXPECT_EQ(static_cast<size_t>(n), rich->photo->size());
    r.skip(static_cast<size_t>(n));
  }
  std::string singles[4];
  for (std::string& s : singles)
    if (r.readInt32() == 1) {
      r.readInt64();
      r.readInt32();
      s = r.readUtf8Text();
    }
  EXPECT_EQ(singles[1], rich->displayName.value);
  std::vector<std::vector<std::pair<int32_t, std::string>>> lists(7);
  for (auto& list : lists) {
    const int32_t n = r.readInt32();
    for (int32_t i = 0; i < n && r.ok(); ++i) {
      r.readInt64();
      const int32_t kind = r.readInt32();
      list.emplace_back(kind, r.readUtf8Text());
    }
  }
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.remaining(), 0u);
  ASSERT_EQ(lists[0].size(), rich->phones.size());
  EXPECT_EQ(lists[0][0].second, rich->phones[0].value);
  EXPECT_EQ(lists[0][0].first, rich->phones[0].kind);
  ASSERT_EQ(lists[1].size(), rich->groupIds.size());
  EXPECT_EQ(lists[2].size(), rich->emails.size());

  // An unknown contact: nothing to return.
  AgentArgs missing;
  missing.int32(1).int32(987654);
  EXPECT_EQ(statusOf(ask(phone, framedRequest(C::ContactDetails, missing))), kAgentNoReply);
}

// Finds the contact added or changed last by its name, through the list.
const Contact* byName(const PhoneState& p, const std::string& name) {
  for (const Contact& c : p.contacts)
    if (c.displayName.value == name) return &c;
  return nullptr;
}

TEST_F(AgentReplyTest, AddUpdateAndDeleteAContact) {
  const size_t before = phone.contacts.size();
  // 870103 as the editor sends it: only a name and two phones.
  AgentArgs add;
  add.int32(1).int32(1).int32(0);
  add.int32(1).int64(0).int32(0).utf8Text(u8"测试联系人");
  add.int32(0).int32(0);
  add.int32(2).int64(0).int32(2).utf8Text("13800138000").int64(0).int32(3).utf8Text("010-62345678");
  for (int i = 0; i < 6; ++i) add.int32(0);
  EXPECT_EQ(statusOf(ask(phone, framedRequest(C::AddContact, add))), 1);
  ASSERT_EQ(phone.contacts.size(), before + 1);
  const Contact* added = byName(phone, u8"测试联系人");
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->starred, 1);
  ASSERT_EQ(added->phones.size(), 2u);
  EXPECT_EQ(added->phones[1].value, "010-62345678");
  EXPECT_FALSE(added->nickname.present);
  const int32_t id = static_cast<int32_t>(added->id);
  const int64_t secondRow = added->phones[1].rowId;
  const int64_t nameRow = added->displayName.rowId;

  // 870104: rename, delete the second phone, add an e-mail.
  AgentArgs update;
  update.int32(1).int32(id).int32(0).int32(0);
  update.int32(1).int64(nameRow).int32(2).int32(0).utf8Text(u8"改名了");
  update.int32(1).int64(-1).int32(0).int32(0).utf8Text("Nick");
  update.int32(0);
  update.int32(2).int64(added->phones[0].rowId).int32(3).int32(2).utf8Text("13800138000");
  update.int64(secondRow).int32(1).int32(3).utf8Text("010-62345678");
  update.int32(0);                                                    // groups
  update.int32(1).int64(-1).int32(0).int32(1).utf8Text("a@b.cn");     // emails
  for (int i = 0; i < 4; ++i) update.int32(0);
  EXPECT_EQ(statusOf(ask(phone, framedRequest(C::UpdateContact, update))), 1);
  const Contact* changed = byName(phone, u8"改名了");
  ASSERT_NE(changed, nullptr);
  EXPECT_EQ(changed->starred, 0);
  EXPECT_EQ(changed->nickname.value, "Nick");
  ASSERT_EQ(changed->phones.size(), 1u);
  ASSERT_EQ(changed->emails.size(), 1u);
  EXPECT_EQ(changed->emails[0].value, "a@b.cn");

  // 870106 with the new one and the first of the data set.
  const int32_t first = static_cast<int32_t>(phone.contacts.front().id);
  EXPECT_EQ(statusOf(ask(phone, idListRequest(C::DeleteContacts, {first, id}))), 2);
  EXPECT_EQ(phone.contacts.size(), before - 1);
  EXPECT_EQ(byName(phone, u8"改名了"), nullptr);
}

TEST_F(AgentReplyTest, GroupsAreListedRenamedAndDeleted) {
  auto titles = [&] {
    std::vector<std::string> out;
    const std::string body = bodyOf(ask(phone, bare(C::ListGroups)));
    FieldReader r = readerOf(body);
    while (r.hasMoreRecords()) {
      r.readInt64();
      auto t = firstText(r);
      if (!t) break;
      r.readUtf8Text();
      const int32_t visible = r.readInt32();
      EXPECT_TRUE(visible == 0 || visible == 1);
      out.push_back(*t);
    }
    EXPECT_EQ(r.remaining(), 0u);
    return out;
  };
  const size_t before = titles().size();
  ASSERT_GE(before, 5u);
  AgentArgs add;
  add.int32(1).utf8Text(u8"球友");
  const Bytes addRequest = framedRequest(C::AddGroup, add);
  EXPECT_EQ(addRequest.size(), 16u + std::string(u8"球友").size());
  EXPECT_EQ(statusOf(ask(phone, addRequest)), 1);
  EXPECT_EQ(titles().back(), u8"球友");
  const int32_t gid = static_cast<int32_t>(phone.groups.back().id);
  AgentArgs rename;
  rename.int32(1).int32(gid).utf8Text(u8"羽毛球");
  EXPECT_EQ(statusOf(ask(phone, framedRequest(C::RenameGroup, rename))), 1);
  EXPECT_EQ(titles().back(), u8"羽毛球");

  // Deleting a group takes it out of its members' cards too.
  const int64_t family = phone.groups.front().id;
  EXPECT_EQ(statusOf(ask(phone, idListRequest(C::DeleteGroups, {static_cast<int32_t>(family), gid}))), 1);
  EXPECT_EQ(titles().size(), before - 1);
  for (const Contact& c : phone.contacts)
    for (int64_t g : c.groupIds) EXPECT_NE(g, family);

  // The picker's lists: group names, and one entry per contact number under its groups or -1.
  FieldReader r = readerOf(bodyOf(ask(phone, bare(C::ListPickerGroups))));
  size_t groups = 0;
  while (r.hasMoreRecords()) {
    r.readInt64();
    if (!firstText(r)) break;
    ++groups;
  }
  EXPECT_EQ(groups, phone.groups.size());
  const std::string entries = bodyOf(ask(phone, bare(C::ListPickerContacts)));
  r = readerOf(entries);
  size_t ungrouped = 0, all = 0;
  while (r.hasMoreRecords()) {
    const int64_t g = r.readInt64();
    if (!firstText(r)) break;
    EXPECT_FALSE(r.readUtf8Text().empty());
    ungrouped += g == -1;
    ++all;
  }
  EXPECT_TRUE(r.ok());
  EXPECT_GT(ungrouped, 0u);
  EXPECT_GT(all, phone.contacts.size());
}

TEST_F(AgentReplyTest, ConversationsMessagesSendAndDelete) {
  FieldReader r = readerOf(bodyOf(ask(phone, bare(C::ListConversations))));
  size_t threads = 0;
  int64_t previousDate = INT64_MAX;
  int32_t firstId = 0;
  while (r.hasMoreRecords()) {
    const int64_t id = r.readInt64();
    if (!firstText(r)) break;
    EXPECT_FALSE(r.readUtf8Text().empty());
    const int64_t date = r.readInt64();
    EXPECT_LE(date, previousDate) << "newest first";
    previousDate = date;
    r.readInt32();
    r.readInt32();
    EXPECT_FALSE(r.readUtf8Text().empty()) << "snippet";
    if (!threads) firstId = static_cast<int32_t>(id);
    ++threads;
  }
  EXPECT_EQ(threads, phone.threads.size());
  EXPECT_GE(threads, 50u);

  const Bytes conversation = codeAndValueRequest(C::ListMessages, firstId);
  ASSERT_EQ(conversation.size(), 8u);
  r = readerOf(bodyOf(ask(phone, conversation)));
  size_t messages = 0, received = 0;
  while (r.hasMoreRecords()) {
    r.readInt64();
    const int32_t direction = r.readInt32();
    if (!firstText(r)) break;
    r.readInt64();
    r.readInt32();
    EXPECT_FALSE(r.readUtf8Text().empty());
    r.readInt32();
    received += direction == 1;
    ++messages;
  }
  EXPECT_TRUE(r.ok());
  EXPECT_GT(messages, 0u);

  // Send to a known number and to a new one: the first thread grows, a new thread appears.
  const Thread* known = nullptr;
  for (const Thread& t : phone.threads)
    if (static_cast<int32_t>(t.id) == firstId) known = &t;
  ASSERT_NE(known, nullptr);
  const size_t knownCount = known->messages.size();
  AgentArgs send;
  send.int32(2).utf8Text(known->number).utf8Text("13912345678").utf8Text(u8"晚上见");
  const Bytes sendRequest = framedRequest(C::SendMessage, send);
  EXPECT_EQ(sendRequest.size(), 12 + (4 + known->number.size()) + (4 + 11) + 4 + std::string(u8"晚上见").size());
  EXPECT_EQ(statusOf(ask(phone, sendRequest)), 1);
  EXPECT_EQ(phone.threads.size(), threads + 1);
  const Thread& grown = *std::find_if(phone.threads.begin(), phone.threads.end(),
                                      [&](const Thread& t) { return static_cast<int32_t>(t.id) == firstId; });
  ASSERT_EQ(grown.messages.size(), knownCount + 1);
  EXPECT_EQ(grown.messages.back().direction, 2);
  EXPECT_EQ(grown.messages.back().body, u8"晚上见");

  EXPECT_EQ(statusOf(ask(phone, idListRequest(C::DeleteMessages, {firstId}))), 1);
  EXPECT_EQ(phone.threads.size(), threads);
}

TEST_F(AgentReplyTest, CallLogOfThreeTypesAndItsDeletes) {
  FieldReader r = readerOf(bodyOf(ask(phone, bare(C::ListCalls))));
  std::set<int32_t> types;
  size_t calls = 0, named = 0;
  std::vector<int32_t> ids;
  while (r.hasMoreRecords()) {
    ids.push_back(static_cast<int32_t>(r.readInt64()));
    if (!firstText(r)) break;
    EXPECT_GT(r.readInt64(), 0);
    EXPECT_GE(r.readInt64(), 0);
    types.insert(r.readInt32());
    named += !r.readUtf8Text().empty();
    ++calls;
  }
  EXPECT_EQ(calls, 100u);
  EXPECT_EQ(types, (std::set<int32_t>{1, 2, 3}));
  EXPECT_GT(named, 50u) << "most callers are contacts";
  EXPECT_EQ(statusOf(ask(phone, idListRequest(C::DeleteCalls, {ids[0], ids[1]}))), 1);
  EXPECT_EQ(phone.calls.size(), 98u);
  AgentArgs one;
  one.int32(1);
  const Bytes all = framedRequest(C::DeleteAllCalls, one);
  ASSERT_EQ(all.size(), 12u);
  EXPECT_EQ(statusOf(ask(phone, all)), 1);
  EXPECT_TRUE(phone.calls.empty());
  EXPECT_EQ(bodyOf(ask(phone, bare(C::ListCalls))).size(), 4u + 8 + 4) << "only the end record";
}

TEST_F(AgentReplyTest, AlarmsAddChangeDelete) {
  auto count = [&] {
    FieldReader r = readerOf(bodyOf(ask(phone, bare(C::ListAlarms))));
    size_t n = 0;
    while (r.hasMoreRecords()) {
      r.readInt64();
      const int32_t hour = r.readInt32(), minute = r.readInt32();
      r.readInt32();
      r.readInt32();
      r.readInt32();
      if (!firstText(r)) break;
      EXPECT_TRUE(hour >= 0 && hour <= 24 && minute >= 0 && minute < 60);
      r.readUtf8Text();
      r.readInt64();
      EXPECT_EQ(r.readUtf8Text().compare(0, 10, "content://"), 0);
      ++n;
    }
    EXPECT_TRUE(r.ok());
    return n;
  };
  const size_t before = count();
  ASSERT_GE(before, 5u);
  const std::string uri = "content://settings/system/alarm_alert";
  AgentArgs add;
  add.int32(1).int32(15).int32(5).int32(65).int64(0).int32(1).int32(0).utf8Text(u8"开会").utf8Text(uri);
  const Bytes addRequest = framedRequest(C::AddAlarm, add);
  EXPECT_EQ(addRequest.size(), 48 + std::string(u8"开会").size() + uri.size());
  EXPECT_EQ(statusOf(ask(phone, addRequest)), 1);
  EXPECT_EQ(count(), before + 1);
  const int32_t id = static_cast<int32_t>(phone.alarms.back().id);
  AgentArgs change;
  change.int32(1).int32(id).int32(7).int32(30).int32(127).int64(0).int32(0).int32(1).utf8Text(u8"早起").utf8Text(uri);
  EXPECT_EQ(framedRequest(C::UpdateAlarm, change).size(), 52 + std::string(u8"早起").size() + uri.size());
  EXPECT_EQ(statusOf(ask(phone, framedRequest(C::UpdateAlarm, change))), 1);
  EXPECT_EQ(phone.alarms.back().hour, 7);
  EXPECT_EQ(phone.alarms.back().days, 127);
  EXPECT_EQ(phone.alarms.back().title, u8"早起");
  EXPECT_EQ(statusOf(ask(phone, idListRequest(C::DeleteAlarms, {id, static_cast<int32_t>(phone.alarms.front().id)}))), 1);
  EXPECT_EQ(count(), before - 1);
}

TEST_F(AgentReplyTest, FoldersListTheirWayUpFirst) {
  auto listing = [&](const Bytes& request, std::string& up) {
    FieldReader r = readerOf(bodyOf(ask(phone, request)));
    std::vector<std::string> paths;
    bool first = true;
    while (r.hasMoreRecords()) {
      const int32_t type = r.readInt32();
      const std::string path = r.readUtf8Text();
      r.readInt64();
      r.readInt64();
      r.readInt32();
      r.readInt32();
      r.readInt32();
      if (!r.ok()) break;
      if (first) {
        EXPECT_EQ(type, 1);
        up = path;
        first = false;
      } else {
        paths.push_back(path);
      }
    }
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.remaining(), 0u);
    return paths;
  };
  std::string up;
  const auto root = listing(bare(C::ListRoot), up);
  EXPECT_EQ(up, "/");
  EXPECT_NE(std::find(root.begin(), root.end(), "/sdcard"), root.end());
  AgentArgs args;
  args.int32(1).utf8Text("/sdcard/DCIM/Camera");
  const auto camera = listing(framedRequest(C::ListFolder, args), up);
  EXPECT_EQ(up, "/sdcard/DCIM");
  EXPECT_GE(camera.size(), 30u);
  for (const std::string& p : camera) EXPECT_EQ(p.compare(0, 20, "/sdcard/DCIM/Camera/"), 0) << p;
  AgentArgs music;
  music.int32(1).utf8Text("/sdcard/Music/");
  const auto songs = listing(framedRequest(C::ListFolder, music), up);
  EXPECT_EQ(up, "/sdcard");
  EXPECT_GE(songs.size(), 5u);
}

TEST_F(AgentReplyTest, BookmarksWithIconsAndThumbnailsAndTheirChanges) {
  auto walk = [&] {
    FieldReader r = readerOf(bodyOf(ask(phone, bare(C::ListBookmarks))));
    std::vector<std::string> titles;
    size_t thumbs = 0, icons = 0;
    while (r.hasMoreRecords()) {
      r.readInt64();
      auto title = firstText(r);
      if (!title) break;
      EXPECT_EQ(r.readUtf8Text().compare(0, 4, "http"), 0);
      EXPECT_GE(r.readInt32(), 0);
      r.readInt64();
      if (r.readInt32() == 1) {
        r.skip(static_cast<size_t>(r.readInt64()));
        ++icons;
      }
      if (r.readInt32() == 1) {
        std::string thumb;
        r.read(static_cast<size_t>(r.readInt64()), thumb);
        EXPECT_EQ(thumb.compare(0, 2, "\xFF\xD8"), 0) << "a JPEG thumbnail";
        ++thumbs;
      }
      titles.push_back(*title);
    }
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.remaining(), 0u);
    EXPECT_GT(thumbs, 0u);
    EXPECT_GT(icons, 0u);
    return titles;
  };
  const size_t before = walk().size();
  AgentArgs add;
  add.int32(1).int32(3).utf8Text(u8"卓维克").utf8Text("http://www.zorvik.cn/");
  EXPECT_EQ(framedRequest(C::AddBookmark, add).size(), 24 + std::string(u8"卓维克").size() + 21);
  EXPECT_EQ(statusOf(ask(phone, framedRequest(C::AddBookmark, add))), 1);
  EXPECT_EQ(walk().back(), u8"卓维克");
  AgentArgs change;
  change.int32(1).int32(static_cast<int32_t>(phone.bookmarks.back().id)).int32(9).utf8Text("Zorvik").utf8Text("http://zorvik.cn/");
  EXPECT_EQ(statusOf(ask(phone, framedRequest(C::UpdateBookmark, change))), 1);
  EXPECT_EQ(walk().back(), "Zorvik");
  EXPECT_EQ(phone.bookmarks.back().visits, 9);
  EXPECT_EQ(statusOf(ask(phone, idListRequest(C::DeleteBookmarks, {static_cast<int32_t>(phone.bookmarks.back().id)}))), 1);
  EXPECT_EQ(walk().size(), before);
}

TEST_F(AgentReplyTest, ApplicationsProcessesAndStartingOne) {
  FieldReader r = readerOf(bodyOf(ask(phone, bare(C::ListApplications))));
  size_t apps = 0;
  std::string notRunning;
  while (r.hasMoreRecords()) {
    r.skip(4);
    if (!firstText(r)) break;
    const std::string package = r.readUtf8Text();
    EXPECT_FALSE(r.readUtf8Text().empty()) << "version";
    r.readInt32();
    EXPECT_GT(r.readInt64(), 0);
    std::string icon;
    r.read(static_cast<size_t>(r.readInt64()), icon);
    EXPECT_EQ(icon.compare(0, 4, "\x89PNG"), 0) << package;
    r.skipText();
    r.skip(4);
    r.readInt64();
    bool running = false;
    for (const Process& p : phone.processes) running = running || p.package == package;
    if (!running) notRunning = package;
    ++apps;
  }
  EXPECT_TRUE(r.ok());
  EXPECT_GE(apps, 40u);
  ASSERT_FALSE(notRunning.empty());

  auto processes = [&] {
    FieldReader p = readerOf(bodyOf(ask(phone, bare(C::ListProcesses))));
    std::vector<std::string> names;
    while (p.hasMoreRecords()) {
      const int64_t memory = p.readInt64();
      p.readInt32();
      p.readInt32();
      const int32_t pid = p.readInt32();
      p.readInt32();
      if (!firstText(p)) break;
      EXPECT_GT(memory, 0);
      EXPECT_GT(pid, 0);
      names.push_back(p.readUtf8Text());
      p.skip(static_cast<size_t>(p.readInt64()));
    }
    EXPECT_TRUE(p.ok());
    EXPECT_EQ(p.remaining(), 0u);
    return names;
  };
  const size_t before = processes().size();
  const Bytes start = codeOneTotalRequest(C::StartApplication, notRunning);
  EXPECT_EQ(statusOf(ask(phone, start)), 1);
  auto names = processes();
  EXPECT_EQ(names.size(), before + 1);
  EXPECT_EQ(names.back(), notRunning);

  // Ending it (and a system process, which stays) gives its memory back.
  const int32_t freeBefore = statusOf(ask(phone, bare(C::FreeMemory)));
  AgentArgs end;
  end.int32(2).utf8Text(notRunning).utf8Text("system_server");
  EXPECT_EQ(statusOf(ask(phone, framedRequest(C::EndProcesses, end))), 1);
  EXPECT_EQ(processes().size(), before);
  EXPECT_GT(statusOf(ask(phone, bare(C::FreeMemory))), freeBefore);
  AgentArgs none;
  none.int32(0);
  EXPECT_EQ(statusOf(ask(phone, framedRequest(C::EndProcesses, none))), 0);
}

TEST_F(AgentReplyTest, SettingsReadAndChange) {
  auto read = [&] {
    FieldReader r = readerOf(bodyOf(ask(phone, bare(C::ReadSettings))));
    std::vector<int32_t> v;
    for (int i = 0; i < 11; ++i) v.push_back(r.readInt32());
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.remaining(), 0u);
    return v;
  };
  auto v = read();
  EXPECT_EQ(v[6], phone.settings[kTimeout]);
  AgentArgs change;
  change.int32(1).int32(kBluetooth).int32(1);
  const Bytes request = framedRequest(C::ChangeSetting, change);
  ASSERT_EQ(request.size(), 20u);
  EXPECT_EQ(statusOf(ask(phone, request)), 1);
  AgentArgs timeout;
  timeout.int32(1).int32(kTimeout).int32(600000);
  EXPECT_EQ(statusOf(ask(phone, framedRequest(C::ChangeSetting, timeout))), 1);
  v = read();
  EXPECT_EQ(v[1], 1);
  EXPECT_EQ(v[6], 600000);
  // The wire order puts the date format before the 24-hour switch.
  AgentArgs date;
  date.int32(1).int32(kDateFormat).int32(2);
  ask(phone, framedRequest(C::ChangeSetting, date));
  EXPECT_EQ(read()[9], 2);
  AgentArgs bad;
  bad.int32(1).int32(11).int32(1);
  EXPECT_EQ(statusOf(ask(phone, framedRequest(C::ChangeSetting, bad))), 0);
}

TEST_F(AgentReplyTest, CacheScanAndClean) {
  auto scan = [&] {
    FieldReader r = readerOf(bodyOf(ask(phone, bare(C::ScanCache))));
    std::vector<std::string> packages;
    while (r.hasMoreRecords()) {
      const int64_t size = r.readInt64();
      if (!firstText(r)) break;
      EXPECT_GT(size, 0);
      packages.push_back(r.readUtf8Text());
      r.skip(static_cast<size_t>(r.readInt64()));
    }
    EXPECT_TRUE(r.ok());
    return packages;
  };
  const auto before = scan();
  ASSERT_GE(before.size(), 5u);
  AgentArgs clean;
  clean.int32(2);
  const unsigned char flags[3] = {1, 0, 1};
  clean.raw(flags, 3).utf8Text(before[0]).utf8Text(before[1]);
  const Bytes request = framedRequest(C::CleanCache, clean);
  EXPECT_EQ(request.size(), 15 + 4 + before[0].size() + 4 + before[1].size());
  EXPECT_EQ(statusOf(ask(phone, request)), 1);
  EXPECT_EQ(scan().size(), before.size() - 2);
  EXPECT_FALSE(phone.history[0]);
  EXPECT_TRUE(phone.history[1]);
}

TEST_F(AgentReplyTest, StartupEntriesSpanManyEventsAndEndWithTheMark) {
  FieldReader r = readerOf(bodyOf(ask(phone, bare(C::ListStartupItems))));
  std::set<int32_t> events;
  size_t entries = 0;
  bool ended = false;
  while (r.ok() && r.remaining() > 0) {
    const int32_t event = r.readInt32();
    const auto entry = firstText(r);
    if (!entry) {
      ended = true;
      break;
    }
    EXPECT_GE(event, 0);
    EXPECT_LE(event, 144);
    EXPECT_FALSE(r.readUtf8Text().empty());
    r.skip(4);
    events.insert(event);
    ++entries;
  }
  EXPECT_TRUE(ended);
  EXPECT_EQ(entries, phone.startup.size());
  EXPECT_GE(events.size(), 10u);
}

// Every command, asked with a request of its form, answers with a status word or a body whose
// length word is right; a request cut anywhere is incomplete until its last byte.
TEST_F(AgentReplyTest, EveryCommandAnswersAndFramingWaitsForTheWholeRequest) {
  EXPECT_FALSE(agentKnows(870999));
  for (AgentCommand c : kAllAgentCommands) {
    EXPECT_TRUE(agentKnows(commandCode(c))) << commandCode(c) << " has no entry in the agent's table";
    Bytes request;
    switch (c) {
      case C::ListMessages: request = codeAndValueRequest(c, 1); break;
      case C::StartApplication: request = codeOneTotalRequest(c, "com.tencent.mm"); break;
      case C::DeleteContacts: case C::DeleteGroups: case C::DeleteMessages: case C::DeleteCalls:
      case C::DeleteAlarms: case C::DeleteBookmarks:
        request = idListRequest(c, {1, 2, 3});
        EXPECT_EQ(request.size(), 24u);
        break;
      default: {
        const RequestFrame probe = frameAgentRequest(bare(c).data(), 4);
        if (probe.status == FrameStatus::Complete) {
          request = bare(c);
        } else {
          AgentArgs a;
          a.int32(1).int32(1).int32(1);
          request = framedRequest(c, a);
        }
      }
    }
    for (size_t cut = 0; cut < request.size(); ++cut)
      EXPECT_EQ(frameAgentRequest(request.data(), cut).status, FrameStatus::NeedMore) << commandCode(c) << " cut " << cut;
    const std::string reply = ask(phone, request);
    ASSERT_GE(reply.size(), 4u) << commandCode(c);
    if (reply.size() > 4) bodyOf(reply);
  }
}

TEST(AgentFraming, HostileLengthsAreRefused) {
  AgentArgs a;
  a.int32(1);
  Bytes r = framedRequest(AgentCommand::AddGroup, a);
  putInt32(0x7FFFFFFF, r.data() + 4);
  EXPECT_EQ(frameAgentRequest(r.data(), r.size()).status, FrameStatus::Malformed);
  putInt32(-5, r.data() + 4);
  EXPECT_EQ(frameAgentRequest(r.data(), r.size()).status, FrameStatus::Malformed);
  putInt32(4, r.data() + 4);
  EXPECT_EQ(frameAgentRequest(r.data(), r.size()).status, FrameStatus::Malformed);
  // An id list whose count disagrees with its total changes nothing.
  PhoneState phone = dataSet();
  Bytes ids = idListRequest(AgentCommand::DeleteCalls, {1, 2});
  putInt32(100000, ids.data() + 8);
  EXPECT_EQ(statusOf(answerAgentRequest(phone, ids.data(), ids.size(), 21)), 0);
  EXPECT_EQ(phone.calls.size(), 100u);
  // An unknown code gets "nothing to return".
  unsigned char unknown[4];
  putInt32(870999, unknown);
  EXPECT_EQ(frameAgentRequest(unknown, 4).status, FrameStatus::Complete);
  EXPECT_EQ(statusOf(answerAgentRequest(phone, unknown, 4, 21)), kAgentNoReply);
}

}  // namespace
}  // namespace zorvik::sim::test
