#pragma once
// The parts of the Android framework the agent calls, looked up once when it starts: classes,
// methods, fields and the providers' content Uris, and the framework's constants (column names,
// MIME types, setting names, intent extras) the agent passes back to it. Each table entry names
// its class in Android's API listing; a test checks every entry against that listing.
#include "phone/android/jni/Jni.h"

#include <cstddef>

namespace zorvik::phone::jni {

// Column names, MIME types and other texts: (C++ name, class in the listing, field, value).
#define ZORVIK_FRAMEWORK_TEXTS(X)                                                                                   \
  X(kContactsAuthority, "android.provider.ContactsContract", "AUTHORITY", "com.android.contacts")                   \
  X(kId, "android.provider.BaseColumns", "_ID", "_id")                                                              \
  X(kContactDisplayName, "android.provider.ContactsContract.Contacts", "DISPLAY_NAME", "display_name")              \
  X(kContactStarred, "android.provider.ContactsContract.Contacts", "STARRED", "starred")                            \
  X(kContactLastContacted, "android.provider.ContactsContract.Contacts", "LAST_TIME_CONTACTED", "last_time_contacted") \
  X(kContactTimesContacted, "android.provider.ContactsContract.Contacts", "TIMES_CONTACTED", "times_contacted")     \
  X(kContactNameRawId, "android.provider.ContactsContract.Contacts", "NAME_RAW_CONTACT_ID", "name_raw_contact_id")  \
  X(kRawContactId, "android.provider.ContactsContract.RawContacts", "CONTACT_ID", "contact_id")                      \
  X(kRawStarred, "android.provider.ContactsContract.RawContacts", "STARRED", "starred")                             \
  X(kRawDeleted, "android.provider.ContactsContract.RawContacts", "DELETED", "deleted")                             \
  X(kRawAccountName, "android.provider.ContactsContract.RawContacts", "ACCOUNT_NAME", "account_name")               \
  X(kRawAccountType, "android.provider.ContactsContract.RawContacts", "ACCOUNT_TYPE", "account_type")               \
  X(kDataRawContactId, "android.provider.ContactsContract.Data", "RAW_CONTACT_ID", "raw_contact_id")                \
  X(kDataContactId, "android.provider.ContactsContract.Data", "CONTACT_ID", "contact_id")                           \
  X(kDataDisplayName, "android.provider.ContactsContract.Data", "DISPLAY_NAME", "display_name")                     \
  X(kDataMimetype, "android.provider.ContactsContract.Data", "MIMETYPE", "mimetype")                                \
  X(kData1, "android.provider.ContactsContract.Data", "DATA1", "data1")                                             \
  X(kData2, "android.provider.ContactsContract.Data", "DATA2", "data2")                                             \
  X(kData5, "android.provider.ContactsContract.Data", "DATA5", "data5")                                             \
  X(kData15, "android.provider.ContactsContract.Data", "DATA15", "data15")                                          \
  X(kPhoneType, "android.provider.ContactsContract.CommonDataKinds.Phone", "CONTENT_ITEM_TYPE",                      \
    "vnd.android.cursor.item/phone_v2")                                                                             \
  X(kPhoneNumber, "android.provider.ContactsContract.CommonDataKinds.Phone", "NUMBER", "data1")                     \
  X(kPhoneKind, "android.provider.ContactsContract.CommonDataKinds.Phone", "TYPE", "data2")                         \
  X(kEmailType, "android.provider.ContactsContract.CommonDataKinds.Email", "CONTENT_ITEM_TYPE",                      \
    "vnd.android.cursor.item/email_v2")                                                                             \
  X(kEmailAddress, "android.provider.ContactsContract.CommonDataKinds.Email", "ADDRESS", "data1")                   \
  X(kEmailKind, "android.provider.ContactsContract.CommonDataKinds.Email", "TYPE", "data2")                         \
  X(kImType, "android.provider.ContactsContract.CommonDataKinds.Im", "CONTENT_ITEM_TYPE", "vnd.android.cursor.item/im") \
  X(kImData, "android.provider.ContactsContract.CommonDataKinds.Im", "DATA", "data1")                               \
  X(kImProtocol, "android.provider.ContactsContract.CommonDataKinds.Im", "PROTOCOL", "data5")                       \
  X(kImKind, "android.provider.ContactsContract.CommonDataKinds.Im", "TYPE", "data2")                               \
  X(kWebsiteType, "android.provider.ContactsContract.CommonDataKinds.Website", "CONTENT_ITEM_TYPE",                  \
    "vnd.android.cursor.item/website")                                                                              \
  X(kWebsiteUrl, "android.provider.ContactsContract.CommonDataKinds.Website", "URL", "data1")                       \
  X(kWebsiteKind, "android.provider.ContactsContract.CommonDataKinds.Website", "TYPE", "data2")                     \
  X(kPostalType, "android.provider.ContactsContract.CommonDataKinds.StructuredPostal", "CONTENT_ITEM_TYPE",          \
    "vnd.android.cursor.item/postal-address_v2")                                                                    \
  X(kPostalAddress, "android.provider.ContactsContract.CommonDataKinds.StructuredPostal", "FORMATTED_ADDRESS", "data1") \
  X(kPostalKind, "android.provider.ContactsContract.CommonDataKinds.StructuredPostal", "TYPE", "data2")             \
  X(kOrganizationType, "android.provider.ContactsContract.CommonDataKinds.Organization", "CONTENT_ITEM_TYPE",        \
    "vnd.android.cursor.item/organization")                                                                         \
  X(kOrganizationCompany, "android.provider.ContactsContract.CommonDataKinds.Organization", "COMPANY", "data1")     \
  X(kOrganizationKind, "android.provider.ContactsContract.CommonDataKinds.Organization", "TYPE", "data2")           \
  X(kNameType, "android.provider.ContactsContract.CommonDataKinds.StructuredName", "CONTENT_ITEM_TYPE",              \
    "vnd.android.cursor.item/name")                                                                                 \
  X(kNameDisplay, "android.provider.ContactsContract.CommonDataKinds.StructuredName", "DISPLAY_NAME", "data1")      \
  X(kNicknameType, "android.provider.ContactsContract.CommonDataKinds.Nickname", "CONTENT_ITEM_TYPE",                \
    "vnd.android.cursor.item/nickname")                                                                             \
  X(kNicknameName, "android.provider.ContactsContract.CommonDataKinds.Nickname", "NAME", "data1")                   \
  X(kNoteType, "android.provider.ContactsContract.CommonDataKinds.Note", "CONTENT_ITEM_TYPE", "vnd.android.cursor.item/note") \
  X(kNoteText, "android.provider.ContactsContract.CommonDataKinds.Note", "NOTE", "data1")                           \
  X(kMembershipType, "android.provider.ContactsContract.CommonDataKinds.GroupMembership", "CONTENT_ITEM_TYPE",       \
    "vnd.android.cursor.item/group_membership")                                                                     \
  X(kMembershipGroup, "android.provider.ContactsContract.CommonDataKinds.GroupMembership", "GROUP_ROW_ID", "data1")  \
  X(kPhotoType, "android.provider.ContactsContract.CommonDataKinds.Photo", "CONTENT_ITEM_TYPE",                      \
    "vnd.android.cursor.item/photo")                                                                                \
  X(kPhotoBytes, "android.provider.ContactsContract.CommonDataKinds.Photo", "PHOTO", "data15")                      \
  X(kGroupTitle, "android.provider.ContactsContract.Groups", "TITLE", "title")                                      \
  X(kGroupAccountName, "android.provider.ContactsContract.Groups", "ACCOUNT_NAME", "account_name")                  \
  X(kGroupVisible, "android.provider.ContactsContract.Groups", "GROUP_VISIBLE", "group_visible")                    \
  X(kGroupDeleted, "android.provider.ContactsContract.Groups", "DELETED", "deleted")                                \
  X(kSmsThreadId, "android.provider.Telephony.Sms", "THREAD_ID", "thread_id")                                       \
  X(kSmsAddress, "android.provider.Telephony.Sms", "ADDRESS", "address")                                            \
  X(kSmsDate, "android.provider.Telephony.Sms", "DATE", "date")                                                     \
  X(kSmsType, "android.provider.Telephony.Sms", "TYPE", "type")                                                     \
  X(kSmsBody, "android.provider.Telephony.Sms", "BODY", "body")                                                     \
  X(kCallNumber, "android.provider.CallLog.Calls", "NUMBER", "number")                                              \
  X(kCallDate, "android.provider.CallLog.Calls", "DATE", "date")                                                    \
  X(kCallDuration, "android.provider.CallLog.Calls", "DURATION", "duration")                                        \
  X(kCallType, "android.provider.CallLog.Calls", "TYPE", "type")                                                    \
  X(kCallCachedName, "android.provider.CallLog.Calls", "CACHED_NAME", "name")                                       \
  X(kScreenBrightness, "android.provider.Settings.System", "SCREEN_BRIGHTNESS", "screen_brightness")                \
  X(kAccelerometerRotation, "android.provider.Settings.System", "ACCELEROMETER_ROTATION", "accelerometer_rotation") \
  X(kLocationMode, "android.provider.Settings.Secure", "LOCATION_MODE", "location_mode")                            \
  X(kLocationProviders, "android.provider.Settings.Secure", "LOCATION_PROVIDERS_ALLOWED", "location_providers_allowed") \
  X(kBluetoothOn, "android.provider.Settings.Global", "BLUETOOTH_ON", "bluetooth_on")                               \
  X(kWifiOn, "android.provider.Settings.Global", "WIFI_ON", "wifi_on")                                              \
  X(kAirplaneModeOn, "android.provider.Settings.Global", "AIRPLANE_MODE_ON", "airplane_mode_on")                    \
  X(kBatteryChanged, "android.content.Intent", "ACTION_BATTERY_CHANGED", "android.intent.action.BATTERY_CHANGED")   \
  X(kBatteryLevel, "android.os.BatteryManager", "EXTRA_LEVEL", "level")                                             \
  X(kBatteryScale, "android.os.BatteryManager", "EXTRA_SCALE", "scale")                                             \
  X(kActivityService, "android.content.Context", "ACTIVITY_SERVICE", "activity")                                   \
  X(kAudioService, "android.content.Context", "AUDIO_SERVICE", "audio")                                            \
  X(kStorageStatsService, "android.content.Context", "STORAGE_STATS_SERVICE", "storagestats")                      \
  X(kVibrateWhenRinging, "android.provider.Settings.System", "VIBRATE_WHEN_RINGING", "vibrate_when_ringing")       \
  X(kScreenOffTimeout, "android.provider.Settings.System", "SCREEN_OFF_TIMEOUT", "screen_off_timeout")             \
  X(kTime1224, "android.provider.Settings.System", "TIME_12_24", "time_12_24")                                     \
  X(kDateFormatSetting, "android.provider.Settings.System", "DATE_FORMAT", "date_format")

// Integer constants: (C++ name, class in the listing, field, value).
#define ZORVIK_FRAMEWORK_INTS(X)                                                                  \
  X(kSmsInbox, "android.provider.Telephony.Sms", "MESSAGE_TYPE_INBOX", 1)                         \
  X(kLocationModeOff, "android.provider.Settings.Secure", "LOCATION_MODE_OFF", 0)                 \
  X(kFlagSystem, "android.content.pm.ApplicationInfo", "FLAG_SYSTEM", 1)                           \
  X(kActivityNewTask, "android.content.Intent", "FLAG_ACTIVITY_NEW_TASK", 268435456)                \
  X(kSdkQ, "android.os.Build.VERSION_CODES", "Q", 29)                                             \
  X(kSdkO, "android.os.Build.VERSION_CODES", "O", 26)                                             \
  X(kStreamRing, "android.media.AudioManager", "STREAM_RING", 2)                                  \
  X(kStreamMusic, "android.media.AudioManager", "STREAM_MUSIC", 3)

#define ZORVIK_DECLARE_TEXT(name, owner, field, value) inline constexpr const char name[] = value;
#define ZORVIK_DECLARE_INT(name, owner, field, value) inline constexpr int name = value;
ZORVIK_FRAMEWORK_TEXTS(ZORVIK_DECLARE_TEXT)
ZORVIK_FRAMEWORK_INTS(ZORVIK_DECLARE_INT)
#undef ZORVIK_DECLARE_TEXT
#undef ZORVIK_DECLARE_INT

// What was looked up. Members marked optional in the table may be null (older Android); the
// rest are there once loadFramework succeeded.
struct Framework {
  jclass context, contentResolver, cursor, operation, operationBuilder, operationResult, intent, intentFilter;
  jclass build, buildVersion, statFs, environment, file, systemClock, activityManager, memoryInfo;
  jclass settings, settingsSystem, settingsSecure, settingsGlobal, sms, smsManager;
  jclass contacts, rawContacts, data, groups, calls;
  jclass resolveInfo, activityInfo;
  jclass packageManager, packageInfo, applicationInfo, drawable, bitmapDrawable, bitmap, bitmapConfig, compressFormat,
      canvas, byteStream;
  jclass audioManager, storageStatsManager, storageStats;  // the last two optional (Android 8.0)

