#include "sim/AgentService.h"

#include "devlink/AgentCommand.h"
#include "devlink/FieldReader.h"
#include "sim/ReplyWriter.h"

#include <algorithm>
#include <chrono>
#include <set>

namespace zorvik::sim {

namespace {

using C = AgentCommand;

bool isBare(int32_t code) {
  switch (static_cast<C>(code)) {
    case C::PhoneInfo: case C::AgentVersion: case C::SystemInfo: case C::ListContacts:
    case C::ListPickerGroups: case C::ListGroups: case C::ListPickerContacts: case C::ListConversations:
    case C::ListCalls: case C::ListAlarms: case C::ListRoot: case C::ListBookmarks: case C::ListApplications:
    case C::ReadSettings: case C::ScanCache: case C::ListStartupItems: case C::ListProcesses: case C::FreeMemory:
      return true;
    default:
      return false;
  }
}

bool isKnown(int32_t code) {
  for (AgentCommand c : kAllAgentCommands)
    if (commandCode(c) == code) return true;
  return false;
}

int64_t nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

const std::string kEmpty;
const std::string& blob(const Blob& b) { return b ? *b : kEmpty; }

std::string noReply() { return statusWord(kAgentNoReply); }

// Reads the id list of a delete request (T, n, n ids); false when it does not add up.
bool readIdList(FieldReader& r, std::set<int64_t>& ids) {
  const int32_t total = r.readInt32();
  const int32_t n = r.readInt32();
  if (!r.ok() || n < 0 || static_cast<int64_t>(total) != 12 + 4 * static_cast<int64_t>(n)) return false;
  for (int32_t i = 0; i < n && r.ok(); ++i) ids.insert(static_cast<int64_t>(r.readInt32()));
  return r.ok();
}

// Ids travel as their low 32 bits.
bool idIn(const std::set<int64_t>& ids, int64_t id) { return ids.count(static_cast<int32_t>(id)) != 0; }

// ---------------------------------------------------------------- replies
std::string phoneInfo(const PhoneState& p) {
  ReplyWriter w;
  w.int32(p.system.clientCode).int32(p.system.sdk).text(p.system.model);
  return w.reply();
}

std::string systemInfo(const PhoneState& p) {
  const SystemFacts& f = p.system;
  ReplyWriter w;
  w.text(f.model).int64(f.uptime).text(f.systemVersion).text(f.imei).text(f.imsi).text(f.resolution);
  w.text(f.battery).text(f.cpu).text(f.ram).text(f.rom).text(f.sd);
  w.int32(p.settings[kGps]).int32(p.settings[kBluetooth]).int32(p.settings[kWifi]).int32(p.settings[kRotation]);
  w.text(p.settings[kAirplane] ? std::string() : f.mobileNetwork);
  w.text(p.settings[kWifi] ? f.wifiNetwork : std::string());
  w.int32(f.brightness);
  return w.reply();
}

std::string listContacts(const PhoneState& p) {
  ReplyWriter w(static_cast<int32_t>(p.contacts.size()));
  for (const Contact& c : p.contacts) {
    w.int64(c.id).int64(c.rawId).text(c.displayName.value).int32(c.starred);
    w.text(c.phones.empty() ? std::string() : c.phones.front().value);
    w.int64(c.lastContact).int32(static_cast<int32_t>(c.timesContacted));
    if (c.photo && !c.photo->empty()) {
      w.int32(1).blob64(*c.photo);
    } else {
      w.int32(0);
    }
  }
  w.int64(0).int64(0).listEnd();
  return w.reply();
}

const Group* findGroup(const PhoneState& p, int64_t id) {
  for (const Group& g : p.groups)
    if (g.id == id) return &g;
  return nullptr;
}

std::string contactCard(const PhoneState& p, int32_t id) {
  auto it = std::find_if(p.contacts.begin(), p.contacts.end(),
                         [&](const Contact& c) { return static_cast<int32_t>(c.id) == id; });
  if (it == p.contacts.end()) return noReply();
  const Contact& c = *it;
  ReplyWriter w;
  w.int64(c.id).int32(c.starred).int64(c.lastContact).int64(c.timesContacted);
  if (c.photo && !c.photo->empty()) {
    w.int32(1).int64(c.rawId).int32(static_cast<int32_t>(c.photo->size())).bytes(*c.photo);
  } else {
    w.int32(0);
  }
  for (const OptionalText* t : {&c.extraText, &c.displayName, &c.nickname, &c.notes}) {
    if (t->present) {
      w.int32(1).int64(t->rowId).int32(0).text(t->value);
    } else {
      w.int32(0);
    }
  }
  auto list = [&](const std::vector<ContactItem>& items) {
    w.int32(static_cast<int32_t>(items.size()));
    for (const ContactItem& i : items) w.int64(i.rowId).int32(i.kind).text(i.value);
  };
  list(c.phones);
  std::vector<ContactItem> groups;
  for (int64_t g : c.groupIds)
    if (const Group* group = findGroup(p, g)) groups.push_back({g, 0, group->title});
  list(groups);
  list(c.emails);
  list(c.ims);
  list(c.webPages);
  list(c.addresses);
  list(c.organizations);
  return w.reply();
}

std::string pickerGroups(const PhoneState& p) {
  ReplyWriter w;
  for (const Group& g : p.groups) w.int64(g.id).text(g.title);
  w.int64(0).listEnd();
  return w.reply();
}

std::string listGroups(const PhoneState& p) {
  ReplyWriter w;
  for (const Group& g : p.groups) w.int64(g.id).text(g.title).text(g.account).int32(g.visible);
  w.int64(0).listEnd();
  return w.reply();
}

std::string pickerContacts(const PhoneState& p) {
  ReplyWriter w;
  for (const Contact& c : p.contacts) {
    for (const ContactItem& phone : c.phones) {
      // A contact outside every group is listed under -1, the picker's "ungrouped" entry.
      if (c.groupIds.empty()) w.int64(-1).text(c.displayName.value).text(phone.value);
      for (int64_t g : c.groupIds) w.int64(g).text(c.displayName.value).text(phone.value);
    }
  }
  w.int64(0).listEnd();
  return w.reply();
}

std::string nameFor(const PhoneState& p, const std::string& number) {
  const Contact* c = p.contactByNumber(number);
  return c ? c->displayName.value : std::string();
}

std::string listThreads(const PhoneState& p) {
  std::vector<const Thread*> order;
  for (const Thread& t : p.threads)
    if (!t.messages.empty()) order.push_back(&t);
  auto newest = [](const Thread* t) {
    int64_t d = 0;
    for (const Message& m : t->messages) d = std::max(d, m.date);
    return d;
  };
  std::stable_sort(order.begin(), order.end(), [&](const Thread* a, const Thread* b) { return newest(a) > newest(b); });
  ReplyWriter w;
  for (const Thread* t : order) {
    const Message* last = &t->messages.front();
    for (const Message& m : t->messages)
      if (m.date >= last->date) last = &m;
    const std::string name = nameFor(p, t->number);
    w.int64(t->id).text(name.empty() ? t->number : name).text(t->number).int64(last->date);
    w.int32(static_cast<int32_t>(t->messages.size())).int32(1).text(last->body);
  }
  w.int64(0).listEnd();
  return w.reply();
}

std::string listMessages(const PhoneState& p, int32_t threadId) {
  ReplyWriter w;
  for (const Thread& t : p.threads) {
    if (static_cast<int32_t>(t.id) != threadId) continue;
    for (const Message& m : t.messages)
      w.int64(m.id).int32(m.direction).text(t.number).int64(m.date).int32(0).text(m.body).int32(1);
  }
  w.int64(0).int32(0).listEnd();
  return w.reply();
}

std::string listCalls(const PhoneState& p) {
  ReplyWriter w;
  for (const Call& c : p.calls) w.int64(c.id).text(c.number).int64(c.time).int64(c.duration).int32(c.type).text(nameFor(p, c.number));
  w.int64(0).listEnd();
  return w.reply();
}

std::string listAlarms(const PhoneState& p) {
  ReplyWriter w;
  for (const Alarm& a : p.alarms) {
    w.int64(a.id).int32(a.hour).int32(a.minute).int32(a.days).int32(a.enabled).int32(a.vibrate);
    w.text(a.title).text(a.ringtoneName).int64(a.ringtoneValue).text(a.ringtoneUri);
  }
  w.int64(0).int32(0).int32(0).int32(0).int32(0).int32(0).listEnd();
  return w.reply();
}

std::string parentOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return path.substr(0, slash);
}

std::string normalisePath(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path.empty()) path = "/";
  return path;
}

