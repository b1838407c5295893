#pragma once
// The data a virtual phone holds: what its agent lists and changes. Texts are UTF-8, as the agent
// sends them; pictures are the encoded image bytes (PNG or JPEG). Loaded from the JSON data set
// that sim/data/make_phone.py writes.
#include "phone/PhoneRecords.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zorvik::sim {

// The records the agent's replies are written from are the protocol core's.
using phone::Blob;
using phone::ContactItem;
using phone::OptionalText;
using phone::Group;
using phone::Call;
using phone::Alarm;
using phone::Bookmark;
using phone::Package;
using phone::Process;
using phone::CacheEntry;
using phone::StartupEntry;
using phone::FileEntry;
using phone::SettingNumber;
using phone::kWifi;
using phone::kBluetooth;
using phone::kAirplane;
using phone::kGps;
using phone::kRotation;
using phone::kVibrate;
using phone::kTimeout;
using phone::kRinger;
using phone::kMusic;
using phone::kTime24;
using phone::kDateFormat;
using phone::kSettingCount;

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
