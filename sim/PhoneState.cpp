#include "sim/PhoneState.h"

#include <json/json.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace zorvik::sim {

namespace {

std::string decodeBase64(const std::string& text) {
  static const std::string kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve(text.size() * 3 / 4);
  uint32_t buffer = 0;
  int bits = 0;
  for (char c : text) {
    const size_t v = kAlphabet.find(c);
    if (v == std::string::npos) continue;  // padding and line breaks
    buffer = (buffer << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<char>((buffer >> bits) & 0xFF));
    }
  }
  return out;
}

std::string str(const Json::Value& v, const char* key) {
  const Json::Value& m = v[key];
  return m.isString() ? m.asString() : std::string();
}
int64_t i64(const Json::Value& v, const char* key) {
  const Json::Value& m = v[key];
  return m.isNumeric() ? m.asInt64() : 0;
}
int32_t i32(const Json::Value& v, const char* key) { return static_cast<int32_t>(i64(v, key)); }

std::vector<ContactItem> items(const Json::Value& list) {
  std::vector<ContactItem> out;
  for (const Json::Value& e : list) out.push_back({i64(e, "row"), i32(e, "kind"), str(e, "value")});
  return out;
}

}  // namespace

const Package* PhoneState::findPackage(const std::string& name) const {
  for (const Package& p : packages)
    if (p.name == name) return &p;
  return nullptr;
}

const Contact* PhoneState::contactByNumber(const std::string& number) const {
  for (const Contact& c : contacts)
    for (const ContactItem& p : c.phones)
      if (p.value == number) return &c;
  return nullptr;
}

namespace {

// The data set's pictures, by name; records refer to them.
class Images {
 public:
  explicit Images(const Json::Value& all) {
    for (const std::string& key : all.getMemberNames())
      images_[key] = std::make_shared<const std::string>(decodeBase64(all[key].asString()));
  }
  Blob operator()(const Json::Value& v, const char* key) const {
    auto it = images_.find(str(v, key));
    return it == images_.end() ? nullptr : it->second;
  }