std::string listFolder(const PhoneState& p, const std::string& folder) {
  const std::string dir = normalisePath(folder);
  ReplyWriter w;
  // The first record is the way up; the page keeps it for its "up" button.
  w.int32(1).text(parentOf(dir)).int64(4096).int64(0).int32(1).int32(0).int32(0);
  for (const FileEntry& f : p.files) {
    if (f.path == "/" || parentOf(f.path) != dir) continue;
    w.int32(f.isDir ? 1 : 0).text(f.path).int64(f.size).int64(f.modified).int32(f.readable).int32(f.writable).int32(f.hidden);
  }
  return w.reply();
}

std::string listBookmarks(const PhoneState& p) {
  ReplyWriter w;
  for (const Bookmark& b : p.bookmarks) {
    w.int64(b.id).text(b.title).text(b.url).int32(b.visits).int64(b.lastVisit);
    if (b.icon) w.int32(1).blob64(*b.icon); else w.int32(0);
    if (b.thumbnail) w.int32(1).blob64(*b.thumbnail); else w.int32(0);
  }
  w.int64(0).listEnd();
  return w.reply();
}

std::string listApplications(const PhoneState& p) {
  ReplyWriter w;
  for (const Package& a : p.packages) {
    if (a.system) continue;  // the page lists what the user installed
    w.int32(a.versionCode).text(a.label).text(a.name).text(a.version).int32(a.versionCode).int64(a.size);
    w.blob64(blob(a.icon)).text(a.path).int32(a.system).int64(a.installTime);
  }
  w.int32(0).listEnd();
  return w.reply();
}

