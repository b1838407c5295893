#pragma once
// The data a virtual phone holds: what its agent lists and changes. Texts are UTF-8, as the agent
// sends them; pictures are the encoded image bytes (PNG or JPEG). Loaded from the JSON data set
// that sim/data/make_phone.py writes.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zorvik::sim {

using Blob = std::shared_ptr<const std::string>;  // shared: thousands of contacts reuse a few photos

struct ContactItem {
  int64_t rowId = 0;
  int32_t kind = 0;
  std::string value;
};

struct OptionalText {
  bool present = false;
  int64_t rowId = 0;
  std::string value;
};

struct Contact {
  int64_t id = 0;
  int64_t rawId = 0;
  int32_t starred = 0;
  int64_t lastContact = 0;
  int64_t timesContacted = 0;
  Blob photo;
  OptionalText extraText, displayName, nickname, notes;
  std::vector<ContactItem> phones, emails, ims, webPages, addresses, organizations;
  std::vector<int64_t> groupIds;
};

struct Group {
  int64_t id = 0;
  std::string title, account;
  int32_t visible = 1;
};

struct Message {
  int64_t id = 0;
  int32_t direction = 1;  // 1 received, 2 sent
  int64_t date = 0;
  std::string body;
};

struct Thread {
  int64_t id = 0;
  std::string number;
  std::vector<Message> messages;
};

struct Call {
  int64_t id = 0;
  std::string number;
  int64_t time = 0, duration = 0;
  int32_t type = 1;
};

struct Alarm {
  int64_t id = 0;
  int32_t hour = 0, minute = 0, days = 0, enabled = 0, vibrate = 0;
  std::string title, ringtoneName;
  int64_t ringtoneValue = 0;
  std::string ringtoneUri;
};

struct Bookmark {
  int64_t id = 0;
  std::string title, url;
  int32_t visits = 0;
  int64_t lastVisit = 0;
  Blob icon, thumbnail;
};

struct Package {
  std::string label, name, version;
  int32_t versionCode = 1;
  int64_t size = 0;
  Blob icon;
  int32_t system = 0;
  std::string path;
  int64_t installTime = 0;
};

struct Process {
  int32_t pid = 0;
  std::string name, package, label;
  int32_t importance = 400, cpu = 0;
  int64_t memory = 0;
  int32_t system = 0;
};

struct CacheEntry {
  std::string package;
  int64_t size = 0;
};

struct StartupEntry {
  int32_t event = 0;
  std::string entry, detail;
};

struct FileEntry {
  std::string path;
  int32_t isDir = 0;
  int64_t size = 0, modified = 0;
  int32_t readable = 1, writable = 1, hidden = 0;
};

struct SystemFacts {
  std::string manufacturer = "Xiaomi", model = "MI 2S", brand = "Xiaomi", device = "aries";
  int32_t sdk = 15;
  std::string release = "4.0.4", buildId = "IMM76D";
  int32_t clientCode = 1001;
  int64_t uptime = 0;
  std::string systemVersion, imei, imsi, resolution, battery, cpu, ram, rom, sd;
  std::string mobileNetwork, wifiNetwork;
  int32_t brightness = 128;
  int64_t freeMemory = 0;
};

// The eleven settings in the order of their numbers in command 871502.
enum SettingNumber { kWifi, kBluetooth, kAirplane, kGps, kRotation, kVibrate, kTimeout, kRinger, kMusic,
                     kTime24, kDateFormat, kSettingCount };

struct PhoneState {
  SystemFacts system;
  int32_t settings[kSettingCount] = {1, 0, 0, 1, 1, 1, 30000, 5, 9, 1, 0};
  std::vector<Group> groups;
  std::vector<Contact> contacts;
  std::vector<Thread> threads;
  std::vector<Call> calls;
  std::vector<Alarm> alarms;
  std::vector<Bookmark> bookmarks;
  std::vector<Package> packages;
  std::vector<Process> processes;
  std::vector<CacheEntry> cache;
  bool history[3] = {true, true, true};  // browser searches, browser history, market searches
  std::vector<StartupEntry> startup;
  std::vector<FileEntry> files;
  int64_t nextId = 100000;  // ids handed to new records

  const Package* findPackage(const std::string& name) const;
  const Contact* contactByNumber(const std::string& number) const;
  int64_t newId() { return ++nextId; }
};

// Loads a data set; false with a message in error when the file is missing or not a data set.
bool loadPhoneState(const std::string& path, PhoneState& state, std::string& error);

// Adds synthetic contacts (copies of the loaded ones with new ids and numbers) until there are n,
// for benchmarks that need a large address book.
void scaleContacts(PhoneState& state, size_t n);

// Grows the conversations to `threads` threads holding `messages` messages in all (copies of the
// loaded ones with new ids, numbers and dates); the first thread gets `longest` of them, the
// others share the rest evenly. For benchmarks of the messages page.
void scaleThreads(PhoneState& state, size_t threads, size_t messages, size_t longest);

}  // namespace zorvik::sim
