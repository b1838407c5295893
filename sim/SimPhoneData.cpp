// The virtual phone's answers to the agent's questions, and the changes the agent's commands make
// to its data set.
#include "sim/SimPhoneData.h"

#include "sim/SimUtil.h"

#include <algorithm>
#include <set>

namespace zorvik::sim {

using phone::Answer;
using phone::EditedItem;

namespace {

const Answer kServed = Answer::served();

const Group* findGroup(const PhoneState& p, int64_t id) {
  for (const Group& g : p.groups)
    if (g.id == id) return &g;
  return nullptr;
}

std::string nameFor(const PhoneState& p, const std::string& number) {
  const Contact* c = p.contactByNumber(number);
  return c ? c->displayName.value : std::string();
}

// Ids travel as their low 32 bits.
bool idIn(const std::set<int64_t>& ids, int64_t id) { return ids.count(static_cast<int32_t>(id)) != 0; }

std::set<int64_t> idSet(const std::vector<int32_t>& ids) { return std::set<int64_t>(ids.begin(), ids.end()); }

// Removes the records whose ids are listed; how many went.
template <class Record>
size_t eraseIds(std::vector<Record>& records, const std::set<int64_t>& ids) {
  const size_t before = records.size();
  records.erase(std::remove_if(records.begin(), records.end(), [&](const Record& x) { return idIn(ids, x.id); }),
                records.end());
  return before - records.size();
}

// A delete request's answer: 1 once the listed records are gone.
template <class Record>
Answer deleteListed(std::vector<Record>& records, const std::vector<int32_t>& ids, int32_t& status) {
  eraseIds(records, idSet(ids));
  status = 1;
  return kServed;
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

}  // namespace

// ---------------------------------------------------------------- device

Answer SimPhoneData::phoneInfo(phone::PhoneInfo& out) {
  out = {p_.system.clientCode, p_.system.sdk, p_.system.model};
  return kServed;
}

Answer SimPhoneData::systemInfo(phone::SystemInfo& out) {
  const SystemFacts& f = p_.system;
  out.model = f.model;
  out.uptime = f.uptime;
  out.systemVersion = f.systemVersion;
  out.imei = f.imei;
  out.imsi = f.imsi;
  out.resolution = f.resolution;
  out.battery = f.battery;
  out.cpu = f.cpu;
  out.ram = f.ram;
  out.rom = f.rom;
  out.sd = f.sd;
  out.gps = p_.settings[kGps];
  out.bluetooth = p_.settings[kBluetooth];
  out.wifi = p_.settings[kWifi];
  out.rotation = p_.settings[kRotation];
  out.mobileNetwork = p_.settings[kAirplane] ? std::string() : f.mobileNetwork;
  out.wifiNetwork = p_.settings[kWifi] ? f.wifiNetwork : std::string();
  out.brightness = f.brightness;
  return kServed;
}

// ---------------------------------------------------------------- contacts

Answer SimPhoneData::contacts(std::vector<phone::ContactSummary>& out) {
  out.reserve(p_.contacts.size());
  for (const Contact& c : p_.contacts)
    out.push_back({c.id, c.rawId, c.displayName.value, c.starred, c.phones.empty() ? std::string() : c.phones.front().value,
                   c.lastContact, c.timesContacted, c.photo});
  return kServed;
}

Answer SimPhoneData::contactCard(int32_t id, phone::ContactCard& out) {
  auto it = std::find_if(p_.contacts.begin(), p_.contacts.end(),
                         [&](const Contact& c) { return static_cast<int32_t>(c.id) == id; });
  if (it == p_.contacts.end()) return Answer::nothing();
  const Contact& c = *it;
  out.id = c.id;
  out.rawId = c.rawId;
  out.starred = c.starred;
  out.lastContact = c.lastContact;
  out.timesContacted = c.timesContacted;
  out.photo = c.photo;
  out.extraText = c.extraText;
  out.displayName = c.displayName;
  out.nickname = c.nickname;
  out.notes = c.notes;
  out.phones = c.phones;
  for (int64_t g : c.groupIds)
    if (const Group* group = findGroup(p_, g)) out.groups.push_back({g, 0, group->title});
  out.emails = c.emails;
  out.ims = c.ims;
  out.webPages = c.webPages;
  out.addresses = c.addresses;
  out.organizations = c.organizations;
  return kServed;
}

Answer SimPhoneData::saveContact(const phone::ContactEdit& e, bool update, int32_t& status) {
  status = 0;
  Contact* c = nullptr;
  if (update) {
    for (Contact& k : p_.contacts)
      if (static_cast<int32_t>(k.id) == e.id) c = &k;
    if (!c) return kServed;
  } else {
    p_.contacts.push_back({});
    c = &p_.contacts.back();
    c->id = p_.newId();
    c->rawId = c->id + 5000;
  }
  c->starred = e.starred == 1 ? 1 : 0;
  c->extraText = {e.extraPresent, c->extraText.rowId ? c->extraText.rowId : p_.newId(), e.extraText};
  const bool present[3] = {e.displayNamePresent, e.nicknamePresent, e.notesPresent};
  const EditedItem* single[3] = {&e.displayName, &e.nickname, &e.notes};
  OptionalText* texts[3] = {&c->displayName, &c->nickname, &c->notes};
  for (int i = 0; i < 3; ++i) {
    if (!present[i]) {
      *texts[i] = {};
    } else if (!update || single[i]->op != 3) {
      texts[i]->present = true;
      texts[i]->value = single[i]->value;
      if (!texts[i]->rowId) texts[i]->rowId = p_.newId();
    }
  }
  applyItems(p_, c->phones, e.phones);
  applyGroups(p_, *c, e.groups);
  applyItems(p_, c->emails, e.emails);
  applyItems(p_, c->ims, e.ims);
  applyItems(p_, c->webPages, e.webPages);
  applyItems(p_, c->addresses, e.addresses);
  applyItems(p_, c->organizations, e.organizations);
  status = 1;
  return kServed;
}

Answer SimPhoneData::deleteContacts(const std::vector<int32_t>& ids, int32_t& status) {
  status = static_cast<int32_t>(eraseIds(p_.contacts, idSet(ids)));
  return kServed;
}

// ---------------------------------------------------------------- groups

Answer SimPhoneData::groups(std::vector<Group>& out) {
  out = p_.groups;
  return kServed;
}

Answer SimPhoneData::addGroup(const std::string& title, int32_t& status) {
  p_.groups.push_back({p_.newId(), title, "Phone", 1});
  status = 1;
  return kServed;
}

Answer SimPhoneData::renameGroup(int32_t id, const std::string& title, int32_t& status) {
  status = 0;
  for (Group& g : p_.groups)
    if (static_cast<int32_t>(g.id) == id) {
      g.title = title;
      status = 1;
      break;
    }
  return kServed;
}

Answer SimPhoneData::deleteGroups(const std::vector<int32_t>& list, int32_t& status) {
  const std::set<int64_t> ids = idSet(list);
  eraseIds(p_.groups, ids);
  for (Contact& c : p_.contacts)
    c.groupIds.erase(std::remove_if(c.groupIds.begin(), c.groupIds.end(), [&](int64_t g) { return idIn(ids, g); }),
                     c.groupIds.end());
  status = 1;
  return kServed;
}

Answer SimPhoneData::pickerContacts(std::vector<phone::PickerContact>& out) {
  for (const Contact& c : p_.contacts) {
    for (const ContactItem& phone : c.phones) {
      // A contact outside every group is listed under -1, the picker's "ungrouped" entry.
      if (c.groupIds.empty()) out.push_back({-1, c.displayName.value, phone.value});
      for (int64_t g : c.groupIds) out.push_back({g, c.displayName.value, phone.value});
    }
  }
  return kServed;
}

// ---------------------------------------------------------------- messages

Answer SimPhoneData::threads(std::vector<phone::ThreadSummary>& out) {
  std::vector<const Thread*> order;
  for (const Thread& t : p_.threads)
    if (!t.messages.empty()) order.push_back(&t);
  auto newest = [](const Thread* t) {
    int64_t d = 0;
    for (const Message& m : t->messages) d = std::max(d, m.date);
    return d;
  };
  std::stable_sort(order.begin(), order.end(), [&](const Thread* a, const Thread* b) { return newest(a) > newest(b); });
  for (const Thread* t : order) {
    const Message* last = &t->messages.front();
    for (const Message& m : t->messages)
      if (m.date >= last->date) last = &m;
    out.push_back({t->id, nameFor(p_, t->number), t->number, last->date, static_cast<int32_t>(t->messages.size()), 1,
                   last->body});
  }
  return kServed;
}

Answer SimPhoneData::conversation(int32_t threadId, std::vector<phone::ConversationMessage>& out) {
  for (const Thread& t : p_.threads) {
    if (static_cast<int32_t>(t.id) != threadId) continue;
    for (const Message& m : t.messages) out.push_back({m.id, m.direction, t.number, m.date, m.body});
  }
  return kServed;
}

Answer SimPhoneData::sendMessage(const std::vector<std::string>& numbers, const std::string& text, int32_t& status) {
  for (const std::string& number : numbers) {
    if (number.empty()) continue;
    auto it = std::find_if(p_.threads.begin(), p_.threads.end(), [&](const Thread& t) { return t.number == number; });
    if (it == p_.threads.end()) {
      p_.threads.push_back({p_.newId(), number, {}});
      it = p_.threads.end() - 1;
    }
    it->messages.push_back({p_.newId(), 2, nowMs(), text});
  }
  status = 1;
  return kServed;
}

Answer SimPhoneData::deleteThreads(const std::vector<int32_t>& ids, int32_t& status) {
  return deleteListed(p_.threads, ids, status);
}

// ---------------------------------------------------------------- call log

Answer SimPhoneData::calls(std::vector<Call>& out) {
  out = p_.calls;
  for (Call& c : out) c.name = nameFor(p_, c.number);
  return kServed;
}

Answer SimPhoneData::deleteCalls(const std::vector<int32_t>& ids, int32_t& status) {
  return deleteListed(p_.calls, ids, status);
}

Answer SimPhoneData::deleteAllCalls(int32_t& status) {
  p_.calls.clear();
  status = 1;
  return kServed;
}

// ---------------------------------------------------------------- alarms, files, bookmarks, applications

Answer SimPhoneData::alarms(std::vector<Alarm>& out) {
  out = p_.alarms;
  return kServed;
}

Answer SimPhoneData::saveAlarm(const Alarm& asked, bool update, int32_t& status) {
  Alarm a = asked;
  a.ringtoneName = a.ringtoneUri.find("alarm_alert") != std::string::npos ? "Default" : a.ringtoneUri.substr(a.ringtoneUri.find_last_of('/') + 1);
  status = 1;
  if (!update) {
    a.id = p_.newId();
    p_.alarms.push_back(std::move(a));
    return kServed;
  }
  for (Alarm& old : p_.alarms) {
    if (static_cast<int32_t>(old.id) != static_cast<int32_t>(asked.id)) continue;
    a.id = old.id;
    if (a.ringtoneUri == old.ringtoneUri) {
      a.ringtoneName = old.ringtoneName;
      a.ringtoneValue = old.ringtoneValue;
    }
    old = std::move(a);
    return kServed;
  }
  status = 0;
  return kServed;
}

Answer SimPhoneData::deleteAlarms(const std::vector<int32_t>& ids, int32_t& status) {
  return deleteListed(p_.alarms, ids, status);
}

Answer SimPhoneData::folder(const std::string& dir, std::vector<FileEntry>& out) {
  for (const FileEntry& f : p_.files)
    if (f.path != "/" && parentOf(f.path) == dir) out.push_back(f);
  return kServed;
}

Answer SimPhoneData::bookmarks(std::vector<Bookmark>& out) {
  out = p_.bookmarks;
  return kServed;
}

Answer SimPhoneData::saveBookmark(const Bookmark& b, bool update, int32_t& status) {
  status = 1;
  if (!update) {
    p_.bookmarks.push_back({p_.newId(), b.title, b.url, b.visits, 0, nullptr, nullptr});
    return kServed;
  }
  for (Bookmark& old : p_.bookmarks)
    if (static_cast<int32_t>(old.id) == static_cast<int32_t>(b.id)) {
      old.title = b.title;
      old.url = b.url;
      old.visits = b.visits;
      return kServed;
    }
  status = 0;
  return kServed;
}

Answer SimPhoneData::deleteBookmarks(const std::vector<int32_t>& ids, int32_t& status) {
  return deleteListed(p_.bookmarks, ids, status);
}

Answer SimPhoneData::applications(std::vector<Package>& out) {
  for (const Package& a : p_.packages)
    if (!a.system) out.push_back(a);  // the page lists what the user installed
  return kServed;
}

Answer SimPhoneData::startApplication(const std::string& name, int32_t& status) {
  status = 0;
  const Package* pkg = p_.findPackage(name);
  if (!pkg) return kServed;
  status = 1;
  for (Process& proc : p_.processes)
    if (proc.package == name) {
      proc.importance = 100;  // brought to the front
      return kServed;
    }
  int32_t pid = 100;
  for (const Process& proc : p_.processes) pid = std::max(pid, proc.pid);
  const int64_t memory = 18 * 1024 * 1024;
  p_.processes.push_back({pid + 7, name, name, pkg->label, 100, 4, memory, pkg->system});
  p_.system.freeMemory = std::max<int64_t>(0, p_.system.freeMemory - memory);
  return kServed;
}

// ---------------------------------------------------------------- settings, cleaner, start-up, processes

Answer SimPhoneData::settings(phone::PhoneSettings& out) {
  std::copy(std::begin(p_.settings), std::end(p_.settings), std::begin(out.values));
  return kServed;
}

Answer SimPhoneData::changeSetting(int32_t number, int32_t value, int32_t& status) {
  p_.settings[number] = value;
  if (number == kAirplane && value == 1) {
    p_.settings[kWifi] = 0;
    p_.settings[kBluetooth] = 0;
  }
  status = 1;
  return kServed;
}

Answer SimPhoneData::cache(std::vector<CacheEntry>& out) {
  for (const CacheEntry& c : p_.cache) {
    CacheEntry e = c;
    const Package* pkg = p_.findPackage(c.package);
    e.label = pkg ? pkg->label : c.package;
    e.icon = pkg ? pkg->icon : nullptr;
    out.push_back(std::move(e));
  }
  return kServed;
}

Answer SimPhoneData::cleanCache(const phone::CleanRequest& request, int32_t& status) {
  for (int i = 0; i < 3; ++i)
    if (request.clearHistory[i] == 1) p_.history[i] = false;
  for (CacheEntry& c : p_.cache)
    if (std::find(request.packages.begin(), request.packages.end(), c.package) != request.packages.end()) c.size = 0;
  status = 1;
  return kServed;
}

Answer SimPhoneData::startupItems(std::vector<StartupEntry>& out) {
  out = p_.startup;
  return kServed;
}

Answer SimPhoneData::processes(std::vector<Process>& out) {
  out = p_.processes;
  for (Process& r : out) {
    const Package* pkg = p_.findPackage(r.package);
    r.icon = pkg ? pkg->icon : nullptr;
  }
  return kServed;
}

Answer SimPhoneData::endProcesses(const std::vector<std::string>& names, int32_t& status) {
  int32_t ended = 0;
  for (auto it = p_.processes.begin(); it != p_.processes.end();) {
    // The system keeps its own processes alive whatever is asked.
    if (!it->system && std::find(names.begin(), names.end(), it->name) != names.end()) {
      p_.system.freeMemory += it->memory;
      it = p_.processes.erase(it);
      ++ended;
    } else {
      ++it;
    }
  }
  status = ended;
  return kServed;
}

Answer SimPhoneData::freeMemory(int64_t& bytes) {
  bytes = p_.system.freeMemory;
  return kServed;
}

}  // namespace zorvik::sim