std::string readSettings(const PhoneState& p) {
  ReplyWriter w;
  for (int i : {kWifi, kBluetooth, kAirplane, kGps, kRotation, kVibrate, kTimeout, kRinger, kMusic, kDateFormat, kTime24})
    w.int32(p.settings[i]);
  return w.reply();
}

std::string scanCache(const PhoneState& p) {
  ReplyWriter w;
  for (const CacheEntry& c : p.cache) {
    if (c.size <= 0) continue;
    const Package* pkg = p.findPackage(c.package);
    w.int64(c.size).text(pkg ? pkg->label : c.package).text(c.package).blob64(pkg ? blob(pkg->icon) : kEmpty);
  }
  w.int64(0).listEnd();
  return w.reply();
}

std::string listStartup(const PhoneState& p) {
  ReplyWriter w;
  for (const StartupEntry& e : p.startup) w.int32(e.event).text(e.entry).text(e.detail).int32(0);
  w.int32(0).listEnd();
  return w.reply();
}

std::string listProcesses(const PhoneState& p) {
  ReplyWriter w;
  for (const Process& r : p.processes) {
    const Package* pkg = p.findPackage(r.package);
    w.int64(r.memory).int32(r.importance).int32(r.cpu).int32(r.pid).int32(r.system);
    w.text(r.label).text(r.name).blob64(pkg ? blob(pkg->icon) : kEmpty);
  }
  w.int64(0).int32(0).int32(0).int32(0).int32(0).listEnd();
  return w.reply();
}

