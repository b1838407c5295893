// Alarms (870401-870405) as JniPhoneData serves them: what the clock app lets another app do.
#include "phone/android/JniPhoneData.h"

#include "phone/android/jni/AgentIntents.h"
#include "phone/android/jni/Framework.h"

namespace zorvik::phone {

using namespace jni;

namespace {

const Framework& fw() { return *framework(); }

// java.util.Calendar's day numbers (SUNDAY 1 ... SATURDAY 7), which EXTRA_DAYS takes, for the
// page's bits 0 (Monday) to 6 (Sunday).
constexpr jint kCalendarDay[7] = {2, 3, 4, 5, 6, 7, 1};

}  // namespace

// The clock app keeps its alarms to itself: there is no provider or API that lists, changes or
// deletes them, so those answer the refusal the page says plainly — never an empty list that
// would look like a phone without alarms.
Answer JniPhoneData::alarms(std::vector<Alarm>&) { return Answer::refused(AgentRefusal::AlarmsNotOffered); }
Answer JniPhoneData::deleteAlarms(const std::vector<int32_t>&, int32_t&) {
  return Answer::refused(AgentRefusal::AlarmsNotOffered);
}

// Adding one is what the clock offers: AlarmClock.ACTION_SET_ALARM with the time, title, days,
// vibration and ringtone, without its own screen (EXTRA_SKIP_UI). Status 1 once the clock app has
// it; 0 for a time no clock has. Refused where the phone cannot do what was asked: a change (no
// API), an alarm switched off (the intent only makes alarms that ring), no app that takes the
// intent, and from Android 10 a start from the background without the overlay access (the phone
// would drop it unseen).
Answer JniPhoneData::saveAlarm(const Alarm& alarm, bool update, int32_t& status) {
  status = 0;
  if (update) return Answer::refused(AgentRefusal::AlarmsNotOffered);
  // 24 is how older pages send midnight; anything else out of range is no time of day.
  if (alarm.hour < 0 || alarm.hour > 24 || alarm.minute < 0 || alarm.minute > 59) return Answer::served();
  if (alarm.enabled != 1) return Answer::refused(AgentRefusal::AlarmsNotOffered);
  Env env(threadEnv());
  Local<jstring> action = env.string(kSetAlarm);
  Local<jobject> intent = env.make(fw().intent, fw().intentNew, action.get());
  auto putInt = [&](const char* key, jint value) {
    Local<jstring> k = env.string(key);
    Local<jobject> self = env.callObject(intent.get(), fw().intentPutInt, k.get(), value);
  };
  auto putBool = [&](const char* key, bool value) {
    Local<jstring> k = env.string(key);
    Local<jobject> self = env.callObject(intent.get(), fw().intentPutBool, k.get(), static_cast<jboolean>(value));
  };
  auto putText = [&](const char* key, const std::string& value) {
    Local<jstring> k = env.string(key);
    Local<jstring> v = env.string(value);
    Local<jobject> self = env.callObject(intent.get(), fw().intentPutText, k.get(), v.get());
  };
  putInt(kAlarmHour, alarm.hour % 24);
  putInt(kAlarmMinutes, alarm.minute);
  putText(kAlarmMessage, alarm.title);
  putBool(kAlarmVibrate, alarm.vibrate == 1);
  putBool(kAlarmSkipUi, true);
  if (!alarm.ringtoneUri.empty()) putText(kAlarmRingtone, alarm.ringtoneUri);
  if ((alarm.days & 0x7F) != 0) {
    Local<jobject> days = env.newArrayList(7);
    for (int bit = 0; bit < 7; ++bit) {
      if ((alarm.days & (1 << bit)) == 0) continue;
      Local<jobject> day = env.boxInt(kCalendarDay[bit]);
      env.listAdd(days.get(), day.get());
    }
    Local<jstring> k = env.string(kAlarmDays);
    Local<jobject> self = env.callObject(intent.get(), fw().intentPutIntList, k.get(), days.get());
  }
  Local<jobject> pm = env.callObject(context_.get(), fw().contextPackageManager);
  if (env.ok() && !pm) env.fail(Fault::Failed, "no package manager");
  Local<jobject> clock = env.callObject(pm.get(), fw().resolveActivity, intent.get(), static_cast<jint>(0));
  if (!env.ok()) return Answer::refused(AgentRefusal::Unknown);
  if (!clock) return Answer::refused(AgentRefusal::AlarmsNotOffered);
  const jint sdk = env.staticIntField(fw().buildVersion, fw().versionSdk);
  if (sdk >= kSdkQ && fw().canDrawOverlays && !env.callStaticBool(fw().settings, fw().canDrawOverlays, context_.get()))
    return env.ok() ? Answer::refused(AgentRefusal::AlarmsNotOffered) : Answer::refused(AgentRefusal::Unknown);
  Local<jobject> flagged = env.callObject(intent.get(), fw().intentAddFlags, static_cast<jint>(kActivityNewTask));
  env.callVoid(context_.get(), fw().contextStartActivity, intent.get());
  if (!env.ok()) return Answer::refused(AgentRefusal::AlarmsNotOffered);  // the clock went away, or refused it
  status = 1;
  return Answer::served();
}

}  // namespace zorvik::phone
