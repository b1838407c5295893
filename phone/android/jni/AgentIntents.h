#pragma once
// The intents the agent builds for the tools' pages, as constants each naming its class in
// Android's API listing (checked there like the framework table, jni/Framework.h).
//
// The start-up page's events (its table of 145, by index) that Android names by a broadcast
// action: the agent asks the package manager for the receivers of each. The others are not
// broadcast on current Android, or their actions live outside the listing used (Wi-Fi, Bluetooth,
// connectivity, app widgets, device administration, audio): no receiver is reported for them.
// (event, class in the listing, field, action)
#define ZORVIK_STARTUP_ACTIONS(X)                                                                           \
  X(0, "android.content.Intent", "ACTION_LOCKED_BOOT_COMPLETED", "android.intent.action.LOCKED_BOOT_COMPLETED") \
  X(1, "android.content.Intent", "ACTION_BOOT_COMPLETED", "android.intent.action.BOOT_COMPLETED")              \
  X(3, "android.content.Intent", "ACTION_AIRPLANE_MODE_CHANGED", "android.intent.action.AIRPLANE_MODE")        \
  X(4, "android.content.Intent", "ACTION_BATTERY_CHANGED", "android.intent.action.BATTERY_CHANGED")            \
  X(5, "android.content.Intent", "ACTION_BATTERY_LOW", "android.intent.action.BATTERY_LOW")                    \
  X(6, "android.content.Intent", "ACTION_BATTERY_OKAY", "android.intent.action.BATTERY_OKAY")                  \
  X(7, "android.content.Intent", "ACTION_CLOSE_SYSTEM_DIALOGS", "android.intent.action.CLOSE_SYSTEM_DIALOGS")  \
  X(8, "android.content.Intent", "ACTION_CONFIGURATION_CHANGED", "android.intent.action.CONFIGURATION_CHANGED") \
  X(9, "android.content.Intent", "ACTION_LOCALE_CHANGED", "android.intent.action.LOCALE_CHANGED")              \
  X(10, "android.content.Intent", "ACTION_DATE_CHANGED", "android.intent.action.DATE_CHANGED")                 \
  X(11, "android.content.Intent", "ACTION_DEVICE_STORAGE_LOW", "android.intent.action.DEVICE_STORAGE_LOW")     \
  X(12, "android.content.Intent", "ACTION_DEVICE_STORAGE_OK", "android.intent.action.DEVICE_STORAGE_OK")       \
  X(13, "android.content.Intent", "ACTION_GTALK_SERVICE_CONNECTED", "android.intent.action.GTALK_CONNECTED")   \
  X(14, "android.content.Intent", "ACTION_GTALK_SERVICE_DISCONNECTED", "android.intent.action.GTALK_DISCONNECTED") \
  X(15, "android.content.Intent", "ACTION_HEADSET_PLUG", "android.intent.action.HEADSET_PLUG")                 \
  X(16, "android.content.Intent", "ACTION_INPUT_METHOD_CHANGED", "android.intent.action.INPUT_METHOD_CHANGED") \
  X(17, "android.content.Intent", "ACTION_MANAGE_PACKAGE_STORAGE", "android.intent.action.MANAGE_PACKAGE_STORAGE") \
  X(18, "android.content.Intent", "ACTION_CAMERA_BUTTON", "android.intent.action.CAMERA_BUTTON")               \
  X(19, "android.content.Intent", "ACTION_MEDIA_BUTTON", "android.intent.action.MEDIA_BUTTON")                 \
  X(20, "android.content.Intent", "ACTION_MEDIA_BAD_REMOVAL", "android.intent.action.MEDIA_BAD_REMOVAL")       \
  X(21, "android.content.Intent", "ACTION_MEDIA_CHECKING", "android.intent.action.MEDIA_CHECKING")             \
  X(22, "android.content.Intent", "ACTION_MEDIA_EJECT", "android.intent.action.MEDIA_EJECT")                   \
  X(23, "android.content.Intent", "ACTION_MEDIA_MOUNTED", "android.intent.action.MEDIA_MOUNTED")               \
  X(24, "android.content.Intent", "ACTION_MEDIA_NOFS", "android.intent.action.MEDIA_NOFS")                     \
  X(25, "android.content.Intent", "ACTION_MEDIA_REMOVED", "android.intent.action.MEDIA_REMOVED")               \
  X(26, "android.content.Intent", "ACTION_MEDIA_SCANNER_FINISHED", "android.intent.action.MEDIA_SCANNER_FINISHED") \
  X(27, "android.content.Intent", "ACTION_MEDIA_SCANNER_SCAN_FILE", "android.intent.action.MEDIA_SCANNER_SCAN_FILE") \
  X(28, "android.content.Intent", "ACTION_MEDIA_SCANNER_STARTED", "android.intent.action.MEDIA_SCANNER_STARTED") \
  X(29, "android.content.Intent", "ACTION_MEDIA_SHARED", "android.intent.action.MEDIA_SHARED")                 \
  X(30, "android.content.Intent", "ACTION_MEDIA_UNMOUNTABLE", "android.intent.action.MEDIA_UNMOUNTABLE")       \
  X(31, "android.content.Intent", "ACTION_MEDIA_UNMOUNTED", "android.intent.action.MEDIA_UNMOUNTED")           \
  X(32, "android.content.Intent", "ACTION_NEW_OUTGOING_CALL", "android.intent.action.NEW_OUTGOING_CALL")       \
  X(33, "android.content.Intent", "ACTION_PACKAGE_ADDED", "android.intent.action.PACKAGE_ADDED")               \
  X(34, "android.content.Intent", "ACTION_PACKAGE_CHANGED", "android.intent.action.PACKAGE_CHANGED")           \
  X(35, "android.content.Intent", "ACTION_PACKAGE_DATA_CLEARED", "android.intent.action.PACKAGE_DATA_CLEARED") \
  X(36, "android.content.Intent", "ACTION_PACKAGE_INSTALL", "android.intent.action.PACKAGE_INSTALL")           \
  X(37, "android.content.Intent", "ACTION_PACKAGE_REMOVED", "android.intent.action.PACKAGE_REMOVED")           \
  X(38, "android.content.Intent", "ACTION_PACKAGE_REPLACED", "android.intent.action.PACKAGE_REPLACED")         \
  X(39, "android.content.Intent", "ACTION_PACKAGE_RESTARTED", "android.intent.action.PACKAGE_RESTARTED")       \
  X(40, "android.content.Intent", "ACTION_PROVIDER_CHANGED", "android.intent.action.PROVIDER_CHANGED")         \
  X(41, "android.content.Intent", "ACTION_REBOOT", "android.intent.action.REBOOT")                             \
  X(42, "android.content.Intent", "ACTION_SCREEN_OFF", "android.intent.action.SCREEN_OFF")                     \
  X(43, "android.content.Intent", "ACTION_SCREEN_ON", "android.intent.action.SCREEN_ON")                       \
  X(44, "android.content.Intent", "ACTION_TIMEZONE_CHANGED", "android.intent.action.TIMEZONE_CHANGED")         \
  X(45, "android.content.Intent", "ACTION_TIME_TICK", "android.intent.action.TIME_TICK")                       \
  X(46, "android.content.Intent", "ACTION_TIME_CHANGED", "android.intent.action.TIME_SET")                     \
  X(47, "android.content.Intent", "ACTION_UID_REMOVED", "android.intent.action.UID_REMOVED")                   \
  X(48, "android.content.Intent", "ACTION_UMS_CONNECTED", "android.intent.action.UMS_CONNECTED")               \
  X(49, "android.content.Intent", "ACTION_UMS_DISCONNECTED", "android.intent.action.UMS_DISCONNECTED")         \
  X(50, "android.content.Intent", "ACTION_USER_PRESENT", "android.intent.action.USER_PRESENT")                 \
  X(51, "android.content.Intent", "ACTION_WALLPAPER_CHANGED", "android.intent.action.WALLPAPER_CHANGED")       \
  X(52, "android.content.Intent", "ACTION_POWER_CONNECTED", "android.intent.action.ACTION_POWER_CONNECTED")    \
  X(53, "android.content.Intent", "ACTION_POWER_DISCONNECTED", "android.intent.action.ACTION_POWER_DISCONNECTED") \
  X(54, "android.content.Intent", "ACTION_SHUTDOWN", "android.intent.action.ACTION_SHUTDOWN")                  \
  X(55, "android.content.Intent", "ACTION_DOCK_EVENT", "android.intent.action.DOCK_EVENT")                     \
  X(59, "android.content.Intent", "ACTION_EXTERNAL_APPLICATIONS_AVAILABLE",                                   \
    "android.intent.action.EXTERNAL_APPLICATIONS_AVAILABLE")                                                  \
  X(60, "android.content.Intent", "ACTION_EXTERNAL_APPLICATIONS_UNAVAILABLE",                                 \
    "android.intent.action.EXTERNAL_APPLICATIONS_UNAVAILABLE")                                                \
  X(80, "android.provider.Telephony.Sms.Intents", "SMS_RECEIVED_ACTION", "android.provider.Telephony.SMS_RECEIVED") \
  X(81, "android.provider.Telephony.Sms.Intents", "DATA_SMS_RECEIVED_ACTION", "android.intent.action.DATA_SMS_RECEIVED") \
  X(82, "android.provider.Telephony.Sms.Intents", "SMS_REJECTED_ACTION", "android.provider.Telephony.SMS_REJECTED") \
  X(83, "android.provider.Telephony.Sms.Intents", "WAP_PUSH_RECEIVED_ACTION",                                 \
    "android.provider.Telephony.WAP_PUSH_RECEIVED")