int32_t freeMemory(const PhoneState& p) {
  return static_cast<int32_t>(std::min<int64_t>(p.system.freeMemory, INT32_MAX));
}

// ---------------------------------------------------------------- changes
// Reads a contact's single item or list in the form of 870103 (no operations) or 870104 (with
// operations); applies it to the stored item.
struct EditedItem {
  int64_t rowId = 0;
  int32_t op = 3;
  int32_t kind = 0;
  std::string value;
};

bool readSingle(FieldReader& r, bool withOps, bool& present, EditedItem& item) {
  present = r.readInt32() == 1;
  if (present) {
    item.rowId = r.readInt64();
    item.op = withOps ? r.readInt32() : 0;
    item.kind = r.readInt32();
    item.value = r.readUtf8Text();
  }
  return r.ok();
}

bool readItems(FieldReader& r, bool withOps, std::vector<EditedItem>& items) {
  const int32_t n = r.readInt32();
  if (!r.ok() || n < 0 || static_cast<size_t>(n) > r.remaining() / 12) return r.ok() && n <= 0;
  for (int32_t i = 0; i < n && r.ok(); ++i) {
    EditedItem e;
    e.rowId = r.readInt64();
    e.op = withOps ? r.readInt32() : 0;
    e.kind = r.readInt32();
    e.value = r.readUtf8Text();
    items.push_back(std::move(e));
  }
  return r.ok();
}

void applyItems(PhoneState& p, std::vector<ContactItem>& stored, const std::vector<EditedItem>& edits) {
  for (const EditedItem& e : edits) {
    auto it = std::find_if(stored.begin(), stored.end(), [&](const ContactItem& s) {
      return static_cast<int32_t>(s.rowId) == static_cast<int32_t>(e.rowId);
    });
    switch (e.op) {
      case 0:
        if (!e.value.empty()) stored.push_back({p.newId(), e.kind, e.value});
        break;
      case 1:
        if (it != stored.end()) stored.erase(it);
        break;
      case 2:
        if (it != stored.end()) {
          it->kind = e.kind;
          it->value = e.value;
        } else if (!e.value.empty()) {
          stored.push_back({p.newId(), e.kind, e.value});
        }
        break;
      default:
        break;  // unchanged
    }
  }
}

void applyGroups(PhoneState& p, Contact& c, const std::vector<EditedItem>& edits) {
  for (const EditedItem& e : edits) {
    if (e.op == 1) {
      c.groupIds.erase(std::remove_if(c.groupIds.begin(), c.groupIds.end(),
                                      [&](int64_t g) { return static_cast<int32_t>(g) == static_cast<int32_t>(e.rowId); }),
                       c.groupIds.end());
    } else if (e.op == 0 || e.op == 2) {
      for (const Group& g : p.groups)
        if (g.title == e.value && std::find(c.groupIds.begin(), c.groupIds.end(), g.id) == c.groupIds.end())
          c.groupIds.push_back(g.id);
    }
  }
}

