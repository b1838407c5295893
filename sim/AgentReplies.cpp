// The agent's replies that read the phone's data: each built field by field as the owning page
// walks it.
#include "sim/AgentReplies.h"

#include "sim/ReplyWriter.h"
#include "sim/SimUtil.h"

#include <algorithm>

namespace zorvik::sim::agent {

namespace {

const std::string kEmpty;
const std::string& blob(const Blob& b) { return b ? *b : kEmpty; }

const Group* findGroup(const PhoneState& p, int64_t id) {
  for (const Group& g : p.groups)
    if (g.id == id) return &g;
  return nullptr;
}

std::string nameFor(const PhoneState& p, const std::string& number) {
  const Contact* c = p.contactByNumber(number);
  return c ? c->displayName.value : std::string();
}

std::string normalisePath(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path.empty()) path = "/";
  return path;
}

}  // namespace

std::string noReply() { return statusWord(kAgentNoReply); }

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

std::string contactDetails(const PhoneState& p, FieldReader& r) {
  r.readInt32();
  const int32_t one = r.readInt32();
  const int32_t id = r.readInt32();
  return r.ok() && one == 1 ? contactCard(p, id) : noReply();
}

std::string listMessages(const PhoneState& p, FieldReader& r) {
  const int32_t id = r.readInt32();
  return r.ok() ? listMessages(p, id) : noReply();
}

std::string listFolder(const PhoneState& p, FieldReader& r) {
  r.readInt32();
  const int32_t one = r.readInt32();
  const std::string path = r.readUtf8Text();
  return r.ok() && one == 1 ? listFolder(p, path) : noReply();
}

}  // namespace zorvik::sim::agent
