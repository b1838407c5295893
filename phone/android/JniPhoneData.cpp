#include "phone/android/JniPhoneData.h"

#include "phone/android/FileFolder.h"
#include "phone/android/JniPieces.h"
#include "phone/android/jni/Framework.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>


namespace zorvik::phone {

using namespace jni;

namespace {

const Framework& fw() { return *framework(); }

// The refusal for a step that failed: the area's reason when the phone refused (a
// SecurityException), Unknown when the provider failed otherwise.
Answer refusal(const Env& env, AgentRefusal reason) {
  return Answer::refused(env.fault() == Fault::Refused ? reason : AgentRefusal::Unknown);
}

std::string decimal(int64_t v) { return std::to_string(v); }

// One query's cursor, walked row by row: each row runs in its own local reference frame, and the
// cursor is closed whatever happens.
class Rows {
 public:
  Rows(Env& env, jobject resolver, jobject uri, std::initializer_list<const char*> columns, const char* selection,
       const std::vector<std::string>& args, const char* order)
      : env_(env) {
    Local<jobjectArray> projection = env_.stringArray(columns);
    Local<jstring> where = selection ? env_.string(selection) : Local<jstring>();
    Local<jobjectArray> whereArgs = args.empty() ? Local<jobjectArray>() : env_.stringArray(args);
    Local<jstring> sort = order ? env_.string(order) : Local<jstring>();
    cursor_ = env_.callObject(resolver, fw().resolverQuery, uri, projection.get(), where.get(), whereArgs.get(), sort.get());
    if (env_.ok() && !cursor_) env_.fail(Fault::Failed, "no cursor");
    for (const char* c : columns) {
      Local<jstring> name = env_.string(c);
      const jint i = env_.callInt(cursor_.get(), fw().cursorColumnIndex, name.get());
      if (env_.ok() && i < 0) env_.fail(Fault::Failed, std::string("no column ") + c);
      index_.push_back(i);
    }
  }
  ~Rows() {
    endRow();
    env_.callVoidRegardless(cursor_.get(), fw().cursorClose);
  }
  Rows(const Rows&) = delete;
  Rows& operator=(const Rows&) = delete;

  bool next() {
    endRow();
    if (!env_.ok() || !env_.callBool(cursor_.get(), fw().cursorMoveToNext)) return false;
    framed_ = env_.raw()->PushLocalFrame(16) == 0;
    if (!env_.check() || !framed_) {
      framed_ = false;
      env_.fail(Fault::Failed, "PushLocalFrame");
      return false;
    }
    return true;
  }

  int64_t i64(int c) { return env_.callLong(cursor_.get(), fw().cursorLong, index_[c]); }
  int32_t i32(int c) { return env_.callInt(cursor_.get(), fw().cursorInt, index_[c]); }
  bool isNull(int c) { return env_.callBool(cursor_.get(), fw().cursorIsNull, index_[c]); }
  std::string text(int c) {
    Local<jobject> s = env_.callObject(cursor_.get(), fw().cursorString, index_[c]);
    return env_.utf8(s.get());
  }
  Blob blob(int c) {
    Local<jobject> b = env_.callObject(cursor_.get(), fw().cursorBlob, index_[c]);
    if (!b) return nullptr;
    return std::make_shared<const std::string>(env_.bytes(static_cast<jbyteArray>(b.get())));
  }

 private:
  void endRow() {
    if (framed_) env_.raw()->PopLocalFrame(nullptr);
    framed_ = false;
  }

  Env& env_;
  Local<jobject> cursor_;
  std::vector<jint> index_;
  bool framed_ = false;
};

// A ContentProviderOperation batch, applied in one applyBatch: all of it or nothing.
class Batch {
 public:
  explicit Batch(Env& env) : env_(env), list_(env.newArrayList(16)) {}

  int size() const { return count_; }

  Batch& insert(jobject uri) { return start(fw().operationInsert, uri); }
  Batch& update(jobject uri) { return start(fw().operationUpdate, uri); }
  Batch& remove(jobject uri) { return start(fw().operationDelete, uri); }

  Batch& text(const char* key, const std::string& value) {
    Local<jstring> k = env_.string(key);
    Local<jstring> v = env_.string(value);
    env_.callObject(builder_.get(), fw().builderValue, k.get(), v.get());
    return *this;
  }
  Batch& number(const char* key, int64_t value) {
    Local<jstring> k = env_.string(key);
    Local<jobject> v = env_.boxLong(value);
    env_.callObject(builder_.get(), fw().builderValue, k.get(), v.get());
    return *this;
  }
  Batch& null(const char* key) {
    Local<jstring> k = env_.string(key);
    env_.callObject(builder_.get(), fw().builderValue, k.get(), static_cast<jobject>(nullptr));
    return *this;
  }
  Batch& backReference(const char* key, int index) {
    Local<jstring> k = env_.string(key);
    env_.callObject(builder_.get(), fw().builderValueBackReference, k.get(), static_cast<jint>(index));
    return *this;
  }
  Batch& where(const char* selection, const std::vector<std::string>& args) {
    Local<jstring> s = env_.string(selection);
    Local<jobjectArray> a = env_.stringArray(args);
    env_.callObject(builder_.get(), fw().builderSelection, s.get(), a.get());
    return *this;
  }
  // Ends the operation begun last.
  int add() {
    Local<jobject> op = env_.callObject(builder_.get(), fw().builderBuild);
    env_.listAdd(list_.get(), op.get());
    builder_.reset();
    return count_++;
  }

  // Applies the batch; counts gets each operation's count (updates and deletes) or -1.
  bool apply(jobject resolver, std::vector<int32_t>* counts) {
    if (!env_.ok()) return false;
    Local<jstring> authority = env_.string(kContactsAuthority);
    Local<jobject> results = env_.callObject(resolver, fw().resolverApplyBatch, authority.get(), list_.get());
    if (!env_.ok() || !results) return false;
    if (counts) {
      const jint n = env_.arrayLength(static_cast<jarray>(results.get()));
      for (jint i = 0; i < n && env_.ok(); ++i) {
        Local<jobject> r = env_.arrayElement(static_cast<jobjectArray>(results.get()), i);
        Local<jobject> count = env_.objectField(r.get(), fw().resultCount);
        counts->push_back(env_.unboxInt(count.get(), -1));
      }
    }
    return env_.ok();
  }