// 870103 and 870104.
int32_t saveContact(PhoneState& p, FieldReader& r, bool update) {
  r.readInt32();  // total length, checked by the framing
  if (r.readInt32() != 1) return 0;
  int32_t id = update ? r.readInt32() : 0;
  const int32_t starred = r.readInt32();
  const bool extraPresent = r.readInt32() == 1;
  std::string extra;
  if (extraPresent) extra = r.readUtf8Text();
  bool present[3] = {};
  EditedItem single[3];
  for (int i = 0; i < 3; ++i) readSingle(r, update, present[i], single[i]);
  std::vector<EditedItem> lists[7];
  for (auto& l : lists) readItems(r, update, l);
  if (!r.ok()) return 0;

  Contact* c = nullptr;
  if (update) {
    for (Contact& k : p.contacts)
      if (static_cast<int32_t>(k.id) == id) c = &k;
    if (!c) return 0;
  } else {
    p.contacts.push_back({});
    c = &p.contacts.back();
    c->id = p.newId();
    c->rawId = c->id + 5000;
  }
  c->starred = starred == 1 ? 1 : 0;
  c->extraText = {extraPresent, c->extraText.rowId ? c->extraText.rowId : p.newId(), extra};
  OptionalText* texts[3] = {&c->displayName, &c->nickname, &c->notes};
  for (int i = 0; i < 3; ++i) {
    if (!present[i]) {
      *texts[i] = {};
    } else if (!update || single[i].op != 3) {
      texts[i]->present = true;
      texts[i]->value = single[i].value;
      if (!texts[i]->rowId) texts[i]->rowId = p.newId();
    }
  }
  std::vector<ContactItem>* stored[7] = {&c->phones, nullptr, &c->emails, &c->ims, &c->webPages, &c->addresses, &c->organizations};
  for (int i = 0; i < 7; ++i) {
    if (i == 1) {
      applyGroups(p, *c, lists[i]);
      continue;
    }
    applyItems(p, *stored[i], lists[i]);
  }
  return 1;
}

int32_t deleteContacts(PhoneState& p, FieldReader& r) {
  std::set<int64_t> ids;
  if (!readIdList(r, ids)) return 0;
  const size_t before = p.contacts.size();
  p.contacts.erase(std::remove_if(p.contacts.begin(), p.contacts.end(), [&](const Contact& c) { return idIn(ids, c.id); }),
                   p.contacts.end());
  return static_cast<int32_t>(before - p.contacts.size());
}

int32_t addGroup(PhoneState& p, FieldReader& r) {
  r.readInt32();
  if (r.readInt32() != 1) return 0;
  const std::string title = r.readUtf8Text();
  if (!r.ok() || title.empty()) return 0;
  p.groups.push_back({p.newId(), title, "Phone", 1});
  return 1;
}

int32_t renameGroup(PhoneState& p, FieldReader& r) {
  r.readInt32();
  if (r.readInt32() != 1) return 0;
  const int32_t id = r.readInt32();
  const std::string title = r.readUtf8Text();
  if (!r.ok() || title.empty()) return 0;
  for (Group& g : p.groups)
    if (static_cast<int32_t>(g.id) == id) {
      g.title = title;
      return 1;
    }
  return 0;
}

int32_t deleteGroups(PhoneState& p, FieldReader& r) {
  std::set<int64_t> ids;
  if (!readIdList(r, ids)) return 0;
  p.groups.erase(std::remove_if(p.groups.begin(), p.groups.end(), [&](const Group& g) { return idIn(ids, g.id); }),
                 p.groups.end());
  for (Contact& c : p.contacts)
    c.groupIds.erase(std::remove_if(c.groupIds.begin(), c.groupIds.end(), [&](int64_t g) { return idIn(ids, g); }),
                     c.groupIds.end());
  return 1;
}

int32_t sendMessage(PhoneState& p, FieldReader& r) {
  const int32_t total = r.readInt32();
  const int32_t n = r.readInt32();
  if (!r.ok() || n < 0 || static_cast<size_t>(n) > r.remaining() / 4) return 0;
  std::vector<std::string> numbers;
  for (int32_t i = 0; i < n && r.ok(); ++i) numbers.push_back(r.readUtf8Text());
  const std::string text = r.readUtf8Text();
  if (!r.ok() || static_cast<size_t>(total) != r.position()) return 0;
  for (const std::string& number : numbers) {
    if (number.empty()) continue;
    auto it = std::find_if(p.threads.begin(), p.threads.end(), [&](const Thread& t) { return t.number == number; });
    if (it == p.threads.end()) {
      p.threads.push_back({p.newId(), number, {}});
      it = p.threads.end() - 1;
    }
    it->messages.push_back({p.newId(), 2, nowMs(), text});
  }
  return 1;
}

