// The phone settings page's eleven settings (871501) and its changes (871502), from Settings and
// AudioManager. What Android lets no app switch (Wi-Fi from 10 on, Bluetooth, airplane mode, the
// location) is refused as such rather than answered as done; a change that asks for what the phone
// already has is done without writing. The system settings need the "modify system settings"
// access, which the user or the PC (appops WRITE_SETTINGS) gives.
#include "phone/android/JniPhoneData.h"

#include "phone/android/jni/Framework.h"

namespace zorvik::phone {

using namespace jni;

namespace {

const Framework& fw() { return *framework(); }

// The page's volume scales: ringer 0-7, music 0-15. A phone's own scale may differ.
constexpr int kRingerTop = 7;
constexpr int kMusicTop = 15;

// The date format positions of the page, as Settings.System.DATE_FORMAT patterns.
const char* const kDatePatterns[] = {"yyyy-MM-dd", "MM-dd-yyyy", "dd-MM-yyyy"};

// A pattern's position: which of year, month and day it begins with. No pattern (the phone follows
// its language, year first for Chinese) is the first.
int32_t datePosition(const std::string& pattern) {
  for (char c : pattern) {
    if (c == 'y' || c == 'Y') return 0;
    if (c == 'M') return 1;
    if (c == 'd') return 2;
  }
  return 0;
}

// v of 0..from onto 0..to, rounded.
int32_t rescale(int32_t v, int32_t from, int32_t to) {
  if (from <= 0 || from == to) return v;
  return static_cast<int32_t>((int64_t{v} * to + from / 2) / from);
}

// One request's view of the settings: reads and writes through one Env.
class SettingsAccess {
 public:
  SettingsAccess(Env& env, jobject context, jobject resolver) : env_(env), context_(context), resolver_(resolver) {}

  int32_t global(const char* name, int fallback) {
    const jclass table = fw().globalInt ? fw().settingsGlobal : fw().settingsSecure;
    return integer(table, fw().globalInt ? fw().globalInt : fw().secureInt, name, fallback);
  }
  int32_t system(const char* name, int fallback) { return integer(fw().settingsSystem, fw().systemInt, name, fallback); }
  std::string systemText(const char* name) {
    Local<jstring> key = env_.string(name);
    Local<jobject> v = env_.callStaticObject(fw().settingsSystem, fw().systemString, resolver_, key.get());
    return env_.utf8(v.get());
  }

  int32_t gps() {
    const int32_t mode = integer(fw().settingsSecure, fw().secureInt, kLocationMode, -1);
    if (mode >= 0) return mode != kLocationModeOff ? 1 : 0;
    Local<jstring> key = env_.string(kLocationProviders);
    Local<jobject> providers = env_.callStaticObject(fw().settingsSecure, fw().secureString, resolver_, key.get());
    return env_.utf8(providers.get()).find("gps") != std::string::npos ? 1 : 0;
  }

  Local<jobject> audio() {
    Local<jstring> name = env_.string(kAudioService);
    Local<jobject> manager = env_.callObject(context_, fw().contextSystemService, name.get());
    if (env_.ok() && !manager) env_.fail(Fault::Failed, "no audio manager");
    return manager;
  }
  // The stream's volume on the page's scale 0..top.
  int32_t volume(jobject audio, int stream, int top) {
    const jint v = env_.callInt(audio, fw().audioVolume, static_cast<jint>(stream));
    const jint max = env_.callInt(audio, fw().audioMaxVolume, static_cast<jint>(stream));
    return rescale(v, max, top);
  }

  bool canWrite() { return env_.callStaticBool(fw().settingsSystem, fw().systemCanWrite, context_); }
  bool putInt(const char* name, int32_t value) {
    Local<jstring> key = env_.string(name);
    return env_.callStaticBool(fw().settingsSystem, fw().systemPutInt, resolver_, key.get(), static_cast<jint>(value));
  }
  bool putText(const char* name, const char* value) {
    Local<jstring> key = env_.string(name);
    Local<jstring> v = env_.string(value);
    return env_.callStaticBool(fw().settingsSystem, fw().systemPutString, resolver_, key.get(), v.get());
  }

  bool read(PhoneSettings& out) {
    int32_t* v = out.values;
    v[kWifi] = global(kWifiOn, 0) != 0 ? 1 : 0;
    v[kBluetooth] = global(kBluetoothOn, 0) == 1 ? 1 : 0;
    v[kAirplane] = global(kAirplaneModeOn, 0) != 0 ? 1 : 0;
    v[kGps] = gps();
    v[kRotation] = system(kAccelerometerRotation, 0) == 1 ? 1 : 0;
    v[kVibrate] = system(kVibrateWhenRinging, 0) == 1 ? 1 : 0;
    v[kTimeout] = system(kScreenOffTimeout, 0);
    Local<jobject> a = audio();
    v[kRinger] = volume(a.get(), kStreamRing, kRingerTop);
    v[kMusic] = volume(a.get(), kStreamMusic, kMusicTop);
    v[kTime24] = systemText(kTime1224) == "24" ? 1 : 0;
    v[kDateFormat] = datePosition(systemText(kDateFormatSetting));
    return env_.ok();
  }