 private:
  Batch& start(jmethodID factory, jobject uri) {
    builder_ = env_.callStaticObject(fw().operation, factory, uri);
    return *this;
  }

  Env& env_;
  Local<jobject> list_;
  Local<jobject> builder_;
  int count_ = 0;
};

// The kinds of a contact's data rows, by MIME type: where each goes on the card.
enum class Kind { Name, Nickname, Note, Phone, Email, Im, Website, Postal, Organization, Membership, Photo, Other };

Kind kindOf(const std::string& mime) {
  static const std::map<std::string, Kind> kinds = {
      {kNameType, Kind::Name},       {kNicknameType, Kind::Nickname},         {kNoteType, Kind::Note},
      {kPhoneType, Kind::Phone},     {kEmailType, Kind::Email},               {kImType, Kind::Im},
      {kWebsiteType, Kind::Website}, {kPostalType, Kind::Postal},             {kOrganizationType, Kind::Organization},
      {kMembershipType, Kind::Membership}, {kPhotoType, Kind::Photo},
  };
  auto it = kinds.find(mime);
  return it == kinds.end() ? Kind::Other : it->second;
}

// The MIME types of the card's lists, in the order of ContactEdit's lists (groups aside).
const char* mimeOfList(int list) {
  static const char* mimes[7] = {kPhoneType, kMembershipType, kEmailType, kImType, kWebsiteType, kPostalType,
                                 kOrganizationType};
  return mimes[list];
}

// A data row of one contact, as a change needs it.
struct DataRow {
  int64_t id = 0;
  int64_t raw = 0;
  std::string mime;
  std::string data1;
};

// The rows the contacts provider holds for one contact; ok false when the query failed.
std::vector<DataRow> contactRows(Env& env, jobject resolver, int64_t contactId) {
  std::vector<DataRow> rows;
  Rows r(env, resolver, fw().dataUri, {kId, kDataRawContactId, kDataMimetype, kData1}, "contact_id=?",
         {decimal(contactId)}, "_id ASC");
  while (r.next()) rows.push_back({r.i64(0), r.i64(1), r.text(2), r.text(3)});
  return rows;
}

// The number -> first contact's name table that threads and calls name their numbers with.
std::map<std::string, std::string> namesByNumber(Env& env, jobject resolver) {
  std::map<std::string, std::string> names;
  Rows r(env, resolver, fw().dataUri, {kData1, kDataDisplayName}, "mimetype=?", {kPhoneType}, "contact_id ASC, _id ASC");
  while (r.next()) {
    std::string number = r.text(0);
    if (names.count(number) == 0) names.emplace(std::move(number), r.text(1));
  }
  return names;
}

// A delete's selection over a list of ids: "_id IN (1,2,3)" (ids are numbers we format).
std::string idsIn(const char* column, const std::vector<int32_t>& ids) {
  std::string s = std::string(column) + " IN (";
  for (size_t i = 0; i < ids.size(); ++i) s += (i ? "," : "") + decimal(ids[i]);
  return s + ")";
}

// "%.1f GB" of a byte count.
std::string gigabytes(int64_t bytes) {
  char b[32];
  std::snprintf(b, sizeof b, "%.1f GB", static_cast<double>(bytes) / (1024.0 * 1024.0 * 1024.0));
  return b;
}

// The package manager of the application's context; a fault when there is none.
Local<jobject> packageManager(Env& env, jobject context) {
  Local<jobject> pm = env.callObject(context, fw().contextPackageManager);
  if (env.ok() && !pm) env.fail(Fault::Failed, "no package manager");
  return pm;
}

// The icon's longest side on the wire: the page draws 48 x 48, and twice that stays sharp on a
// high-density screen while 300 icons stay a few megabytes.
constexpr int kIconSide = 96;

// w x h shrunk (never grown) to fit side x side, the aspect kept, at least 1 x 1.
void fitInside(int& w, int& h, int side) {
  if (w <= side && h <= side) return;
  const int64_t longest = std::max(w, h);
  w = std::max<int>(1, static_cast<int>(int64_t{w} * side / longest));
  h = std::max<int>(1, static_cast<int>(int64_t{h} * side / longest));
}

// The drawable as a PNG of at most kAgentMaxIconBytes: its own bitmap when it is a BitmapDrawable,
// else drawn onto a new one (adaptive and vector icons); larger than kIconSide scaled down, and
// halved again for as long as the PNG does not fit. Null when the phone gave no icon or none
// could be made (the row is sent without one).
Blob iconPng(Env& env, jobject drawable) {
  if (!drawable) return nullptr;
  Frame frame(env, 16);
  Local<jobject> bitmap;
  bool ours = false;  // a bitmap made here is recycled; the drawable's own is not
  if (env.isInstance(drawable, fw().bitmapDrawable)) bitmap = env.callObject(drawable, fw().drawableBitmap);
  if (env.ok() && !bitmap) {
    int w = env.callInt(drawable, fw().drawableWidth), h = env.callInt(drawable, fw().drawableHeight);
    if (w <= 0 || h <= 0) w = h = kIconSide;  // no size of its own (a colour, say): the side we send
    fitInside(w, h, kIconSide);
    Local<jobject> config = env.staticObjectField(fw().bitmapConfig, fw().configArgb8888);
    bitmap = env.callStaticObject(fw().bitmap, fw().bitmapCreate, static_cast<jint>(w), static_cast<jint>(h), config.get());
    Local<jobject> canvas = env.make(fw().canvas, fw().canvasNew, bitmap.get());
    env.callVoid(drawable, fw().drawableSetBounds, 0, 0, static_cast<jint>(w), static_cast<jint>(h));
    env.callVoid(drawable, fw().drawableDraw, canvas.get());
    ours = true;
  }
  Local<jobject> png = env.staticObjectField(fw().compressFormat, fw().compressPng);
  int side = kIconSide;
  Blob out;
  while (env.ok() && bitmap && side >= 1) {
    int w = env.callInt(bitmap.get(), fw().bitmapWidth), h = env.callInt(bitmap.get(), fw().bitmapHeight);
    if (!env.ok() || w <= 0 || h <= 0) break;
    int sw = w, sh = h;
    fitInside(sw, sh, side);
    if (sw != w || sh != h) {
      Local<jobject> scaled = env.callStaticObject(fw().bitmap, fw().bitmapScaled, bitmap.get(), static_cast<jint>(sw),
                                                   static_cast<jint>(sh), static_cast<jboolean>(JNI_TRUE));
      if (!scaled) break;
      if (ours) env.callVoid(bitmap.get(), fw().bitmapRecycle);
      bitmap = std::move(scaled);
      ours = true;
      w = sw;
      h = sh;
    }
    Local<jobject> stream = env.make(fw().byteStream, fw().byteStreamNew, static_cast<jint>(16384));
    const bool written = env.callBool(bitmap.get(), fw().bitmapCompress, png.get(), static_cast<jint>(100), stream.get());
    if (!written) break;
    Local<jobject> bytes = env.callObject(stream.get(), fw().byteStreamBytes);
    if (!bytes) break;
    if (static_cast<size_t>(env.arrayLength(static_cast<jarray>(bytes.get()))) <= kAgentMaxIconBytes) {
      out = std::make_shared<const std::string>(env.bytes(static_cast<jbyteArray>(bytes.get())));
      break;
    }
    side = std::max(w, h) / 2;  // too many bytes (a noisy picture): half the size
  }
  if (ours && bitmap) env.callVoidRegardless(bitmap.get(), fw().bitmapRecycle);
  return out;
}

// The package file's size, from the file system (no Java); 0 when it cannot be read.
int64_t fileSize(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return 0;
  return static_cast<int64_t>(st.st_size);
}

}  // namespace

Local<jobject> packageManagerOf(Env& env, jobject context) { return packageManager(env, context); }
Blob drawablePng(Env& env, jobject drawable) { return iconPng(env, drawable); }

JniPhoneData::JniPhoneData(JNIEnv* raw, jobject context) : PhoneData(AgentRefusal::NotServed), context_(raw, context) {
  Env env(raw);
  Local<jobject> resolver = env.callObject(context, fw().contextResolver);
  resolver_ = Global(raw, resolver.get());
}

// ---------------------------------------------------------------- device

Answer JniPhoneData::phoneInfo(PhoneInfo& out) {
  Env env(threadEnv());
  out.clientCode = kAndroidClientCode;
  out.sdk = env.staticIntField(fw().buildVersion, fw().versionSdk);
  Local<jobject> model = env.staticObjectField(fw().build, fw().buildModel);
  out.model = env.utf8(model.get());
  return env.ok() ? Answer::served() : refusal(env, AgentRefusal::PhoneState);
}

Answer JniPhoneData::systemInfo(SystemInfo& out) {
  Env env(threadEnv());
  if (!env.raw()) return Answer::refused(AgentRefusal::Unknown);
  // Each fact on its own: one the phone does not give stays empty, the others are still answered.
  auto fact = [&](auto read) {
    read();
    env.clearFault();
  };
  auto buildText = [&](jclass owner, jfieldID field) {
    Local<jobject> s = env.staticObjectField(owner, field);
    return env.utf8(s.get());
  };
  jobject resolver = resolver_.get();
  fact([&] { out.model = buildText(fw().build, fw().buildModel); });
  fact([&] { out.uptime = env.callStaticLong(fw().systemClock, fw().elapsedRealtime); });
  fact([&] {
    const std::string release = buildText(fw().buildVersion, fw().versionRelease);
    const std::string display = buildText(fw().build, fw().buildDisplay);
    out.systemVersion = "Android " + release + (display.empty() ? "" : " (" + display + ")");
  });
  fact([&] {
    Local<jstring> action = env.string(kBatteryChanged);
    Local<jobject> filter = env.make(fw().intentFilter, fw().intentFilterNew, action.get());
    Local<jobject> sticky = env.callObject(context_.get(), fw().contextRegisterReceiver, static_cast<jobject>(nullptr),
                                           filter.get());
    if (!sticky) return;
    Local<jstring> level = env.string(kBatteryLevel);
    Local<jstring> scale = env.string(kBatteryScale);
    const jint l = env.callInt(sticky.get(), fw().intentIntExtra, level.get(), static_cast<jint>(-1));
    const jint s = env.callInt(sticky.get(), fw().intentIntExtra, scale.get(), static_cast<jint>(100));
    if (env.ok() && l >= 0 && s > 0) out.battery = decimal(static_cast<int64_t>(l) * 100 / s);
  });
  out.cpu.clear();
  fact([&] { out.cpu = buildText(fw().build, fw().buildHardware); });
  fact([&] {
    Local<jstring> name = env.string(kActivityService);
    Local<jobject> manager = env.callObject(context_.get(), fw().contextSystemService, name.get());
    Local<jobject> info = env.make(fw().memoryInfo, fw().memoryInfoNew);
    env.callVoid(manager.get(), fw().activityMemoryInfo, info.get());
    const int64_t available = env.longField(info.get(), fw().memoryAvailable);
    const int64_t total = fw().memoryTotal ? env.longField(info.get(), fw().memoryTotal) : 0;
    if (!env.ok()) return;
    out.ram = gigabytes(total) + u8" (剩余 " + decimal(available / (1024 * 1024)) + " MB)";
  });
  auto storage = [&](jmethodID directory, int64_t& total, int64_t& available) {
    Local<jobject> dir = env.callStaticObject(fw().environment, directory);
    Local<jobject> path = env.callObject(dir.get(), fw().filePath);
    Local<jobject> stat = env.make(fw().statFs, fw().statFsNew, path.get());
    total = env.callLong(stat.get(), fw().statFsTotal);
    available = env.callLong(stat.get(), fw().statFsAvailable);
    return env.ok();
  };
  fact([&] {
    int64_t total = 0, available = 0;
    if (storage(fw().environmentData, total, available))
      out.rom = gigabytes(total) + u8" (剩余 " + gigabytes(available) + ")";
  });
  fact([&] {
    int64_t total = 0, available = 0;
    if (storage(fw().environmentExternal, total, available))
      out.sd = u8"剩余 " + gigabytes(available) + u8" / 共 " + gigabytes(total);
  });
  auto setting = [&](jclass table, jmethodID getInt, const char* name, int fallback) {
    Local<jstring> key = env.string(name);
    const jint v = env.callStaticInt(table, getInt, resolver, key.get(), static_cast<jint>(fallback));
    return env.ok() ? v : fallback;
  };
  fact([&] {
    const int mode = setting(fw().settingsSecure, fw().secureInt, kLocationMode, -1);
    if (mode >= 0) {
      out.gps = mode != kLocationModeOff ? 1 : 0;
      return;
    }
    Local<jstring> key = env.string(kLocationProviders);
    Local<jobject> providers = env.callStaticObject(fw().settingsSecure, fw().secureString, resolver, key.get());
    out.gps = env.utf8(providers.get()).find("gps") != std::string::npos ? 1 : 0;
  });
  const jclass global = fw().globalInt ? fw().settingsGlobal : fw().settingsSecure;
  const jmethodID globalInt = fw().globalInt ? fw().globalInt : fw().secureInt;
  fact([&] { out.bluetooth = setting(global, globalInt, kBluetoothOn, 0) == 1 ? 1 : 0; });
  fact([&] { out.wifi = setting(global, globalInt, kWifiOn, 0) != 0 ? 1 : 0; });
  fact([&] { out.rotation = setting(fw().settingsSystem, fw().systemInt, kAccelerometerRotation, 0) == 1 ? 1 : 0; });
  fact([&] { out.brightness = setting(fw().settingsSystem, fw().systemInt, kScreenBrightness, 0); });
  // The identity and the network names need the telephony and Wi-Fi services: not gathered here.
  out.imei.clear();
  out.imsi.clear();
  out.resolution.clear();
  out.mobileNetwork.clear();
  out.wifiNetwork.clear();
  return Answer::served();
}

// ---------------------------------------------------------------- contacts

Answer JniPhoneData::contacts(std::vector<ContactSummary>& out) {
  Env env(threadEnv());
  jobject resolver = resolver_.get();
  std::map<int64_t, size_t> at;
  {
    Rows r(env, resolver, fw().contactsUri,
           {kId, kContactDisplayName, kContactStarred, kContactLastContacted, kContactTimesContacted, kContactNameRawId},
           nullptr, {}, "_id ASC");
    while (r.next()) {
      ContactSummary c;
      c.id = r.i64(0);
      c.name = r.text(1);
      c.starred = r.i32(2) == 1 ? 1 : 0;
      c.lastContact = r.i64(3);
      c.timesContacted = r.i64(4);
      c.rawId = r.i64(5);
      at.emplace(c.id, out.size());
      out.push_back(std::move(c));
    }
  }
  {
    // The first number of each: one walk over the phone rows.
    Rows r(env, resolver, fw().dataUri, {kDataContactId, kData1}, "mimetype=?", {kPhoneType}, "contact_id ASC, _id ASC");
    std::vector<bool> numbered(out.size());
    while (r.next()) {
      auto it = at.find(r.i64(0));
      if (it == at.end() || numbered[it->second]) continue;
      out[it->second].number = r.text(1);
      numbered[it->second] = true;
    }
  }
  {
    // And the photo of each.
    Rows r(env, resolver, fw().dataUri, {kDataContactId, kPhotoBytes}, "mimetype=?", {kPhotoType}, "contact_id ASC, _id ASC");
    while (r.next()) {
      auto it = at.find(r.i64(0));
      if (it != at.end() && !out[it->second].photo) out[it->second].photo = r.blob(1);
    }
  }
  if (!env.ok()) {
    out.clear();
    return refusal(env, AgentRefusal::ContactsRead);
  }
  return Answer::served();
}

Answer JniPhoneData::contactCard(int32_t id, ContactCard& out) {
  Env env(threadEnv());
  jobject resolver = resolver_.get();
  bool found = false;
  {
    Rows r(env, resolver, fw().contactsUri,
           {kId, kContactStarred, kContactLastContacted, kContactTimesContacted, kContactNameRawId}, "_id=?",
           {decimal(id)}, nullptr);
    if (r.next()) {
      found = true;
      out.id = r.i64(0);
      out.starred = r.i32(1) == 1 ? 1 : 0;
      out.lastContact = r.i64(2);
      out.timesContacted = r.i64(3);
      out.rawId = r.i64(4);
    }
  }
  if (!env.ok()) return refusal(env, AgentRefusal::ContactsRead);
  if (!found) return Answer::nothing();
  std::map<int64_t, std::string> titles;
  {
    Rows g(env, resolver, fw().groupsUri, {kId, kGroupTitle}, "deleted=0", {}, nullptr);
    while (g.next()) titles[g.i64(0)] = g.text(1);
  }
  {
    Rows r(env, resolver, fw().dataUri, {kId, kDataMimetype, kData1, kData2, kData5, kData15}, "contact_id=?",
           {decimal(id)}, "_id ASC");
    while (r.next()) {
      const int64_t rowId = r.i64(0);
      auto single = [&](OptionalText& t) {
        if (!t.present) t = {true, rowId, r.text(2)};
      };
      auto item = [&](std::vector<ContactItem>& list, int32_t kind) { list.push_back({rowId, kind, r.text(2)}); };
      switch (kindOf(r.text(1))) {
        case Kind::Name: single(out.displayName); break;
        case Kind::Nickname: single(out.nickname); break;
        case Kind::Note: single(out.notes); break;
        case Kind::Phone: item(out.phones, r.i32(3)); break;
        case Kind::Email: item(out.emails, r.i32(3)); break;
        case Kind::Im: item(out.ims, r.i32(4)); break;
        case Kind::Website: item(out.webPages, r.i32(3)); break;
        case Kind::Postal: item(out.addresses, r.i32(3)); break;
        case Kind::Organization: item(out.organizations, r.i32(3)); break;
        case Kind::Membership: {
          const int64_t group = r.i64(2);
          auto t = titles.find(group);
          if (t != titles.end()) out.groups.push_back({group, 0, t->second});
          break;
        }
        case Kind::Photo:
          if (!out.photo) out.photo = r.blob(5);
          break;
        case Kind::Other: break;
      }
    }
  }
  if (!env.ok()) {
    out = {};
    return refusal(env, AgentRefusal::ContactsRead);
  }
  return Answer::served();
}

Answer JniPhoneData::saveContact(const ContactEdit& edit, bool update, int32_t& status) {
  Env env(threadEnv());
  jobject resolver = resolver_.get();
  status = 0;
  // The group ids by title, for memberships added by name.
  std::vector<std::pair<int64_t, std::string>> groupTitles;
  {
    Rows g(env, resolver, fw().groupsUri, {kId, kGroupTitle}, "deleted=0", {}, "_id ASC");
    while (g.next()) groupTitles.emplace_back(g.i64(0), g.text(1));
  }
  int64_t raw = 0;
  std::vector<DataRow> rows;
  if (update) {
    {
      Rows r(env, resolver, fw().rawContactsUri, {kId}, "contact_id=? AND deleted=0", {decimal(edit.id)}, "_id ASC");
      if (r.next()) raw = r.i64(0);
    }
    if (env.ok() && raw == 0) return Answer::served();  // no such contact: status 0
    rows = contactRows(env, resolver, edit.id);
  }
  if (!env.ok()) return refusal(env, AgentRefusal::ContactsRead);

  Batch batch(env);
  int rawIndex = -1;
  if (update) {
    batch.update(fw().rawContactsUri).where("contact_id=?", {decimal(edit.id)}).number(kRawStarred, edit.starred == 1).add();
  } else {
    rawIndex = batch.insert(fw().rawContactsUri).null(kRawAccountType).null(kRawAccountName)
                   .number(kRawStarred, edit.starred == 1).add();
  }
  // A new data row of the contact.
  auto insertRow = [&](const char* mime) -> Batch& {
    Batch& b = batch.insert(fw().dataUri);
    if (update) b.number(kDataRawContactId, raw);
    else b.backReference(kDataRawContactId, rawIndex);
    return b.text(kDataMimetype, mime);
  };
  auto kindColumn = [](const char* mime) { return std::string(mime) == kImType ? kImProtocol : kData2; };
  auto find = [&](const char* mime, int64_t rowId) -> const DataRow* {
    for (const DataRow& d : rows)
      if (d.mime == mime && static_cast<int32_t>(d.id) == static_cast<int32_t>(rowId)) return &d;
    return nullptr;
  };
  // displayName, nickname, notes: absent clears, present (and not unchanged) sets.
  const struct {
    bool present;
    const EditedItem& item;
    const char* mime;
  } singles[3] = {{edit.displayNamePresent, edit.displayName, kNameType},
                  {edit.nicknamePresent, edit.nickname, kNicknameType},
                  {edit.notesPresent, edit.notes, kNoteType}};
  for (const auto& s : singles) {
    const DataRow* existing = nullptr;
    for (const DataRow& d : rows)
      if (d.mime == s.mime) {
        if (!existing) existing = &d;
        if (!s.present) batch.remove(fw().dataUri).where("_id=?", {decimal(d.id)}).add();
      }
    if (!s.present || (update && s.item.op == 3)) continue;
    if (existing) batch.update(fw().dataUri).where("_id=?", {decimal(existing->id)}).text(kData1, s.item.value).add();
    else insertRow(s.mime).text(kData1, s.item.value).add();
  }
  const std::vector<EditedItem>* lists[7] = {&edit.phones, &edit.groups, &edit.emails, &edit.ims, &edit.webPages,
                                             &edit.addresses, &edit.organizations};
  for (int l = 0; l < 7; ++l) {
    const char* mime = mimeOfList(l);
    if (l == 1) {  // groups: deleted by id, added by title
      std::set<int64_t> member;
      for (const DataRow& d : rows)
        if (d.mime == kMembershipType) member.insert(std::atoll(d.data1.c_str()));
      for (const EditedItem& e : *lists[l]) {
        if (e.op == 1) {
          for (const DataRow& d : rows)
            if (d.mime == kMembershipType && static_cast<int32_t>(std::atoll(d.data1.c_str())) == static_cast<int32_t>(e.rowId))
              batch.remove(fw().dataUri).where("_id=?", {decimal(d.id)}).add();
        } else if (e.op == 0 || e.op == 2) {
          for (const auto& [gid, title] : groupTitles)
            if (title == e.value && member.insert(gid).second) insertRow(mime).number(kMembershipGroup, gid).add();
        }
      }
      continue;
    }
    for (const EditedItem& e : *lists[l]) {
      const DataRow* existing = update ? find(mime, e.rowId) : nullptr;
      switch (e.op) {
        case 0:
          if (!e.value.empty()) insertRow(mime).text(kData1, e.value).number(kindColumn(mime), e.kind).add();
          break;
        case 1:
          if (existing) batch.remove(fw().dataUri).where("_id=?", {decimal(existing->id)}).add();
          break;
        case 2:
          if (existing)
            batch.update(fw().dataUri).where("_id=?", {decimal(existing->id)}).text(kData1, e.value)
                .number(kindColumn(mime), e.kind).add();
          else if (!e.value.empty())
            insertRow(mime).text(kData1, e.value).number(kindColumn(mime), e.kind).add();
          break;
        default: break;
      }
    }
  }
  if (!batch.apply(resolver, nullptr)) {
    if (env.fault() == Fault::Refused) return Answer::refused(AgentRefusal::ContactsWrite);
    return Answer::served();  // the batch failed whole: nothing changed, status 0
  }
  status = 1;
  return Answer::served();
}

Answer JniPhoneData::deleteContacts(const std::vector<int32_t>& ids, int32_t& status) {
  Env env(threadEnv());
  status = 0;
  const std::set<int32_t> unique(ids.begin(), ids.end());
  Batch batch(env);
  for (int32_t id : unique) batch.remove(fw().rawContactsUri).where("contact_id=?", {decimal(id)}).add();
  std::vector<int32_t> counts;
  if (!batch.apply(resolver_.get(), &counts)) {
    if (env.fault() == Fault::Refused) return Answer::refused(AgentRefusal::ContactsWrite);
    return Answer::served();
  }
  for (int32_t n : counts) status += n > 0 ? 1 : 0;
  return Answer::served();
}

// ---------------------------------------------------------------- groups

Answer JniPhoneData::groups(std::vector<Group>& out) {
  Env env(threadEnv());
  Rows r(env, resolver_.get(), fw().groupsUri, {kId, kGroupTitle, kGroupAccountName, kGroupVisible}, "deleted=0", {},
         "_id ASC");
  while (r.next()) {
    Group g;
    g.id = r.i64(0);
    g.title = r.text(1);
    g.account = r.text(2);
    if (g.account.empty()) g.account = "Phone";  // a group of no account is the phone's own
    g.visible = r.i32(3);
    out.push_back(std::move(g));
  }
  if (!env.ok()) {
    out.clear();
    return refusal(env, AgentRefusal::ContactsRead);
  }
  return Answer::served();
}

Answer JniPhoneData::addGroup(const std::string& title, int32_t& status) {
  Env env(threadEnv());
  status = 0;
  Batch batch(env);
  batch.insert(fw().groupsUri).text(kGroupTitle, title).number(kGroupVisible, 1).add();
  if (!batch.apply(resolver_.get(), nullptr))
    return env.fault() == Fault::Refused ? Answer::refused(AgentRefusal::ContactsWrite) : Answer::served();
  status = 1;
  return Answer::served();
}

Answer JniPhoneData::renameGroup(int32_t id, const std::string& title, int32_t& status) {
  Env env(threadEnv());
  status = 0;
  Batch batch(env);
  batch.update(fw().groupsUri).where("_id=? AND deleted=0", {decimal(id)}).text(kGroupTitle, title).add();
  std::vector<int32_t> counts;
  if (!batch.apply(resolver_.get(), &counts))
    return env.fault() == Fault::Refused ? Answer::refused(AgentRefusal::ContactsWrite) : Answer::served();
  status = !counts.empty() && counts[0] > 0 ? 1 : 0;
  return Answer::served();
}

Answer JniPhoneData::deleteGroups(const std::vector<int32_t>& ids, int32_t& status) {
  Env env(threadEnv());
  status = 0;
  Batch batch(env);
  for (int32_t id : std::set<int32_t>(ids.begin(), ids.end())) {
    batch.remove(fw().groupsUri).where("_id=?", {decimal(id)}).add();
    batch.remove(fw().dataUri).where("mimetype=? AND data1=?", {kMembershipType, decimal(id)}).add();
  }
  if (!batch.apply(resolver_.get(), nullptr))
    return env.fault() == Fault::Refused ? Answer::refused(AgentRefusal::ContactsWrite) : Answer::served();
  status = 1;
  return Answer::served();
}

Answer JniPhoneData::pickerContacts(std::vector<PickerContact>& out) {
  Env env(threadEnv());
  jobject resolver = resolver_.get();
  std::set<int64_t> live;
  {
    Rows g(env, resolver, fw().groupsUri, {kId}, "deleted=0", {}, nullptr);
    while (g.next()) live.insert(g.i64(0));
  }
  struct Person {
    std::string name;
    std::vector<std::string> numbers;
    std::vector<int64_t> groups;
  };
  std::vector<Person> people;
  {
    Rows r(env, resolver, fw().dataUri, {kDataContactId, kDataMimetype, kData1, kDataDisplayName}, "mimetype IN (?,?)",
           {kPhoneType, kMembershipType}, "contact_id ASC, _id ASC");
    int64_t current = -1;
    while (r.next()) {
      const int64_t contact = r.i64(0);
      if (people.empty() || contact != current) {
        people.push_back({r.text(3), {}, {}});
        current = contact;
      }
      if (r.text(1) == kPhoneType) {
        people.back().numbers.push_back(r.text(2));
      } else {
        const int64_t g = r.i64(2);
        if (live.count(g)) people.back().groups.push_back(g);
      }
    }
  }
  if (!env.ok()) return refusal(env, AgentRefusal::ContactsRead);
  for (const Person& p : people)
    for (const std::string& number : p.numbers) {
      if (p.groups.empty()) out.push_back({-1, p.name, number});
      for (int64_t g : p.groups) out.push_back({g, p.name, number});
    }
  return Answer::served();
}

// ---------------------------------------------------------------- messages

Answer JniPhoneData::threads(std::vector<ThreadSummary>& out) {
  Env env(threadEnv());
  jobject resolver = resolver_.get();
  struct Newest {
    ThreadSummary summary;
    int64_t messageId = 0;
  };
  std::map<int64_t, Newest> byThread;
  {
    Rows r(env, resolver, fw().smsUri, {kId, kSmsThreadId, kSmsAddress, kSmsDate, kSmsBody}, nullptr, {}, nullptr);
    while (r.next()) {
      const int64_t id = r.i64(0), thread = r.i64(1), date = r.i64(3);
      Newest& n = byThread[thread];
      ++n.summary.messageCount;
      if (n.summary.messageCount == 1 || date > n.summary.date || (date == n.summary.date && id > n.messageId)) {
        n.summary.id = thread;
        n.summary.date = date;
        n.messageId = id;
        n.summary.number = r.text(2);
        n.summary.snippet = r.text(4);
      }
    }
  }
  if (!env.ok()) return refusal(env, AgentRefusal::SmsRead);
  // Names where the contacts allow it; a number without one shows as itself.
  std::map<std::string, std::string> names = namesByNumber(env, resolver);
  env.clearFault();
  for (auto& [id, n] : byThread) {
    auto it = names.find(n.summary.number);
    if (it != names.end()) n.summary.name = it->second;
    n.summary.read = 1;
    out.push_back(std::move(n.summary));
  }
  // Newest first; of the same date, the older thread first (they came in id order).
  std::sort(out.begin(), out.end(), [](const ThreadSummary& a, const ThreadSummary& b) {
    return a.date != b.date ? a.date > b.date : a.id < b.id;
  });
  return Answer::served();
}

Answer JniPhoneData::conversation(int32_t threadId, std::vector<ConversationMessage>& out) {
  Env env(threadEnv());
  Rows r(env, resolver_.get(), fw().smsUri, {kId, kSmsType, kSmsAddress, kSmsDate, kSmsBody}, "thread_id=?",
         {decimal(threadId)}, "date ASC, _id ASC");
  while (r.next()) {
    ConversationMessage m;
    m.id = r.i64(0);
    m.direction = r.i32(1) == kSmsInbox ? 1 : 2;
    m.number = r.text(2);
    m.date = r.i64(3);
    m.body = r.text(4);
    out.push_back(std::move(m));
  }
  if (!env.ok()) {
    out.clear();
    return refusal(env, AgentRefusal::SmsRead);
  }
  return Answer::served();
}

Answer JniPhoneData::sendMessage(const std::vector<std::string>& numbers, const std::string& text, int32_t& status) {
  Env env(threadEnv());
  status = 0;
  Local<jobject> manager = env.callStaticObject(fw().smsManager, fw().smsManagerDefault);
  Local<jstring> body = env.string(text);
  Local<jobject> parts = env.callObject(manager.get(), fw().smsDivide, body.get());
  for (const std::string& number : numbers) {
    if (number.empty() || !env.ok()) continue;
    Frame frame(env, 8);
    Local<jstring> to = env.string(number);
    env.callVoid(manager.get(), fw().smsSendMultipart, to.get(), static_cast<jobject>(nullptr), parts.get(),
                 static_cast<jobject>(nullptr), static_cast<jobject>(nullptr));
  }
  if (!env.ok()) return refusal(env, AgentRefusal::SmsSend);
  status = 1;
  return Answer::served();
}

Answer JniPhoneData::deleteThreads(const std::vector<int32_t>& ids, int32_t& status) {
  Env env(threadEnv());
  status = 0;
  // Only the default SMS app may change the provider; anyone else's deletes are dropped silently.
  Local<jobject> own = env.callObject(context_.get(), fw().contextPackageName);
  Local<jobject> holder = fw().defaultSmsPackage
                              ? env.callStaticObject(fw().sms, fw().defaultSmsPackage, context_.get())
                              : Local<jobject>();
  if (!env.ok()) return refusal(env, AgentRefusal::SmsNotDefaultApp);
  if (fw().defaultSmsPackage && env.utf8(holder.get()) != env.utf8(own.get()))
    return Answer::refused(AgentRefusal::SmsNotDefaultApp);
  if (ids.empty()) {
    status = 1;
    return Answer::served();
  }
  Local<jstring> where = env.string(idsIn(kSmsThreadId, ids));
  env.callInt(resolver_.get(), fw().resolverDelete, fw().smsUri, where.get(), static_cast<jobject>(nullptr));
  if (!env.ok()) return refusal(env, AgentRefusal::SmsNotDefaultApp);
  status = 1;
  return Answer::served();
}

// ---------------------------------------------------------------- call log

Answer JniPhoneData::calls(std::vector<Call>& out) {
  Env env(threadEnv());
  jobject resolver = resolver_.get();
  {
    Rows r(env, resolver, fw().callsUri, {kId, kCallNumber, kCallDate, kCallDuration, kCallType, kCallCachedName},
           nullptr, {}, "date DESC, _id ASC");
    while (r.next()) {
      Call c;
      c.id = r.i64(0);
      c.number = r.text(1);
      c.time = r.i64(2);
      c.duration = r.i64(3);
      c.type = r.i32(4);
      c.name = r.text(5);
      out.push_back(std::move(c));
    }
  }
  if (!env.ok()) {
    out.clear();
    return refusal(env, AgentRefusal::CallLogRead);
  }
  // The contacts' names first, the log's own cached name where the contacts have none (or refuse).
  std::map<std::string, std::string> names = namesByNumber(env, resolver);
  env.clearFault();
  for (Call& c : out) {
    auto it = names.find(c.number);
    if (it != names.end()) c.name = it->second;
  }
  return Answer::served();
}

Answer JniPhoneData::deleteCalls(const std::vector<int32_t>& ids, int32_t& status) {
  Env env(threadEnv());
  status = 0;
  if (!ids.empty()) {
    Local<jstring> where = env.string(idsIn(kId, ids));
    env.callInt(resolver_.get(), fw().resolverDelete, fw().callsUri, where.get(), static_cast<jobject>(nullptr));
  }
  if (!env.ok()) return refusal(env, AgentRefusal::CallLogWrite);
  status = 1;
  return Answer::served();
}

Answer JniPhoneData::deleteAllCalls(int32_t& status) {
  Env env(threadEnv());
  status = 0;
  env.callInt(resolver_.get(), fw().resolverDelete, fw().callsUri, static_cast<jobject>(nullptr),
              static_cast<jobject>(nullptr));
  if (!env.ok()) return refusal(env, AgentRefusal::CallLogWrite);
  status = 1;
  return Answer::served();
}

// ---------------------------------------------------------------- alarms, files, bookmarks

// Alarms: JniAlarms.cpp. The browsers' bookmark provider (android.provider.Browser's
// BOOKMARKS_URI) went in Android 6, below the package's minimum (7.0): on every phone the package
// runs on, a refusal, which the page says plainly, never an empty list that would look like a
// browser without bookmarks.

Answer JniPhoneData::folder(const std::string& folder, std::vector<FileEntry>& out) { return listFolder(folder, out); }

Answer JniPhoneData::bookmarks(std::vector<Bookmark>&) { return Answer::refused(AgentRefusal::BookmarksNotOffered); }
Answer JniPhoneData::saveBookmark(const Bookmark&, bool, int32_t&) {
  return Answer::refused(AgentRefusal::BookmarksNotOffered);
}
Answer JniPhoneData::deleteBookmarks(const std::vector<int32_t>&, int32_t&) {
  return Answer::refused(AgentRefusal::BookmarksNotOffered);
}

// ---------------------------------------------------------------- applications

Answer JniPhoneData::applications(std::vector<Package>& out) {
  Env env(threadEnv());
  Local<jobject> pm = packageManager(env, context_.get());
  Local<jobject> list = env.callObject(pm.get(), fw().installedPackages, static_cast<jint>(0));
  if (env.ok() && !list) env.fail(Fault::Failed, "no package list");
  const jint n = env.listSize(list.get());
  for (jint i = 0; i < n && env.ok(); ++i) {
    Frame frame(env, 16);
    Local<jobject> info = env.listGet(list.get(), i);
    Local<jobject> app = info ? env.objectField(info.get(), fw().packageApplication) : Local<jobject>();
    if (!env.ok() || !app) continue;
    // The page lists what the user installed; the system's own (updated ones too) stay out.
    if ((env.intField(app.get(), fw().applicationFlags) & kFlagSystem) != 0) continue;
    Package p;
    Local<jobject> name = env.objectField(info.get(), fw().packageName);
    p.name = env.utf8(name.get());
    Local<jobject> version = env.objectField(info.get(), fw().packageVersionName);
    p.version = env.utf8(version.get());
    p.versionCode = env.intField(info.get(), fw().packageVersionCode);
    p.installTime = env.longField(info.get(), fw().packageFirstInstall);
    Local<jobject> source = env.objectField(app.get(), fw().applicationSourceDir);
    p.path = env.utf8(source.get());
    Local<jobject> label = env.callObject(pm.get(), fw().applicationLabel, app.get());
    p.label = env.textOf(label.get());
    if (!env.ok()) break;
    p.size = fileSize(p.path);
    // An icon the phone cannot give or draw leaves the row without one; the list goes on.
    Local<jobject> drawable = env.callObject(pm.get(), fw().applicationIcon, app.get());
    if (env.ok()) p.icon = iconPng(env, drawable.get());
    env.clearFault();
    out.push_back(std::move(p));
  }
  if (!env.ok()) {
    out.clear();
    return Answer::refused(AgentRefusal::Unknown);
  }
  return Answer::served();
}

Answer JniPhoneData::startApplication(const std::string& package, int32_t& status) {
  Env env(threadEnv());
  status = 0;
  Local<jobject> pm = packageManager(env, context_.get());
  Local<jstring> name = env.string(package);
  // Null for a package that is not there or has no launcher activity: not started, status 0.
  Local<jobject> intent = env.callObject(pm.get(), fw().launchIntent, name.get());
  if (!env.ok()) return Answer::refused(AgentRefusal::Unknown);
  if (!intent) return Answer::served();
  // From Android 10 a start from the background is dropped without a word unless the agent may
  // draw over other apps (the PC allows it through appops): not started, so status 0.
  const jint sdk = env.staticIntField(fw().buildVersion, fw().versionSdk);
  if (sdk >= kSdkQ && fw().canDrawOverlays &&
      !env.callStaticBool(fw().settings, fw().canDrawOverlays, context_.get()))
    return env.ok() ? Answer::served() : Answer::refused(AgentRefusal::Unknown);
  // Started from a service: the activity needs a task of its own.
  Local<jobject> flagged = env.callObject(intent.get(), fw().intentAddFlags, static_cast<jint>(kActivityNewTask));
  env.callVoid(context_.get(), fw().contextStartActivity, intent.get());
  // The activity is not there after all (ActivityNotFoundException), or the phone refused it.
  if (!env.ok()) return Answer::served();
  status = 1;
  return Answer::served();
}

// ---------------------------------------------------------------- processes

// Since Android 7 an app sees only its own processes (getRunningAppProcesses and /proc alike): a
// list of one would pass for a phone running nothing else, and ending others' is not an app's to
// do. The phone's free memory is every app's to read.
Answer JniPhoneData::processes(std::vector<Process>&) { return Answer::refused(AgentRefusal::ProcessesNotOffered); }
Answer JniPhoneData::endProcesses(const std::vector<std::string>&, int32_t&) {
  return Answer::refused(AgentRefusal::ProcessesNotOffered);
}

Answer JniPhoneData::freeMemory(int64_t& bytes) {
  Env env(threadEnv());
  Local<jstring> name = env.string(kActivityService);
  Local<jobject> manager = env.callObject(context_.get(), fw().contextSystemService, name.get());
  if (env.ok() && !manager) env.fail(Fault::Failed, "no activity manager");
  Local<jobject> info = env.make(fw().memoryInfo, fw().memoryInfoNew);
  env.callVoid(manager.get(), fw().activityMemoryInfo, info.get());
  bytes = env.longField(info.get(), fw().memoryAvailable);
  return env.ok() ? Answer::served() : Answer::refused(AgentRefusal::Unknown);
}

}  // namespace zorvik::phone