// Adding an alarm through the clock app: the intent's action and extras.
// (C++ name, class in the listing, field, value)
#define ZORVIK_ALARM_TEXTS(X)                                                                            \
  X(kSetAlarm, "android.provider.AlarmClock", "ACTION_SET_ALARM", "android.intent.action.SET_ALARM")     \
  X(kAlarmHour, "android.provider.AlarmClock", "EXTRA_HOUR", "android.intent.extra.alarm.HOUR")          \
  X(kAlarmMinutes, "android.provider.AlarmClock", "EXTRA_MINUTES", "android.intent.extra.alarm.MINUTES") \
  X(kAlarmMessage, "android.provider.AlarmClock", "EXTRA_MESSAGE", "android.intent.extra.alarm.MESSAGE") \
  X(kAlarmDays, "android.provider.AlarmClock", "EXTRA_DAYS", "android.intent.extra.alarm.DAYS")          \
  X(kAlarmVibrate, "android.provider.AlarmClock", "EXTRA_VIBRATE", "android.intent.extra.alarm.VIBRATE") \
  X(kAlarmRingtone, "android.provider.AlarmClock", "EXTRA_RINGTONE", "android.intent.extra.alarm.RINGTONE") \
  X(kAlarmSkipUi, "android.provider.AlarmClock", "EXTRA_SKIP_UI", "android.intent.extra.alarm.SKIP_UI")

namespace zorvik::phone::jni {

#define ZORVIK_DECLARE_ALARM_TEXT(name, owner, field, value) inline constexpr const char name[] = value;
ZORVIK_ALARM_TEXTS(ZORVIK_DECLARE_ALARM_TEXT)
#undef ZORVIK_DECLARE_ALARM_TEXT

struct StartupAction {
  int event;
  const char* action;
};

#define ZORVIK_STARTUP_ACTION_ROW(event, owner, field, value) {event, value},
inline constexpr StartupAction kStartupActions[] = {ZORVIK_STARTUP_ACTIONS(ZORVIK_STARTUP_ACTION_ROW)};
#undef ZORVIK_STARTUP_ACTION_ROW

}  // namespace zorvik::phone::jni