int32_t deleteThreads(PhoneState& p, FieldReader& r) {
  std::set<int64_t> ids;
  if (!readIdList(r, ids)) return 0;
  p.threads.erase(std::remove_if(p.threads.begin(), p.threads.end(), [&](const Thread& t) { return idIn(ids, t.id); }),
                  p.threads.end());
  return 1;
}

int32_t deleteCalls(PhoneState& p, FieldReader& r) {
  std::set<int64_t> ids;
  if (!readIdList(r, ids)) return 0;
  p.calls.erase(std::remove_if(p.calls.begin(), p.calls.end(), [&](const Call& c) { return idIn(ids, c.id); }),
                p.calls.end());
  return 1;
}

int32_t deleteAllCalls(PhoneState& p, FieldReader& r) {
  const int32_t total = r.readInt32();
  const int32_t one = r.readInt32();
  if (!r.ok() || total != 12 || one != 1) return 0;
  p.calls.clear();
  return 1;
}

int32_t saveAlarm(PhoneState& p, FieldReader& r, bool update) {
  r.readInt32();
  if (r.readInt32() != 1) return 0;
  const int32_t id = update ? r.readInt32() : 0;
  Alarm a;
  a.hour = r.readInt32();
  a.minute = r.readInt32();
  a.days = r.readInt32();
  r.readInt64();
  a.enabled = r.readInt32();
  a.vibrate = r.readInt32();
  a.title = r.readUtf8Text();
  a.ringtoneUri = r.readUtf8Text();
  if (!r.ok() || a.hour < 0 || a.hour > 24 || a.minute < 0 || a.minute > 59) return 0;
  a.ringtoneName = a.ringtoneUri.find("alarm_alert") != std::string::npos ? "Default" : a.ringtoneUri.substr(a.ringtoneUri.find_last_of('/') + 1);
  if (!update) {
    a.id = p.newId();
    p.alarms.push_back(std::move(a));
    return 1;
  }
  for (Alarm& old : p.alarms) {
    if (static_cast<int32_t>(old.id) != id) continue;
    a.id = old.id;
    if (a.ringtoneUri == old.ringtoneUri) {
      a.ringtoneName = old.ringtoneName;
      a.ringtoneValue = old.ringtoneValue;
    }
    old = std::move(a);
    return 1;
  }
  return 0;
}

int32_t deleteAlarms(PhoneState& p, FieldReader& r) {
  std::set<int64_t> ids;
  if (!readIdList(r, ids)) return 0;
  p.alarms.erase(std::remove_if(p.alarms.begin(), p.alarms.end(), [&](const Alarm& a) { return idIn(ids, a.id); }),
                 p.alarms.end());
  return 1;
}

int32_t saveBookmark(PhoneState& p, FieldReader& r, bool update) {
  r.readInt32();
  if (r.readInt32() != 1) return 0;
  const int32_t id = update ? r.readInt32() : 0;
  const int32_t visits = r.readInt32();
  const std::string title = r.readUtf8Text();
  const std::string url = r.readUtf8Text();
  if (!r.ok() || title.empty() || url.empty()) return 0;
  if (!update) {
    p.bookmarks.push_back({p.newId(), title, url, visits, 0, nullptr, nullptr});
    return 1;
  }
  for (Bookmark& b : p.bookmarks)
    if (static_cast<int32_t>(b.id) == id) {
      b.title = title;
      b.url = url;
      b.visits = visits;
      return 1;
    }
  return 0;
}

int32_t deleteBookmarks(PhoneState& p, FieldReader& r) {
  std::set<int64_t> ids;
  if (!readIdList(r, ids)) return 0;
  p.bookmarks.erase(std::remove_if(p.bookmarks.begin(), p.bookmarks.end(), [&](const Bookmark& b) { return idIn(ids, b.id); }),
                    p.bookmarks.end());
  return 1;
}

