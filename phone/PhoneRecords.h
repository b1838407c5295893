#pragma once
// The plain records a phone's data source hands to the agent's reply writers, and the parsed
// change requests it receives. Texts are UTF-8, as the agent sends them; pictures are the encoded
// image bytes (PNG or JPEG); times are milliseconds since 1970-01-01 UTC. Portable C++17 without
// exceptions or RTTI: the same records serve the virtual phone and the package on a real phone.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zorvik::phone {

using Blob = std::shared_ptr<const std::string>;  // shared: thousands of contacts reuse a few photos

// ---------------------------------------------------------------- device (870002, 870004)

struct PhoneInfo {
  int32_t clientCode = 0;
  int32_t sdk = 0;
  std::string model;
};

struct SystemInfo {
  std::string model;
  int64_t uptime = 0;
  std::string systemVersion, imei, imsi, resolution, battery, cpu, ram, rom, sd;
  int32_t gps = 0, bluetooth = 0, wifi = 0, rotation = 0;
  std::string mobileNetwork;  // empty in airplane mode
  std::string wifiNetwork;    // empty with Wi-Fi off
  int32_t brightness = 0;
};

// ---------------------------------------------------------------- contacts (870101-870106)

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

// One row of the contact list (870101).
struct ContactSummary {
  int64_t id = 0;
  int64_t rawId = 0;
  std::string name;
  int32_t starred = 0;
  std::string number;  // the first phone number, or empty
  int64_t lastContact = 0;
  int64_t timesContacted = 0;
  Blob photo;  // null or empty: no photo
};

// One contact's card (870102). groups: rowId is the group's id, value its title, kind 0.
struct ContactCard {
  int64_t id = 0;
  int64_t rawId = 0;
  int32_t starred = 0;
  int64_t lastContact = 0;
  int64_t timesContacted = 0;
  Blob photo;
  OptionalText extraText, displayName, nickname, notes;
  std::vector<ContactItem> phones, groups, emails, ims, webPages, addresses, organizations;
};

// One item of a contact change. op: 0 add, 1 delete, 2 change, 3 unchanged (870103 carries no op:
// every item is an add, op 0).
struct EditedItem {
  int64_t rowId = 0;
  int32_t op = 3;
  int32_t kind = 0;
  std::string value;
};

// A parsed add (870103) or update (870104). For an add, id is 0.
struct ContactEdit {
  int32_t id = 0;
  int32_t starred = 0;
  bool extraPresent = false;
  std::string extraText;
  // displayName, nickname, notes: present says whether the request carries the field.
  bool displayNamePresent = false, nicknamePresent = false, notesPresent = false;
  EditedItem displayName, nickname, notes;
  // groups: rowId is the group id (for deletes), value the group's title (for adds).
  std::vector<EditedItem> phones, groups, emails, ims, webPages, addresses, organizations;
};

// ---------------------------------------------------------------- groups (870120-870150)

struct Group {
  int64_t id = 0;
  std::string title, account;
  int32_t visible = 1;
};

// One entry of the recipient picker (870150): a contact's number under one of its groups; a
// contact outside every group is listed under group -1.
struct PickerContact {
  int64_t groupId = 0;
  std::string name, number;
};

// ---------------------------------------------------------------- messages (870201-870206)

// One conversation of the list, newest first (870201).
struct ThreadSummary {
  int64_t id = 0;
  std::string name;    // the contact's name for the number, or empty (the number is shown then)
  std::string number;
  int64_t date = 0;    // the newest message's
  int32_t messageCount = 0;
  int32_t read = 1;
  std::string snippet;  // the newest message's text
};

// One message of a conversation (870202). direction: 1 received, 2 sent.
struct ConversationMessage {
  int64_t id = 0;
  int32_t direction = 1;
  std::string number;
  int64_t date = 0;
  std::string body;
};

// ---------------------------------------------------------------- call log (870301-870304)

// type: 1 incoming, 2 outgoing, 3 missed. name: the contact's name for the number, or empty.
struct Call {
  int64_t id = 0;
  std::string number;
  int64_t time = 0, duration = 0;
  int32_t type = 1;
  std::string name;
};

// ---------------------------------------------------------------- the tools' areas

// A listed alarm (870401) and a parsed add or update (870402, 870403: id 0 for an add;
// ringtoneName and ringtoneValue are not sent).
struct Alarm {
  int64_t id = 0;
  int32_t hour = 0, minute = 0, days = 0, enabled = 0, vibrate = 0;
  std::string title, ringtoneName;
  int64_t ringtoneValue = 0;
  std::string ringtoneUri;
};

// A listed bookmark (870701) and a parsed add or update (870702, 870703: id, visits, title, url).
struct Bookmark {
  int64_t id = 0;
  std::string title, url;
  int32_t visits = 0;
  int64_t lastVisit = 0;
  Blob icon, thumbnail;
};

// One entry of a folder (870601, 870602): path is the entry's full path.
struct FileEntry {
  std::string path;
  int32_t isDir = 0;
  int64_t size = 0, modified = 0;
  int32_t readable = 1, writable = 1, hidden = 0;
};

// An installed package (870802 lists the ones the user installed).
struct Package {
  std::string label, name, version;
  int32_t versionCode = 1;
  int64_t size = 0;
  Blob icon;
  int32_t system = 0;
  std::string path;
  int64_t installTime = 0;
};

// A running process (871801); icon is its package's.
struct Process {
  int32_t pid = 0;
  std::string name, package, label;
  int32_t importance = 400, cpu = 0;
  int64_t memory = 0;
  int32_t system = 0;
  Blob icon;
};

// A package's cached data (871601): label and icon are the package's (label: its name when the
// package is unknown). Entries of size 0 are not listed.
struct CacheEntry {
  std::string package;
  int64_t size = 0;
  std::string label;
  Blob icon;
};

// One start-up entry (871701).
struct StartupEntry {
  int32_t event = 0;
  std::string entry, detail;
};

// The eleven settings in the order of their numbers in command 871502.
enum SettingNumber { kWifi, kBluetooth, kAirplane, kGps, kRotation, kVibrate, kTimeout, kRinger, kMusic,
                     kTime24, kDateFormat, kSettingCount };

struct PhoneSettings {
  int32_t values[kSettingCount] = {};
};

// A parsed clean request (871602): the three history flags (browser searches, browser history,
// market searches; 1 = clear) and the packages whose cache goes.
struct CleanRequest {
  unsigned char clearHistory[3] = {};
  std::vector<std::string> packages;
};

}  // namespace zorvik::phone