 private:
  std::map<std::string, Blob> images_;
};

void readSystem(const Json::Value& sys, SystemFacts& f) {
  f.manufacturer = str(sys, "manufacturer");
  f.model = str(sys, "model");
  f.brand = str(sys, "brand");
  f.device = str(sys, "device");
  f.sdk = i32(sys, "sdk");
  f.release = str(sys, "release");
  f.buildId = str(sys, "buildId");
  f.clientCode = i32(sys, "clientCode");
  f.uptime = i64(sys, "uptime");
  f.systemVersion = str(sys, "systemVersion");
  f.imei = str(sys, "imei");
  f.imsi = str(sys, "imsi");
  f.resolution = str(sys, "resolution");
  f.battery = str(sys, "battery");
  f.cpu = str(sys, "cpu");
  f.ram = str(sys, "ram");
  f.rom = str(sys, "rom");
  f.sd = str(sys, "sd");
  f.mobileNetwork = str(sys, "mobileNetwork");
  f.wifiNetwork = str(sys, "wifiNetwork");
  f.brightness = i32(sys, "brightness");
  f.freeMemory = i64(sys, "freeMemory");
}

void readSettings(const Json::Value& set, PhoneState& s) {
  const char* settingKeys[kSettingCount] = {"wifi",  "bluetooth", "airplane", "gps",    "rotation",  "vibrate",
                                            "timeout", "ringer",  "music",    "time24", "dateFormat"};
  for (int i = 0; i < kSettingCount; ++i)
    if (set.isMember(settingKeys[i])) s.settings[i] = i32(set, settingKeys[i]);
}

Contact readContact(const Json::Value& c, const Images& image) {
  Contact k;
  k.id = i64(c, "id");
  k.rawId = i64(c, "rawId");
  k.starred = i32(c, "starred");
  k.lastContact = i64(c, "lastContact");
  k.timesContacted = i64(c, "timesContacted");
  k.photo = image(c, "photo");
  auto single = [&](const char* key, OptionalText& t) {
    if (c[key].isString()) t = {true, 0, c[key].asString()};  // row ids are handed out later
  };
  single("displayName", k.displayName);
  single("nickname", k.nickname);
  single("notes", k.notes);
  k.phones = items(c["phones"]);
  k.emails = items(c["emails"]);
  k.ims = items(c["ims"]);
  k.webPages = items(c["webPages"]);
  k.addresses = items(c["addresses"]);
  k.organizations = items(c["organizations"]);
  for (const Json::Value& g : c["groups"]) k.groupIds.push_back(g.asInt64());
  return k;
}

void readPeople(const Json::Value& root, const Images& image, PhoneState& s) {
  for (const Json::Value& g : root["groups"]) s.groups.push_back({i64(g, "id"), str(g, "title"), str(g, "account"), i32(g, "visible")});
  for (const Json::Value& c : root["contacts"]) s.contacts.push_back(readContact(c, image));
  for (const Json::Value& t : root["threads"]) {
    Thread th{i64(t, "id"), str(t, "number"), {}};
    for (const Json::Value& m : t["messages"])
      th.messages.push_back({i64(m, "id"), i32(m, "direction"), i64(m, "date"), str(m, "body")});
    s.threads.push_back(std::move(th));
  }
  for (const Json::Value& c : root["calls"])
    s.calls.push_back({i64(c, "id"), str(c, "number"), i64(c, "time"), i64(c, "duration"), i32(c, "type")});
}

void readTools(const Json::Value& root, const Images& image, PhoneState& s) {
  for (const Json::Value& a : root["alarms"])
    s.alarms.push_back({i64(a, "id"), i32(a, "hour"), i32(a, "minute"), i32(a, "days"), i32(a, "enabled"),
                        i32(a, "vibrate"), str(a, "title"), str(a, "ringtoneName"), i64(a, "ringtoneValue"),
                        str(a, "ringtoneUri")});
  for (const Json::Value& b : root["bookmarks"])
    s.bookmarks.push_back({i64(b, "id"), str(b, "title"), str(b, "url"), i32(b, "visits"), i64(b, "lastVisit"),
                           image(b, "icon"), image(b, "thumbnail")});
  for (const Json::Value& p : root["packages"])
    s.packages.push_back({str(p, "label"), str(p, "package"), str(p, "version"), i32(p, "versionCode"),
                          i64(p, "size"), image(p, "icon"), i32(p, "system"), str(p, "path"), i64(p, "installTime")});
  for (const Json::Value& p : root["processes"])
    s.processes.push_back({i32(p, "pid"), str(p, "name"), str(p, "package"), str(p, "label"), i32(p, "importance"),
                           i32(p, "cpu"), i64(p, "memory"), i32(p, "system")});
  for (const Json::Value& c : root["cache"]) s.cache.push_back({str(c, "package"), i64(c, "size")});
  const Json::Value& history = root["history"];
  for (Json::ArrayIndex i = 0; i < 3 && i < history.size(); ++i) s.history[i] = history[i].asInt() != 0;
  for (const Json::Value& e : root["startup"]) s.startup.push_back({i32(e, "event"), str(e, "entry"), str(e, "detail")});
  for (const Json::Value& e : root["files"])
    s.files.push_back({str(e, "path"), i32(e, "dir"), i64(e, "size"), i64(e, "modified"), i32(e, "readable"),
                       i32(e, "writable"), i32(e, "hidden")});
}

// New ids start well above every id in the data set; the contacts' single texts get theirs.
void handOutIds(PhoneState& s) {
  int64_t highest = 0;
  auto see = [&](int64_t id) { highest = std::max(highest, id); };
  for (const Contact& c : s.contacts) {
    see(c.id);
    for (auto* list : {&c.phones, &c.emails, &c.ims, &c.webPages, &c.addresses, &c.organizations})
      for (const ContactItem& i : *list) see(i.rowId);
    see(c.displayName.rowId);
    see(c.nickname.rowId);
    see(c.notes.rowId);
  }
  for (const Group& g : s.groups) see(g.id);
  for (const Thread& t : s.threads) {
    see(t.id);
    for (const Message& m : t.messages) see(m.id);
  }
  for (const Call& c : s.calls) see(c.id);
  for (const Alarm& a : s.alarms) see(a.id);
  for (const Bookmark& b : s.bookmarks) see(b.id);
  s.nextId = highest + 1000;
  for (Contact& c : s.contacts)
    for (OptionalText* t : {&c.extraText, &c.displayName, &c.nickname, &c.notes})
      if (t->present) t->rowId = s.newId();
}

}  // namespace