 private:
  int32_t integer(jclass table, jmethodID getInt, const char* name, int fallback) {
    Local<jstring> key = env_.string(name);
    return env_.callStaticInt(table, getInt, resolver_, key.get(), static_cast<jint>(fallback));
  }

  Env& env_;
  jobject context_;
  jobject resolver_;
};

bool isSwitch(int32_t number) { return number != kTimeout && number != kRinger && number != kMusic && number != kDateFormat; }

}  // namespace

Answer JniPhoneData::settings(PhoneSettings& out) {
  Env env(threadEnv());
  SettingsAccess s(env, context_.get(), resolver_.get());
  if (!s.read(out)) {
    out = {};
    return Answer::refused(AgentRefusal::Unknown);
  }
  return Answer::served();
}

Answer JniPhoneData::changeSetting(int32_t number, int32_t value, int32_t& status) {
  status = 0;
  // What the page never sends: nothing changes.
  if (isSwitch(number) && value != 0 && value != 1) return Answer::served();
  if (number == kTimeout && value <= 0) return Answer::served();
  if (number == kRinger && (value < 0 || value > kRingerTop)) return Answer::served();
  if (number == kMusic && (value < 0 || value > kMusicTop)) return Answer::served();
  if (number == kDateFormat && (value < 0 || value > 2)) return Answer::served();

  Env env(threadEnv());
  SettingsAccess s(env, context_.get(), resolver_.get());
  PhoneSettings now;
  if (!s.read(now)) return Answer::refused(AgentRefusal::Unknown);
  if (now.values[number] == value) {
    status = 1;  // the phone already has it
    return Answer::served();
  }
  switch (number) {
    case kWifi:       // WifiManager.setWifiEnabled does nothing for apps built for 10 or later
    case kBluetooth:  // BluetoothAdapter.enable/disable: gone for apps built for 13, not in our API listing
    case kAirplane:   // a secure setting whose change the phone's radios hear only from the system
    case kGps:        // the location switch is the system's (LocationManager.setLocationEnabledForUser)
      return Answer::refused(AgentRefusal::SettingNotChangeable);
    case kRinger:
    case kMusic: {
      const int stream = number == kRinger ? kStreamRing : kStreamMusic;
      const int top = number == kRinger ? kRingerTop : kMusicTop;
      Local<jobject> audio = s.audio();
      const jint max = env.callInt(audio.get(), fw().audioMaxVolume, static_cast<jint>(stream));
      env.callVoid(audio.get(), fw().audioSetVolume, static_cast<jint>(stream), static_cast<jint>(rescale(value, top, max)),
                   static_cast<jint>(0));
      // Do Not Disturb without its access throws; a phone of fixed volume ignores the change.
      if (!env.ok()) return Answer::refused(env.fault() == Fault::Refused ? AgentRefusal::SettingNotChangeable
                                                                           : AgentRefusal::Unknown);
      if (s.volume(audio.get(), stream, top) != value || !env.ok())
        return Answer::refused(AgentRefusal::SettingNotChangeable);
      status = 1;
      return Answer::served();
    }
    default: break;
  }
  // The system settings: the access first, so the answer says what the user can do about it.
  const bool allowed = s.canWrite();
  if (!env.ok()) return Answer::refused(AgentRefusal::Unknown);
  if (!allowed) return Answer::refused(AgentRefusal::SystemSettingsAccess);
  bool written = false;
  switch (number) {
    case kRotation: written = s.putInt(kAccelerometerRotation, value); break;
    case kVibrate: written = s.putInt(kVibrateWhenRinging, value); break;
    case kTimeout: written = s.putInt(kScreenOffTimeout, value); break;
    case kTime24: written = s.putText(kTime1224, value == 1 ? "24" : "12"); break;
    case kDateFormat: written = s.putText(kDateFormatSetting, kDatePatterns[value]); break;
    default: break;
  }
  // A SecurityException: the access went meanwhile; any other (a setting the phone keeps from
  // apps): not changeable.
  if (!env.ok())
    return Answer::refused(env.fault() == Fault::Refused ? AgentRefusal::SystemSettingsAccess
                                                         : AgentRefusal::SettingNotChangeable);
  status = written ? 1 : 0;
  return Answer::served();
}

}  // namespace zorvik::phone