int32_t startApplication(PhoneState& p, FieldReader& r) {
  if (r.readInt32() != 1) return 0;
  r.readInt32();  // total
  const std::string name = r.readUtf8Text();
  if (!r.ok()) return 0;
  const Package* pkg = p.findPackage(name);
  if (!pkg) return 0;
  for (Process& proc : p.processes)
    if (proc.package == name) {
      proc.importance = 100;  // brought to the front
      return 1;
    }
  int32_t pid = 100;
  for (const Process& proc : p.processes) pid = std::max(pid, proc.pid);
  const int64_t memory = 18 * 1024 * 1024;
  p.processes.push_back({pid + 7, name, name, pkg->label, 100, 4, memory, pkg->system});
  p.system.freeMemory = std::max<int64_t>(0, p.system.freeMemory - memory);
  return 1;
}

int32_t changeSetting(PhoneState& p, FieldReader& r) {
  const int32_t total = r.readInt32();
  const int32_t one = r.readInt32();
  const int32_t number = r.readInt32();
  const int32_t value = r.readInt32();
  if (!r.ok() || total != 20 || one != 1 || number < 0 || number >= kSettingCount) return 0;
  p.settings[number] = value;
  if (number == kAirplane && value == 1) {
    p.settings[kWifi] = 0;
    p.settings[kBluetooth] = 0;
  }
  return 1;
}

int32_t cleanCache(PhoneState& p, FieldReader& r) {
  const int32_t total = r.readInt32();
  const int32_t n = r.readInt32();
  if (!r.ok() || n < 0 || static_cast<size_t>(n) > r.remaining() / 4) return 0;
  unsigned char flags[3] = {};
  if (!r.read(3, flags)) return 0;
  std::vector<std::string> names;
  for (int32_t i = 0; i < n && r.ok(); ++i) names.push_back(r.readUtf8Text());
  if (!r.ok() || static_cast<size_t>(total) != r.position()) return 0;
  for (int i = 0; i < 3; ++i)
    if (flags[i] == 1) p.history[i] = false;
  for (CacheEntry& c : p.cache)
    if (std::find(names.begin(), names.end(), c.package) != names.end()) c.size = 0;
  return 1;
}

int32_t endProcesses(PhoneState& p, FieldReader& r) {
  const int32_t total = r.readInt32();
  const int32_t n = r.readInt32();
  if (!r.ok() || n < 0 || static_cast<size_t>(n) > r.remaining() / 4) return 0;
  std::vector<std::string> names;
  for (int32_t i = 0; i < n && r.ok(); ++i) names.push_back(r.readUtf8Text());
  if (!r.ok() || static_cast<size_t>(total) != r.position()) return 0;
  int32_t ended = 0;
  for (auto it = p.processes.begin(); it != p.processes.end();) {
    // The system keeps its own processes alive whatever is asked.
    if (!it->system && std::find(names.begin(), names.end(), it->name) != names.end()) {
      p.system.freeMemory += it->memory;
      it = p.processes.erase(it);
      ++ended;
    } else {
      ++it;
    }
  }
  return ended;
}

}  // namespace

int32_t requestCode(const unsigned char* data, size_t size) { return size < 4 ? 0 : getInt32(data); }

RequestFrame frameAgentRequest(const unsigned char* data, size_t size) {
  if (size < 4) return {FrameStatus::NeedMore, 0, 4};
  const int32_t code = getInt32(data);
  if (!isKnown(code) || isBare(code)) return {FrameStatus::Complete, 4, 4};
  if (code == commandCode(C::ListMessages)) {
    if (size < 8) return {FrameStatus::NeedMore, 0, 8};
    return {FrameStatus::Complete, 8, 8};
  }
  // 870805 carries its total after a count of one; every other request right after the code.
  const size_t totalAt = code == commandCode(C::StartApplication) ? 8 : 4;
  if (size < totalAt + 4) return {FrameStatus::NeedMore, 0, totalAt + 4};
  const int32_t total = getInt32(data + totalAt);
  if (total < static_cast<int32_t>(totalAt + 4) || total > kMaxAgentRequest) return {FrameStatus::Malformed, 0, 0};
  if (size < static_cast<size_t>(total)) return {FrameStatus::NeedMore, 0, static_cast<size_t>(total)};
  return {FrameStatus::Complete, static_cast<size_t>(total), static_cast<size_t>(total)};
}