  jmethodID contextResolver, contextPackageName, contextSystemService, contextRegisterReceiver;
  jmethodID resolverQuery, resolverApplyBatch, resolverDelete;
  jmethodID cursorMoveToNext, cursorColumnIndex, cursorLong, cursorInt, cursorString, cursorBlob, cursorIsNull,
      cursorClose;
  jmethodID operationInsert, operationUpdate, operationDelete;
  jmethodID builderValue, builderValueBackReference, builderSelection, builderBuild;
  jmethodID intentIntExtra, intentFilterNew;
  jmethodID statFsNew, statFsTotal, statFsAvailable, environmentData, environmentExternal, filePath;
  jmethodID elapsedRealtime, activityMemoryInfo, memoryInfoNew;
  jmethodID systemInt, secureInt, secureString, globalInt;
  jmethodID defaultSmsPackage, smsManagerDefault, smsDivide, smsSendMultipart;
  jmethodID contextPackageManager, contextStartActivity, installedPackages, applicationLabel, applicationIcon,
      launchIntent, intentAddFlags;
  jmethodID drawableBitmap, drawableWidth, drawableHeight, drawableSetBounds, drawableDraw;
  jmethodID bitmapCreate, bitmapScaled, bitmapWidth, bitmapHeight, bitmapCompress, bitmapRecycle, canvasNew;
  jmethodID byteStreamNew, byteStreamBytes, canDrawOverlays;
  jmethodID queryReceivers, resolveActivity, intentNew, intentPutInt, intentPutBool, intentPutText, intentPutIntList;
  jmethodID systemString, systemPutInt, systemPutString, systemCanWrite, audioVolume, audioMaxVolume, audioSetVolume;
  jmethodID statsForUid, statsCacheBytes, contextCacheDir, contextExternalCacheDir;

