// The agent's reply bodies: each built field by field as the owning page walks it.
#include "phone/AgentReplies.h"

#include "phone/ReplyWriter.h"

#include <algorithm>
#include <climits>

namespace zorvik::phone {

namespace reply {

namespace {

// An int64 byte count and the picture; a missing one is a count of 0.
void blob64(ReplyWriter& w, const Blob& b) {
  if (b) {
    w.blob64(*b);
  } else {
    w.int64(0);
  }
}

}  // namespace

std::string noReply() { return statusWord(kAgentNoReply); }

std::string phoneInfo(const PhoneInfo& info) {
  ReplyWriter w;
  w.int32(info.clientCode).int32(info.sdk).text(info.model);
  return w.reply();
}

std::string systemInfo(const SystemInfo& f) {
  ReplyWriter w;
  w.text(f.model).int64(f.uptime).text(f.systemVersion).text(f.imei).text(f.imsi).text(f.resolution);
  w.text(f.battery).text(f.cpu).text(f.ram).text(f.rom).text(f.sd);
  w.int32(f.gps).int32(f.bluetooth).int32(f.wifi).int32(f.rotation);
  w.text(f.mobileNetwork).text(f.wifiNetwork);
  w.int32(f.brightness);
  return w.reply();
}

std::string contacts(const std::vector<ContactSummary>& list) {
  ReplyWriter w(static_cast<int32_t>(list.size()));
  for (const ContactSummary& c : list) {
    w.int64(c.id).int64(c.rawId).text(c.name).int32(c.starred).text(c.number);
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

std::string contactCard(const ContactCard& c) {
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
  for (const std::vector<ContactItem>* items :
       {&c.phones, &c.groups, &c.emails, &c.ims, &c.webPages, &c.addresses, &c.organizations}) {
    w.int32(static_cast<int32_t>(items->size()));
    for (const ContactItem& i : *items) w.int64(i.rowId).int32(i.kind).text(i.value);
  }
  return w.reply();
}

std::string pickerGroups(const std::vector<Group>& list) {
  ReplyWriter w;
  for (const Group& g : list) w.int64(g.id).text(g.title);
  w.int64(0).listEnd();
  return w.reply();
}

std::string groups(const std::vector<Group>& list) {
  ReplyWriter w;
  for (const Group& g : list) w.int64(g.id).text(g.title).text(g.account).int32(g.visible);
  w.int64(0).listEnd();
  return w.reply();
}

std::string pickerContacts(const std::vector<PickerContact>& list) {
  ReplyWriter w;
  for (const PickerContact& e : list) w.int64(e.groupId).text(e.name).text(e.number);
  w.int64(0).listEnd();
  return w.reply();
}

std::string threads(const std::vector<ThreadSummary>& list) {
  ReplyWriter w;
  for (const ThreadSummary& t : list) {
    w.int64(t.id).text(t.name.empty() ? t.number : t.name).text(t.number).int64(t.date);
    w.int32(t.messageCount).int32(t.read).text(t.snippet);
  }
  w.int64(0).listEnd();
  return w.reply();
}

std::string conversation(const std::vector<ConversationMessage>& list) {
  ReplyWriter w;
  for (const ConversationMessage& m : list)
    w.int64(m.id).int32(m.direction).text(m.number).int64(m.date).int32(0).text(m.body).int32(1);
  w.int64(0).int32(0).listEnd();
  return w.reply();
}

std::string calls(const std::vector<Call>& list) {
  ReplyWriter w;
  for (const Call& c : list) w.int64(c.id).text(c.number).int64(c.time).int64(c.duration).int32(c.type).text(c.name);
  w.int64(0).listEnd();
  return w.reply();
}

std::string alarms(const std::vector<Alarm>& list) {
  ReplyWriter w;
  for (const Alarm& a : list) {
    w.int64(a.id).int32(a.hour).int32(a.minute).int32(a.days).int32(a.enabled).int32(a.vibrate);
    w.text(a.title).text(a.ringtoneName).int64(a.ringtoneValue).text(a.ringtoneUri);
  }
  w.int64(0).int32(0).int32(0).int32(0).int32(0).int32(0).listEnd();
  return w.reply();
}

std::string folder(const std::string& folder, const std::vector<FileEntry>& entries) {
  ReplyWriter w;
  // The first record is the way up; the page keeps it for its "up" button.
  w.int32(1).text(parentOf(folder)).int64(4096).int64(0).int32(1).int32(0).int32(0);
  for (const FileEntry& f : entries)
    w.int32(f.isDir ? 1 : 0).text(f.path).int64(f.size).int64(f.modified).int32(f.readable).int32(f.writable).int32(f.hidden);
  return w.reply();
}

std::string bookmarks(const std::vector<Bookmark>& list) {
  ReplyWriter w;
  for (const Bookmark& b : list) {
    w.int64(b.id).text(b.title).text(b.url).int32(b.visits).int64(b.lastVisit);
    if (b.icon) w.int32(1).blob64(*b.icon); else w.int32(0);
    if (b.thumbnail) w.int32(1).blob64(*b.thumbnail); else w.int32(0);
  }
  w.int64(0).listEnd();
  return w.reply();
}

std::string applications(const std::vector<Package>& list) {
  ReplyWriter w;
  for (const Package& a : list) {
    w.int32(a.versionCode).text(a.label).text(a.name).text(a.version).int32(a.versionCode).int64(a.size);
    blob64(w, a.icon);
    w.text(a.path).int32(a.system).int64(a.installTime);
  }
  w.int32(0).listEnd();
  return w.reply();
}

std::string settings(const PhoneSettings& s) {
  ReplyWriter w;
  for (int i : {kWifi, kBluetooth, kAirplane, kGps, kRotation, kVibrate, kTimeout, kRinger, kMusic, kDateFormat, kTime24})
    w.int32(s.values[i]);
  return w.reply();
}

std::string cache(const std::vector<CacheEntry>& list) {
  ReplyWriter w;
  for (const CacheEntry& c : list) {
    if (c.size <= 0) continue;
    w.int64(c.size).text(c.label).text(c.package);
    blob64(w, c.icon);
  }
  w.int64(0).listEnd();
  return w.reply();
}

std::string startupItems(const std::vector<StartupEntry>& list) {
  ReplyWriter w;
  for (const StartupEntry& e : list) w.int32(e.event).text(e.entry).text(e.detail).int32(0);
  w.int32(0).listEnd();
  return w.reply();
}

std::string processes(const std::vector<Process>& list) {
  ReplyWriter w;
  for (const Process& r : list) {
    w.int64(r.memory).int32(r.importance).int32(r.cpu).int32(r.pid).int32(r.system);
    w.text(r.label).text(r.name);
    blob64(w, r.icon);
  }
  w.int64(0).int32(0).int32(0).int32(0).int32(0).listEnd();
  return w.reply();
}

int32_t freeMemoryWord(int64_t bytes) { return static_cast<int32_t>(std::clamp<int64_t>(bytes, 0, INT32_MAX)); }

}  // namespace reply
}  // namespace zorvik::phone
