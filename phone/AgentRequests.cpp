// The parsers of the agent's requests: each reads its fields from just after the command code
// and says whether the request adds up. What the data then does is the data source's business.
#include "phone/AgentReplies.h"

#include <utility>

namespace zorvik::phone::request {

namespace {

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

// A contact's single item in the form of 870103 (no operation) or 870104 (with one).
void readSingle(FieldReader& r, bool withOps, bool& present, EditedItem& item) {
  present = r.readInt32() == 1;
  if (present) {
    item.rowId = r.readInt64();
    item.op = withOps ? r.readInt32() : 0;
    item.kind = r.readInt32();
    item.value = r.readUtf8Text();
  }
}

// A contact's list of items; a count that cannot fit leaves the list empty.
void readItems(FieldReader& r, bool withOps, std::vector<EditedItem>& items) {
  const int32_t n = r.readInt32();
  if (!r.ok() || n < 0 || static_cast<size_t>(n) > r.remaining() / 12) return;
  for (int32_t i = 0; i < n && r.ok(); ++i) {
    EditedItem e;
    e.rowId = r.readInt64();
    e.op = withOps ? r.readInt32() : 0;
    e.kind = r.readInt32();
    e.value = r.readUtf8Text();
    items.push_back(std::move(e));
  }
}

}  // namespace

bool contactId(FieldReader& r, int32_t& id) {
  r.readInt32();
  const int32_t one = r.readInt32();
  id = r.readInt32();
  return r.ok() && one == 1;
}

bool threadId(FieldReader& r, int32_t& id) {
  id = r.readInt32();
  return r.ok();
}

bool folderPath(FieldReader& r, std::string& path) {
  r.readInt32();
  const int32_t one = r.readInt32();
  path = r.readUtf8Text();
  return r.ok() && one == 1;
}

bool idList(FieldReader& r, std::vector<int32_t>& ids) {
  const int32_t total = r.readInt32();
  const int32_t n = r.readInt32();
  if (!r.ok() || n < 0 || static_cast<int64_t>(total) != 12 + 4 * static_cast<int64_t>(n)) return false;
  for (int32_t i = 0; i < n && r.ok(); ++i) ids.push_back(r.readInt32());
  return r.ok();
}

bool contactEdit(FieldReader& r, bool update, ContactEdit& e) {
  r.readInt32();  // total length, checked by the framing
  if (r.readInt32() != 1) return false;
  e.id = update ? r.readInt32() : 0;
  e.starred = r.readInt32();
  e.extraPresent = r.readInt32() == 1;
  if (e.extraPresent) e.extraText = r.readUtf8Text();
  readSingle(r, update, e.displayNamePresent, e.displayName);
  readSingle(r, update, e.nicknamePresent, e.nickname);
  readSingle(r, update, e.notesPresent, e.notes);
  for (std::vector<EditedItem>* list :
       {&e.phones, &e.groups, &e.emails, &e.ims, &e.webPages, &e.addresses, &e.organizations})
    readItems(r, update, *list);
  return r.ok();
}

bool groupTitle(FieldReader& r, std::string& title) {
  r.readInt32();
  if (r.readInt32() != 1) return false;
  title = r.readUtf8Text();
  return r.ok() && !title.empty();
}

bool groupRename(FieldReader& r, int32_t& id, std::string& title) {
  r.readInt32();
  if (r.readInt32() != 1) return false;
  id = r.readInt32();
  title = r.readUtf8Text();
  return r.ok() && !title.empty();
}

bool message(FieldReader& r, std::vector<std::string>& numbers, std::string& text) {
  int32_t total = 0, n = 0;
  if (!readTextListHead(r, total, n)) return false;
  numbers = readTexts(r, n);
  text = r.readUtf8Text();
  return endsAt(r, total);
}

bool deleteAllCalls(FieldReader& r) {
  const int32_t total = r.readInt32();
  const int32_t one = r.readInt32();
  return r.ok() && total == 12 && one == 1;
}

bool alarm(FieldReader& r, bool update, Alarm& a) {
  r.readInt32();
  if (r.readInt32() != 1) return false;
  a.id = update ? r.readInt32() : 0;
  a.hour = r.readInt32();
  a.minute = r.readInt32();
  a.days = r.readInt32();
  r.readInt64();
  a.enabled = r.readInt32();
  a.vibrate = r.readInt32();
  a.title = r.readUtf8Text();
  a.ringtoneUri = r.readUtf8Text();
  return r.ok() && a.hour >= 0 && a.hour <= 24 && a.minute >= 0 && a.minute <= 59;
}

bool bookmark(FieldReader& r, bool update, Bookmark& b) {
  r.readInt32();
  if (r.readInt32() != 1) return false;
  b.id = update ? r.readInt32() : 0;
  b.visits = r.readInt32();
  b.title = r.readUtf8Text();
  b.url = r.readUtf8Text();
  return r.ok() && !b.title.empty() && !b.url.empty();
}

bool packageName(FieldReader& r, std::string& name) {
  if (r.readInt32() != 1) return false;
  r.readInt32();  // total
  name = r.readUtf8Text();
  return r.ok();
}

bool setting(FieldReader& r, int32_t& number, int32_t& value) {
  const int32_t total = r.readInt32();
  const int32_t one = r.readInt32();
  number = r.readInt32();
  value = r.readInt32();
  return r.ok() && total == 20 && one == 1 && number >= 0 && number < kSettingCount;
}

bool clean(FieldReader& r, CleanRequest& c) {
  int32_t total = 0, n = 0;
  if (!readTextListHead(r, total, n)) return false;
  if (!r.read(3, c.clearHistory)) return false;
  c.packages = readTexts(r, n);
  return endsAt(r, total);
}

bool processNames(FieldReader& r, std::vector<std::string>& names) {
  int32_t total = 0, n = 0;
  if (!readTextListHead(r, total, n)) return false;
  names = readTexts(r, n);
  return endsAt(r, total);
}

}  // namespace zorvik::phone::request