  jfieldID resultCount, resultUri;
  jfieldID buildModel, buildManufacturer, buildDisplay, buildHardware, versionSdk, versionRelease;
  jfieldID memoryAvailable, memoryTotal;
  jfieldID contactsUriField, rawContactsUriField, dataUriField, groupsUriField, smsUriField, callsUriField;
  jfieldID packageName, packageVersionName, packageVersionCode, packageFirstInstall, packageApplication;
  jfieldID applicationFlags, applicationSourceDir, configArgb8888, compressPng;
  jfieldID resolveActivityInfo, itemName, itemPackage, componentApplication;
  jfieldID applicationUid, applicationStorageUuid;

  // The providers' content Uris (global references).
  jobject contactsUri, rawContactsUri, dataUri, groupsUri, smsUri, callsUri;
};

// Looks everything up (once; later calls answer the first outcome). false, with the first missing
// member named in missing, when a required one is not there.
bool loadFramework(JNIEnv* env, std::string& missing);
// Null before loadFramework succeeded.
const Framework* framework();

// One line per table entry, for the listing check: "class NAME KIND", "field OWNER NAME VALUE",
// "method OWNER NAME DESCRIPTOR static|instance", "ctor OWNER DESCRIPTOR", "sfield"/"ifield OWNER
// NAME DESCRIPTOR". Owners are in JNI form (a/b/C$D).
std::string frameworkClaims();

}  // namespace zorvik::phone::jni
