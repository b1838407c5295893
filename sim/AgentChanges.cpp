// The agent's commands that change the phone's data: each reads its request's fields and answers
// with a status word (1 done, 0 refused; the count for endProcesses and deleteContacts).
#include "sim/AgentReplies.h"

#include "sim/SimUtil.h"

#include <algorithm>
#include <set>

namespace zorvik::sim::agent {

namespace {

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

// The head of a request that carries texts: its total length and their count, which must fit in
// what is left (each text takes at least its 4-byte length).
bool readTextListHead(FieldReader& r, int32_t& total, int32_t& n) {
  total = r.readInt32();
  n = r.readInt32();
  return r.ok() && n >= 0 && static_cast<size_t>(n) <= r.remaining() / 4;
}

std::vector<std::string> readTexts(FieldReader& r, int32_t n) {
  std::vector<std::string> texts;
  for (int32_t i = 0; i < n && r.ok(); ++i) texts.push_back(r.readUtf8Text());
  return texts;
}

// Whether the request was read whole and ends where its total length says.
bool endsAt(const FieldReader& r, int32_t total) { return r.ok() && static_cast<size_t>(total) == r.position(); }

// Removes the records whose ids are listed; how many went.
template <class Record>
size_t eraseIds(std::vector<Record>& records, const std::set<int64_t>& ids) {
  const size_t before = records.size();
  records.erase(std::remove_if(records.begin(), records.end(), [&](const Record& x) { return idIn(ids, x.id); }),
                records.end());
  return before - records.size();
}

// A delete request's answer: 1 once the listed records are gone, 0 for a list that does not add up.
template <class Record>
int32_t deleteListed(std::vector<Record>& records, FieldReader& r) {
  std::set<int64_t> ids;
  if (!readIdList(r, ids)) return 0;
  eraseIds(records, ids);
  return 1;
}

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

}  // namespace

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
  return static_cast<int32_t>(eraseIds(p.contacts, ids));
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
  eraseIds(p.groups, ids);
  for (Contact& c : p.contacts)
    c.groupIds.erase(std::remove_if(c.groupIds.begin(), c.groupIds.end(), [&](int64_t g) { return idIn(ids, g); }),
                     c.groupIds.end());
  return 1;
}

int32_t sendMessage(PhoneState& p, FieldReader& r) {
  int32_t total = 0, n = 0;
  if (!readTextListHead(r, total, n)) return 0;
  const std::vector<std::string> numbers = readTexts(r, n);
  const std::string text = r.readUtf8Text();
  if (!endsAt(r, total)) return 0;
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

int32_t deleteThreads(PhoneState& p, FieldReader& r) { return deleteListed(p.threads, r); }

int32_t deleteCalls(PhoneState& p, FieldReader& r) { return deleteListed(p.calls, r); }

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

int32_t deleteAlarms(PhoneState& p, FieldReader& r) { return deleteListed(p.alarms, r); }

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

int32_t deleteBookmarks(PhoneState& p, FieldReader& r) { return deleteListed(p.bookmarks, r); }

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
  int32_t total = 0, n = 0;
  if (!readTextListHead(r, total, n)) return 0;
  unsigned char flags[3] = {};
  if (!r.read(3, flags)) return 0;
  const std::vector<std::string> names = readTexts(r, n);
  if (!endsAt(r, total)) return 0;
  for (int i = 0; i < 3; ++i)
    if (flags[i] == 1) p.history[i] = false;
  for (CacheEntry& c : p.cache)
    if (std::find(names.begin(), names.end(), c.package) != names.end()) c.size = 0;
  return 1;
}

int32_t endProcesses(PhoneState& p, FieldReader& r) {
  int32_t total = 0, n = 0;
  if (!readTextListHead(r, total, n)) return 0;
  const std::vector<std::string> names = readTexts(r, n);
  if (!endsAt(r, total)) return 0;
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

}  // namespace zorvik::sim::agent