std::string answerAgentRequest(PhoneState& p, const unsigned char* request, size_t size, int32_t agentVersion) {
  if (size < 4) return noReply();
  FieldReader r(request, size);  // starts after the code
  switch (static_cast<C>(getInt32(request))) {
    case C::PhoneInfo: return phoneInfo(p);
    case C::AgentVersion: return statusWord(agentVersion);
    case C::SystemInfo: return systemInfo(p);
    case C::ListContacts: return listContacts(p);
    case C::ContactDetails: {
      r.readInt32();
      const int32_t one = r.readInt32();
      const int32_t id = r.readInt32();
      return r.ok() && one == 1 ? contactCard(p, id) : noReply();
    }
    case C::AddContact: return statusWord(saveContact(p, r, false));
    case C::UpdateContact: return statusWord(saveContact(p, r, true));
    case C::DeleteContacts: return statusWord(deleteContacts(p, r));
    case C::ListPickerGroups: return pickerGroups(p);
    case C::AddGroup: return statusWord(addGroup(p, r));
    case C::RenameGroup: return statusWord(renameGroup(p, r));
    case C::DeleteGroups: return statusWord(deleteGroups(p, r));
    case C::ListGroups: return listGroups(p);
    case C::ListPickerContacts: return pickerContacts(p);
    case C::ListConversations: return listThreads(p);
    case C::ListMessages: {
      const int32_t id = r.readInt32();
      return r.ok() ? listMessages(p, id) : noReply();
    }
    case C::SendMessage: return statusWord(sendMessage(p, r));
    case C::DeleteMessages: return statusWord(deleteThreads(p, r));
    case C::ListCalls: return listCalls(p);
    case C::DeleteCalls: return statusWord(deleteCalls(p, r));
    case C::DeleteAllCalls: return statusWord(deleteAllCalls(p, r));
    case C::ListAlarms: return listAlarms(p);
    case C::AddAlarm: return statusWord(saveAlarm(p, r, false));
    case C::UpdateAlarm: return statusWord(saveAlarm(p, r, true));
    case C::DeleteAlarms: return statusWord(deleteAlarms(p, r));
    case C::ListRoot: return listFolder(p, "/");
    case C::ListFolder: {
      r.readInt32();
      const int32_t one = r.readInt32();
      const std::string path = r.readUtf8Text();
      return r.ok() && one == 1 ? listFolder(p, path) : noReply();
    }
    case C::ListBookmarks: return listBookmarks(p);
    case C::AddBookmark: return statusWord(saveBookmark(p, r, false));
    case C::UpdateBookmark: return statusWord(saveBookmark(p, r, true));
    case C::DeleteBookmarks: return statusWord(deleteBookmarks(p, r));
    case C::ListApplications: return listApplications(p);
    case C::StartApplication: return statusWord(startApplication(p, r));
    case C::ReadSettings: return readSettings(p);
    case C::ChangeSetting: return statusWord(changeSetting(p, r));
    case C::ScanCache: return scanCache(p);
    case C::CleanCache: return statusWord(cleanCache(p, r));
    case C::ListStartupItems: return listStartup(p);
    case C::ListProcesses: return listProcesses(p);
    case C::EndProcesses: return statusWord(endProcesses(p, r));
    case C::FreeMemory: return statusWord(freeMemory(p));
  }
  return noReply();
}

}  // namespace zorvik::sim
