#include "Harness.h"

#include "Jvm.h"
#include "devlink/ByteOrder.h"
#include "phone/AgentService.h"
#include "phone/AgentVersion.h"
#include "phone/android/jni/AgentIntents.h"
#include "phone/android/jni/Framework.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace zorvik::test {

namespace {

jclass phoneClass() { return javaClass("zorvik/fakes/Phone"); }

jmethodID staticMethod(jclass owner, const char* name, const char* signature) {
  jmethodID m = jvmEnv()->GetStaticMethodID(owner, name, signature);
  if (!m) {
    std::fprintf(stderr, "fake method %s%s missing: %s\n", name, signature, takeException(jvmEnv()).c_str());
    std::abort();
  }
  return m;
}

jmethodID staticMethod(const char* name, const char* signature) { return staticMethod(phoneClass(), name, signature); }

// The packages' files, sparse, of the data set's sizes: the agent reads a package's size from its
// file. Removed when the program ends.
struct ApkFolder {
  std::string path;
  ApkFolder() {
    char name[] = "/tmp/zorvik-apks-XXXXXX";
    if (::mkdtemp(name)) path = name;
  }
  ~ApkFolder() {
    if (path.empty()) return;
    if (DIR* d = ::opendir(path.c_str())) {
      while (dirent* e = ::readdir(d))
        if (e->d_name[0] != '.') ::unlink((path + "/" + e->d_name).c_str());
      ::closedir(d);
    }
    ::rmdir(path.c_str());
  }
};

const std::string& apkFolder() {
  static ApkFolder folder;
  return folder.path;
}

// The agent's own cache folder (Context.getCacheDir).
const std::string& cacheFolder() {
  static ApkFolder folder;
  return folder.path;
}

jbyteArray byteArray(JNIEnv* env, const phone::Blob& bytes) {
  if (!bytes || bytes->empty()) return nullptr;
  jbyteArray a = env->NewByteArray(static_cast<jsize>(bytes->size()));
  env->SetByteArrayRegion(a, 0, static_cast<jsize>(bytes->size()), reinterpret_cast<const jbyte*>(bytes->data()));
  return a;
}

void checked(JNIEnv* env) {
  const std::string e = takeException(env);
  if (!e.empty()) ADD_FAILURE() << "the fakes threw " << e;
}

// A static void method of a fake, its exception checked (as -Xcheck:jni wants before the next call).
template <class... A>
void call(JNIEnv* env, jclass owner, jmethodID method, A... args) {
  env->CallStaticVoidMethod(owner, method, args...);
  checked(env);
}

// "2.0 GB" -> its byte count, as the data set writes sizes.
int64_t sizeOf(const std::string& text) {
  double v = 0;
  std::sscanf(text.c_str(), "%lf", &v);
  return static_cast<int64_t>(v * 1024 * 1024 * 1024 + 0.5);
}

// The build facts go in before android.os.Build is first touched (its fields are constants).
void loadFacts(const sim::SystemFacts& f) {
  JNIEnv* env = jvmEnv();
  jclass facts = javaClass("zorvik/fakes/Facts");
  jmethodID set = env->GetStaticMethodID(facts, "set", "(Ljava/lang/String;Ljava/lang/String;)V");
  const std::string display = f.systemVersion.substr(f.systemVersion.find('(') + 1,
                                                     f.systemVersion.rfind(')') - f.systemVersion.find('(') - 1);
  const std::pair<const char*, std::string> values[] = {
      {"MODEL", f.model}, {"MANUFACTURER", f.manufacturer}, {"DISPLAY", display},
      {"HARDWARE", f.cpu}, {"RELEASE", f.release},         {"SDK_INT", std::to_string(f.sdk)},
  };
  for (const auto& [name, value] : values) {
    jstring k = javaString(env, name);
    jstring v = javaString(env, value);
    call(env, facts, set, k, v);
    env->DeleteLocalRef(k);
    env->DeleteLocalRef(v);
    checked(env);
  }
}

sim::PhoneState dataSet() {
  sim::PhoneState s;
  std::string error;
  if (!sim::loadPhoneState(ZORVIK_VPHONE_DATA, s, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::abort();
  }
  return s;
}

}  // namespace

jobject agentContext() {
  static jobject context = [] {
    JNIEnv* env = jvmEnv();
    loadFacts(dataSet().system);
    phone::jni::setJavaVm(jvm());
    std::string missing;
    if (!phone::jni::loadLanguageClasses(env) || !phone::jni::loadFramework(env, missing)) {
      std::fprintf(stderr, "framework member missing: %s %s\n", missing.c_str(), takeException(env).c_str());
      std::abort();
    }
    jclass type = javaClass("zorvik/fakes/FakeContext");
    jobject local = env->NewObject(type, env->GetMethodID(type, "<init>", "()V"));
    checked(env);
    jobject global = env->NewGlobalRef(local);
    env->DeleteLocalRef(local);
    return global;
  }();
  return context;
}

Harness::Harness(size_t contacts) : state(dataSet()) {
  if (contacts > state.contacts.size()) sim::scaleContacts(state, contacts);
  sim::SystemFacts& f = state.system;
  f.imei.clear();
  f.imsi.clear();
  f.resolution.clear();
  f.mobileNetwork.clear();
  f.wifiNetwork.clear();
  // The start-up entries of the events the agent can ask the package manager about, in the order
  // it asks them (by event; each event's receivers as registered).
  auto asked = [](const phone::StartupEntry& e) {
    for (const phone::jni::StartupAction& a : phone::jni::kStartupActions)
      if (a.event == e.event) return true;
    return false;
  };
  state.startup.erase(std::remove_if(state.startup.begin(), state.startup.end(), [&](auto& e) { return !asked(e); }),
                      state.startup.end());
  std::stable_sort(state.startup.begin(), state.startup.end(), [](auto& a, auto& b) { return a.event < b.event; });
  // The package files live where the harness can make them; vphone names the same paths.
  for (sim::Package& p : state.packages) p.path = apkFolder() + "/" + p.name + "-1.apk";
  jni_ = std::make_unique<phone::JniPhoneData>(jvmEnv(), agentContext());
}

void Harness::loadFakes() {
  JNIEnv* env = jvmEnv();
  jclass phone = phoneClass();
  call(env, phone, staticMethod("reset", "()V"));
  static jmethodID raw = staticMethod("loadRawContact", "(JJIJI)V");
  static jmethodID data = staticMethod("loadData", "(JJLjava/lang/String;Ljava/lang/String;ILjava/lang/String;[B)V");
  static jmethodID group = staticMethod("loadGroup", "(JLjava/lang/String;Ljava/lang/String;I)V");
  static jmethodID sms = staticMethod("loadSms", "(JJLjava/lang/String;JILjava/lang/String;)V");
  static jmethodID callRow = staticMethod("loadCall", "(JLjava/lang/String;JJI)V");
  static jmethodID setting = staticMethod("loadSetting", "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;)V");
  static jmethodID battery = staticMethod("loadBattery", "(II)V");
  static jmethodID memory = staticMethod("loadMemory", "(JJJ)V");
  static jmethodID storage = staticMethod("loadStorage", "(Ljava/lang/String;JJ)V");

  auto str = [&](const std::string& s) { return javaString(env, s); };
  int64_t spareId = 900000000;  // rows vphone has no id for (photos, memberships)
  for (const sim::Contact& c : state.contacts) {
    env->PushLocalFrame(32);
    call(env, phone, raw, c.id, c.rawId, c.starred, c.lastContact, static_cast<jint>(c.timesContacted));
    auto row = [&](int64_t id, const char* mime, const std::string& value, int kind, bool im) {
      jstring protocol = im ? str(std::to_string(kind)) : nullptr;
      call(env, phone, data, id, c.rawId, str(mime), str(value), im ? 3 : kind, protocol, nullptr);
    };
    using namespace phone::jni;
    if (c.displayName.present) row(c.displayName.rowId, kNameType, c.displayName.value, 0, false);
    if (c.nickname.present) row(c.nickname.rowId, kNicknameType, c.nickname.value, 0, false);
    if (c.notes.present) row(c.notes.rowId, kNoteType, c.notes.value, 0, false);
    for (const sim::ContactItem& i : c.phones) row(i.rowId, kPhoneType, i.value, i.kind, false);
    for (const sim::ContactItem& i : c.emails) row(i.rowId, kEmailType, i.value, i.kind, false);
    for (const sim::ContactItem& i : c.ims) row(i.rowId, kImType, i.value, i.kind, true);
    for (const sim::ContactItem& i : c.webPages) row(i.rowId, kWebsiteType, i.value, i.kind, false);
    for (const sim::ContactItem& i : c.addresses) row(i.rowId, kPostalType, i.value, i.kind, false);
    for (const sim::ContactItem& i : c.organizations) row(i.rowId, kOrganizationType, i.value, i.kind, false);
    for (int64_t g : c.groupIds)
      call(env, phone, data, ++spareId, c.rawId, str(kMembershipType), str(std::to_string(g)), 0,
                                nullptr, nullptr);
    if (c.photo && !c.photo->empty()) {
      jbyteArray bytes = env->NewByteArray(static_cast<jsize>(c.photo->size()));
      env->SetByteArrayRegion(bytes, 0, static_cast<jsize>(c.photo->size()), reinterpret_cast<const jbyte*>(c.photo->data()));
      call(env, phone, data, ++spareId, c.rawId, str(kPhotoType), nullptr, 0, nullptr, bytes);
    }
    env->PopLocalFrame(nullptr);
    checked(env);
  }
  for (const sim::Group& g : state.groups) {
    env->PushLocalFrame(8);
    call(env, phone, group, g.id, str(g.title), str(g.account), g.visible);
    env->PopLocalFrame(nullptr);
  }
  for (const sim::Thread& t : state.threads)
    for (const sim::Message& m : t.messages) {
      env->PushLocalFrame(8);
      call(env, phone, sms, m.id, t.id, str(t.number), m.date, m.direction == 1 ? 1 : 2, str(m.body));
      env->PopLocalFrame(nullptr);
    }
  for (const sim::Call& c : state.calls) {
    env->PushLocalFrame(8);
    call(env, phone, callRow, c.id, str(c.number), c.time, c.duration, c.type);
    env->PopLocalFrame(nullptr);
  }
  const sim::SystemFacts& f = state.system;
  auto put = [&](const char* table, const char* name, int value) {
    env->PushLocalFrame(8);
    call(env, phone, setting, str(table), str(name), str(std::to_string(value)));
    env->PopLocalFrame(nullptr);
  };
  using namespace phone::jni;
  put("secure", kLocationMode, state.settings[sim::kGps] ? 3 : 0);
  put("global", kBluetoothOn, state.settings[sim::kBluetooth]);
  put("global", kWifiOn, state.settings[sim::kWifi]);
  put("global", kAirplaneModeOn, state.settings[sim::kAirplane]);
  put("system", kAccelerometerRotation, state.settings[sim::kRotation]);
  put("system", kScreenBrightness, f.brightness);
  call(env, phone, battery, std::atoi(f.battery.c_str()), 100);
  call(env, phone, memory, sizeOf(f.ram), f.freeMemory, f.uptime);
  // "16.0 GB (剩余 9.8 GB)" and "剩余 9.8 GB / 共 12.9 GB": the sizes after the first space and
  // after the "(" or "/".
  auto after = [](const std::string& s, const char* mark) { return s.substr(s.find(mark) + std::char_traits<char>::length(mark)); };
  const std::string remaining = u8"剩余 ";
  const std::string total = u8"共 ";
  jstring dataDir = str("/data"), sdDir = str("/storage/emulated/0");
  call(env, phone, storage, dataDir, sizeOf(f.rom), sizeOf(after(f.rom, remaining.c_str())));
  call(env, phone, storage, sdDir, sizeOf(after(f.sd, total.c_str())), sizeOf(after(f.sd, remaining.c_str())));
  env->DeleteLocalRef(dataDir);
  env->DeleteLocalRef(sdDir);
  checked(env);
  jclass packages = javaClass("zorvik/fakes/Packages");
  static jmethodID package = staticMethod(packages, "load",
                                          "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;ILjava/lang/String;IJ[B)V");
  for (const sim::Package& p : state.packages) {
    const int fd = ::open(p.path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::ftruncate(fd, p.size) != 0) ADD_FAILURE() << "cannot make " << p.path;
    if (fd >= 0) ::close(fd);
    env->PushLocalFrame(8);
    call(env, packages, package, str(p.label), str(p.name), str(p.version), p.versionCode, str(p.path), p.system,
         p.installTime, byteArray(env, p.icon));
    env->PopLocalFrame(nullptr);
  }
  // Each start-up entry as a receiver of its package ("pkg/.Class (ACTION)") for the event's action.
  static jmethodID receiver = staticMethod(packages, "loadReceiver", "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;)V");
  for (const phone::StartupEntry& e : state.startup) {
    const size_t slash = e.detail.find('/'), open = e.detail.find(" (");
    if (slash == std::string::npos || open == std::string::npos || open < slash) {
      ADD_FAILURE() << "start-up detail " << e.detail;
      continue;
    }
    const std::string package = e.detail.substr(0, slash);
    std::string name = e.detail.substr(slash + 1, open - slash - 1);
    if (!name.empty() && name[0] == '.') name = package + name;
    const char* action = nullptr;
    for (const phone::jni::StartupAction& a : phone::jni::kStartupActions)
      if (a.event == e.event) action = a.action;
    env->PushLocalFrame(8);
    call(env, packages, receiver, str(package), str(name), str(action));
    env->PopLocalFrame(nullptr);
  }
  loadTools();
}

// The phone settings page's and the cleaner's side: the settings Settings.System holds, the
// volumes on the page's own scales, the cache figures of the data set's packages.
void Harness::loadTools() {
  JNIEnv* env = jvmEnv();
  using namespace phone::jni;
  const int32_t* s = state.settings;
  static jmethodID setting = staticMethod("loadSetting", "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;)V");
  auto put = [&](const char* name, const std::string& value) {
    env->PushLocalFrame(8);
    call(env, phoneClass(), setting, javaString(env, "system"), javaString(env, name), javaString(env, value));
    env->PopLocalFrame(nullptr);
  };
  static const char* const patterns[] = {"yyyy-MM-dd", "MM-dd-yyyy", "dd-MM-yyyy"};
  put(kVibrateWhenRinging, std::to_string(s[sim::kVibrate]));
  put(kScreenOffTimeout, std::to_string(s[sim::kTimeout]));
  put(kTime1224, s[sim::kTime24] == 1 ? "24" : "12");
  if (s[sim::kDateFormat] >= 0 && s[sim::kDateFormat] < 3) put(kDateFormatSetting, patterns[s[sim::kDateFormat]]);
  jclass tools = javaClass("zorvik/fakes/Tools");
  static jmethodID volume = staticMethod(tools, "loadVolume", "(III)V");
  static jmethodID cache = staticMethod(tools, "loadCache", "(Ljava/lang/String;J)V");
  static jmethodID folder = staticMethod(tools, "setCacheDir", "(Ljava/lang/String;)V");
  call(env, tools, volume, kStreamRing, s[sim::kRinger], 7);
  call(env, tools, volume, kStreamMusic, s[sim::kMusic], 15);
  for (const phone::CacheEntry& c : state.cache) {
    env->PushLocalFrame(4);
    call(env, tools, cache, javaString(env, c.package), static_cast<jlong>(c.size));
    env->PopLocalFrame(nullptr);
  }
  env->PushLocalFrame(4);
  call(env, tools, folder, javaString(env, cacheFolder()));
  env->PopLocalFrame(nullptr);
}

const std::string& Harness::agentCacheFolder() { return cacheFolder(); }

std::string Harness::jniReply(const std::string& request) {
  return phone::answerAgentRequest(*jni_, reinterpret_cast<const unsigned char*>(request.data()), request.size(),
                                   phone::kPhoneAgentVersion);
}

std::string Harness::simReply(const std::string& request) {
  sim::SimPhoneData data(state);
  return phone::answerAgentRequest(data, reinterpret_cast<const unsigned char*>(request.data()), request.size(),
                                   phone::kPhoneAgentVersion);
}

void Harness::fake(const char* method, const char* table) {
  JNIEnv* env = jvmEnv();
  jstring t = javaString(env, table);
  call(env, phoneClass(), staticMethod(method, "(Ljava/lang/String;)V"), t);
  env->DeleteLocalRef(t);
  checked(env);
}

void Harness::fake(const char* method, const char* table, int value) {
  JNIEnv* env = jvmEnv();
  jstring t = javaString(env, table);
  call(env, phoneClass(), staticMethod(method, "(Ljava/lang/String;I)V"), t, value);
  env->DeleteLocalRef(t);
  checked(env);
}

void Harness::resetFaults() {
  call(jvmEnv(), phoneClass(), staticMethod("resetFaults", "()V"));
}

long long Harness::providerNanos() {
  jclass timing = javaClass("zorvik/fakes/Timing");
  const long long n = jvmEnv()->CallStaticLongMethod(timing, jvmEnv()->GetStaticMethodID(timing, "providerNanos", "()J"));
  checked(jvmEnv());
  return n;
}

long long Harness::graphicsNanos() {
  jclass timing = javaClass("zorvik/fakes/Timing");
  const long long n = jvmEnv()->CallStaticLongMethod(timing, jvmEnv()->GetStaticMethodID(timing, "graphicsNanos", "()J"));
  checked(jvmEnv());
  return n;
}

void Harness::resetProviderNanos() {
  jclass timing = javaClass("zorvik/fakes/Timing");
  call(jvmEnv(), timing, jvmEnv()->GetStaticMethodID(timing, "resetProviderNanos", "()V"));
}

int Harness::openCursors() {
  jclass timing = javaClass("zorvik/fakes/Timing");
  const int n = jvmEnv()->CallStaticIntMethod(timing, jvmEnv()->GetStaticMethodID(timing, "openCursors", "()I"));
  checked(jvmEnv());
  return n;
}

std::string be32(int32_t v) {
  unsigned char b[4];
  putInt32(v, b);
  return std::string(reinterpret_cast<const char*>(b), 4);
}

std::string be64(int64_t v) {
  unsigned char b[8];
  putInt64(v, b);
  return std::string(reinterpret_cast<const char*>(b), 8);
}

std::string text(const std::string& utf8) { return be32(static_cast<int32_t>(utf8.size())) + utf8; }

std::string bare(int32_t code) { return be32(code); }

std::string framed(int32_t code, const std::string& fields) {
  return be32(code) + be32(static_cast<int32_t>(8 + fields.size())) + fields;
}

std::string idList(int32_t code, const std::vector<int32_t>& ids) {
  std::string fields = be32(static_cast<int32_t>(ids.size()));
  for (int32_t id : ids) fields += be32(id);
  return framed(code, fields);
}

}  // namespace zorvik::test