bool loadPhoneState(const std::string& path, PhoneState& state, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open data set " + path;
    return false;
  }
  Json::CharReaderBuilder builder;
  Json::Value root;
  std::string parseErrors;
  if (!Json::parseFromStream(builder, in, &root, &parseErrors) || !root.isObject()) {
    error = "data set " + path + " is not valid JSON: " + parseErrors;
    return false;
  }
  PhoneState s;
  const Images images(root["images"]);
  readSystem(root["system"], s.system);
  readSettings(root["settings"], s);
  readPeople(root, images, s);
  readTools(root, images, s);
  handOutIds(s);
  state = std::move(s);
  return true;
}

void scaleContacts(PhoneState& state, size_t n) {
  const size_t base = state.contacts.size();
  if (base == 0) return;
  for (size_t i = base; i < n; ++i) {
    Contact c = state.contacts[i % base];
    c.id = state.newId();
    c.rawId = c.id + 5000;
    c.displayName.rowId = state.newId();
    c.displayName.value += " " + std::to_string(i / base + 1);
    for (auto* list : {&c.phones, &c.emails, &c.ims, &c.webPages, &c.addresses, &c.organizations})
      for (ContactItem& item : *list) item.rowId = state.newId();
    for (ContactItem& p : c.phones) {
      // keep the number plausible: change its last four digits
      if (p.value.size() >= 4) {
        const std::string tail = std::to_string(1000 + (i * 7919) % 9000);
        p.value.replace(p.value.size() - 4, 4, tail);
      }
    }
    if (!c.photo) c.photo = state.contacts[(i * 31) % base].photo;
    state.contacts.push_back(std::move(c));
  }
}

void scaleThreads(PhoneState& state, size_t threads, size_t messages, size_t longest) {
  std::vector<Message> pool;
  for (const Thread& t : state.threads) pool.insert(pool.end(), t.messages.begin(), t.messages.end());
  const size_t base = state.threads.size();
  if (pool.empty() || base == 0) return;
  for (size_t i = base; i < threads; ++i) {
    Thread t = state.threads[i % base];
    t.id = state.newId();
    if (t.number.size() >= 4) t.number.replace(t.number.size() - 4, 4, std::to_string(1000 + (i * 7919) % 9000));
    state.threads.push_back(std::move(t));
  }
  const size_t n = state.threads.size();
  longest = std::min(longest, messages);
  const size_t rest = messages - longest;
  int64_t newest = 0;
  for (const Message& m : pool) newest = std::max(newest, m.date);
  for (size_t i = 0; i < n; ++i) {
    size_t count = n == 1 ? messages : i == 0 ? longest : rest / (n - 1) + ((i - 1) < rest % (n - 1) ? 1 : 0);
    Thread& t = state.threads[i];
    t.messages.clear();
    const int64_t start = newest - static_cast<int64_t>(i) * 3600000 - static_cast<int64_t>(count) * 60000;
    for (size_t k = 0; k < count; ++k) {
      Message m = pool[(i * 7 + k) % pool.size()];
      m.id = state.newId();
      m.date = start + static_cast<int64_t>(k) * 60000;
      t.messages.push_back(std::move(m));
    }
  }
}

}  // namespace zorvik::sim
