#include "phone/android/jni/Framework.h"

#include "phone/android/jni/AgentIntents.h"

#include <mutex>
#include <string>

namespace zorvik::phone::jni {

namespace {

using F = Framework;

struct ClassEntry {
  jclass F::*slot;
  const char* name;
  bool optional = false;  // absent on older Android: its members are then null, optional or not
};

const ClassEntry kClasses[] = {
    {&F::context, "android/content/Context"},
    {&F::contentResolver, "android/content/ContentResolver"},
    {&F::cursor, "android/database/Cursor"},
    {&F::operation, "android/content/ContentProviderOperation"},
    {&F::operationBuilder, "android/content/ContentProviderOperation$Builder"},
    {&F::operationResult, "android/content/ContentProviderResult"},
    {&F::intent, "android/content/Intent"},
    {&F::intentFilter, "android/content/IntentFilter"},
    {&F::build, "android/os/Build"},
    {&F::buildVersion, "android/os/Build$VERSION"},
    {&F::statFs, "android/os/StatFs"},
    {&F::environment, "android/os/Environment"},
    {&F::file, "java/io/File"},
    {&F::systemClock, "android/os/SystemClock"},
    {&F::activityManager, "android/app/ActivityManager"},
    {&F::memoryInfo, "android/app/ActivityManager$MemoryInfo"},
    {&F::settings, "android/provider/Settings"},
    {&F::settingsSystem, "android/provider/Settings$System"},
    {&F::settingsSecure, "android/provider/Settings$Secure"},
    {&F::settingsGlobal, "android/provider/Settings$Global"},
    {&F::sms, "android/provider/Telephony$Sms"},
    {&F::smsManager, "android/telephony/SmsManager"},
    {&F::contacts, "android/provider/ContactsContract$Contacts"},
    {&F::rawContacts, "android/provider/ContactsContract$RawContacts"},
    {&F::data, "android/provider/ContactsContract$Data"},
    {&F::groups, "android/provider/ContactsContract$Groups"},
    {&F::calls, "android/provider/CallLog$Calls"},
    {&F::resolveInfo, "android/content/pm/ResolveInfo"},
    {&F::activityInfo, "android/content/pm/ActivityInfo"},
    {&F::packageManager, "android/content/pm/PackageManager"},
    {&F::packageInfo, "android/content/pm/PackageInfo"},
    {&F::applicationInfo, "android/content/pm/ApplicationInfo"},
    {&F::drawable, "android/graphics/drawable/Drawable"},
    {&F::bitmapDrawable, "android/graphics/drawable/BitmapDrawable"},
    {&F::bitmap, "android/graphics/Bitmap"},
    {&F::bitmapConfig, "android/graphics/Bitmap$Config"},
    {&F::compressFormat, "android/graphics/Bitmap$CompressFormat"},
    {&F::canvas, "android/graphics/Canvas"},
    {&F::byteStream, "java/io/ByteArrayOutputStream"},
    {&F::audioManager, "android/media/AudioManager"},
    {&F::storageStatsManager, "android/app/usage/StorageStatsManager", true},
    {&F::storageStats, "android/app/usage/StorageStats", true},
};

struct MethodEntry {
  jmethodID F::*slot;
  jclass F::*owner;
  const char* name;
  const char* signature;
  bool isStatic;
  bool optional;
};

const MethodEntry kMethods[] = {
    {&F::contextResolver, &F::context, "getContentResolver", "()Landroid/content/ContentResolver;", false, false},
    {&F::contextPackageName, &F::context, "getPackageName", "()Ljava/lang/String;", false, false},
    {&F::contextSystemService, &F::context, "getSystemService", "(Ljava/lang/String;)Ljava/lang/Object;", false, false},
    {&F::contextRegisterReceiver, &F::context, "registerReceiver",
     "(Landroid/content/BroadcastReceiver;Landroid/content/IntentFilter;)Landroid/content/Intent;", false, false},
    {&F::resolverQuery, &F::contentResolver, "query",
     "(Landroid/net/Uri;[Ljava/lang/String;Ljava/lang/String;[Ljava/lang/String;Ljava/lang/String;)Landroid/database/Cursor;",
     false, false},
    {&F::resolverApplyBatch, &F::contentResolver, "applyBatch",
     "(Ljava/lang/String;Ljava/util/ArrayList;)[Landroid/content/ContentProviderResult;", false, false},
    {&F::resolverDelete, &F::contentResolver, "delete", "(Landroid/net/Uri;Ljava/lang/String;[Ljava/lang/String;)I", false,
     false},
    {&F::cursorMoveToNext, &F::cursor, "moveToNext", "()Z", false, false},
    {&F::cursorColumnIndex, &F::cursor, "getColumnIndex", "(Ljava/lang/String;)I", false, false},
    {&F::cursorLong, &F::cursor, "getLong", "(I)J", false, false},
    {&F::cursorInt, &F::cursor, "getInt", "(I)I", false, false},
    {&F::cursorString, &F::cursor, "getString", "(I)Ljava/lang/String;", false, false},
    {&F::cursorBlob, &F::cursor, "getBlob", "(I)[B", false, false},
    {&F::cursorIsNull, &F::cursor, "isNull", "(I)Z", false, false},
    {&F::cursorClose, &F::cursor, "close", "()V", false, false},
    {&F::operationInsert, &F::operation, "newInsert", "(Landroid/net/Uri;)Landroid/content/ContentProviderOperation$Builder;",
     true, false},
    {&F::operationUpdate, &F::operation, "newUpdate", "(Landroid/net/Uri;)Landroid/content/ContentProviderOperation$Builder;",
     true, false},
    {&F::operationDelete, &F::operation, "newDelete", "(Landroid/net/Uri;)Landroid/content/ContentProviderOperation$Builder;",
     true, false},
    {&F::builderValue, &F::operationBuilder, "withValue",
     "(Ljava/lang/String;Ljava/lang/Object;)Landroid/content/ContentProviderOperation$Builder;", false, false},
    {&F::builderValueBackReference, &F::operationBuilder, "withValueBackReference",
     "(Ljava/lang/String;I)Landroid/content/ContentProviderOperation$Builder;", false, false},
    {&F::builderSelection, &F::operationBuilder, "withSelection",
     "(Ljava/lang/String;[Ljava/lang/String;)Landroid/content/ContentProviderOperation$Builder;", false, false},
    {&F::builderBuild, &F::operationBuilder, "build", "()Landroid/content/ContentProviderOperation;", false, false},
    {&F::intentIntExtra, &F::intent, "getIntExtra", "(Ljava/lang/String;I)I", false, false},
    {&F::intentFilterNew, &F::intentFilter, "<init>", "(Ljava/lang/String;)V", false, false},
    {&F::statFsNew, &F::statFs, "<init>", "(Ljava/lang/String;)V", false, false},
    {&F::statFsTotal, &F::statFs, "getTotalBytes", "()J", false, true},
    {&F::statFsAvailable, &F::statFs, "getAvailableBytes", "()J", false, true},
    {&F::environmentData, &F::environment, "getDataDirectory", "()Ljava/io/File;", true, false},
    {&F::environmentExternal, &F::environment, "getExternalStorageDirectory", "()Ljava/io/File;", true, false},
    {&F::filePath, &F::file, "getPath", "()Ljava/lang/String;", false, false},
    {&F::elapsedRealtime, &F::systemClock, "elapsedRealtime", "()J", true, false},
    {&F::activityMemoryInfo, &F::activityManager, "getMemoryInfo", "(Landroid/app/ActivityManager$MemoryInfo;)V", false,
     false},
    {&F::memoryInfoNew, &F::memoryInfo, "<init>", "()V", false, false},
    {&F::systemInt, &F::settingsSystem, "getInt", "(Landroid/content/ContentResolver;Ljava/lang/String;I)I", true, false},
    {&F::secureInt, &F::settingsSecure, "getInt", "(Landroid/content/ContentResolver;Ljava/lang/String;I)I", true, false},
    {&F::secureString, &F::settingsSecure, "getString",
     "(Landroid/content/ContentResolver;Ljava/lang/String;)Ljava/lang/String;", true, false},
    {&F::globalInt, &F::settingsGlobal, "getInt", "(Landroid/content/ContentResolver;Ljava/lang/String;I)I", true, true},
    {&F::defaultSmsPackage, &F::sms, "getDefaultSmsPackage", "(Landroid/content/Context;)Ljava/lang/String;", true, true},
    {&F::smsManagerDefault, &F::smsManager, "getDefault", "()Landroid/telephony/SmsManager;", true, false},
    {&F::smsDivide, &F::smsManager, "divideMessage", "(Ljava/lang/String;)Ljava/util/ArrayList;", false, false},
    {&F::smsSendMultipart, &F::smsManager, "sendMultipartTextMessage",
     "(Ljava/lang/String;Ljava/lang/String;Ljava/util/ArrayList;Ljava/util/ArrayList;Ljava/util/ArrayList;)V", false,
     false},
    {&F::contextPackageManager, &F::context, "getPackageManager", "()Landroid/content/pm/PackageManager;", false, false},
    {&F::contextStartActivity, &F::context, "startActivity", "(Landroid/content/Intent;)V", false, false},
    {&F::installedPackages, &F::packageManager, "getInstalledPackages", "(I)Ljava/util/List;", false, false},
    {&F::applicationLabel, &F::packageManager, "getApplicationLabel",
     "(Landroid/content/pm/ApplicationInfo;)Ljava/lang/CharSequence;", false, false},
    {&F::applicationIcon, &F::packageManager, "getApplicationIcon",
     "(Landroid/content/pm/ApplicationInfo;)Landroid/graphics/drawable/Drawable;", false, false},
    {&F::launchIntent, &F::packageManager, "getLaunchIntentForPackage", "(Ljava/lang/String;)Landroid/content/Intent;",
     false, false},
    {&F::intentAddFlags, &F::intent, "addFlags", "(I)Landroid/content/Intent;", false, false},
    {&F::queryReceivers, &F::packageManager, "queryBroadcastReceivers", "(Landroid/content/Intent;I)Ljava/util/List;", false,
     false},
    {&F::resolveActivity, &F::packageManager, "resolveActivity",
     "(Landroid/content/Intent;I)Landroid/content/pm/ResolveInfo;", false, false},
    {&F::intentNew, &F::intent, "<init>", "(Ljava/lang/String;)V", false, false},
    {&F::intentPutInt, &F::intent, "putExtra", "(Ljava/lang/String;I)Landroid/content/Intent;", false, false},
    {&F::intentPutBool, &F::intent, "putExtra", "(Ljava/lang/String;Z)Landroid/content/Intent;", false, false},
    {&F::intentPutText, &F::intent, "putExtra", "(Ljava/lang/String;Ljava/lang/String;)Landroid/content/Intent;", false,
     false},
    {&F::intentPutIntList, &F::intent, "putIntegerArrayListExtra",
     "(Ljava/lang/String;Ljava/util/ArrayList;)Landroid/content/Intent;", false, false},
    {&F::drawableBitmap, &F::bitmapDrawable, "getBitmap", "()Landroid/graphics/Bitmap;", false, false},
    {&F::drawableWidth, &F::drawable, "getIntrinsicWidth", "()I", false, false},
    {&F::drawableHeight, &F::drawable, "getIntrinsicHeight", "()I", false, false},
    {&F::drawableSetBounds, &F::drawable, "setBounds", "(IIII)V", false, false},
    {&F::drawableDraw, &F::drawable, "draw", "(Landroid/graphics/Canvas;)V", false, false},
    {&F::bitmapCreate, &F::bitmap, "createBitmap", "(IILandroid/graphics/Bitmap$Config;)Landroid/graphics/Bitmap;", true,
     false},
    {&F::bitmapScaled, &F::bitmap, "createScaledBitmap", "(Landroid/graphics/Bitmap;IIZ)Landroid/graphics/Bitmap;", true,
     false},
    {&F::bitmapWidth, &F::bitmap, "getWidth", "()I", false, false},
    {&F::bitmapHeight, &F::bitmap, "getHeight", "()I", false, false},
    {&F::bitmapCompress, &F::bitmap, "compress",
     "(Landroid/graphics/Bitmap$CompressFormat;ILjava/io/OutputStream;)Z", false, false},
    {&F::bitmapRecycle, &F::bitmap, "recycle", "()V", false, false},
    {&F::canvasNew, &F::canvas, "<init>", "(Landroid/graphics/Bitmap;)V", false, false},
    {&F::byteStreamNew, &F::byteStream, "<init>", "(I)V", false, false},
    {&F::byteStreamBytes, &F::byteStream, "toByteArray", "()[B", false, false},
    {&F::canDrawOverlays, &F::settings, "canDrawOverlays", "(Landroid/content/Context;)Z", true, true},
    {&F::systemString, &F::settingsSystem, "getString",
     "(Landroid/content/ContentResolver;Ljava/lang/String;)Ljava/lang/String;", true, false},
    {&F::systemPutInt, &F::settingsSystem, "putInt", "(Landroid/content/ContentResolver;Ljava/lang/String;I)Z", true,
     false},
    {&F::systemPutString, &F::settingsSystem, "putString",
     "(Landroid/content/ContentResolver;Ljava/lang/String;Ljava/lang/String;)Z", true, false},
    {&F::systemCanWrite, &F::settingsSystem, "canWrite", "(Landroid/content/Context;)Z", true, false},
    {&F::audioVolume, &F::audioManager, "getStreamVolume", "(I)I", false, false},
    {&F::audioMaxVolume, &F::audioManager, "getStreamMaxVolume", "(I)I", false, false},
    {&F::audioSetVolume, &F::audioManager, "setStreamVolume", "(III)V", false, false},
    {&F::statsForUid, &F::storageStatsManager, "queryStatsForUid",
     "(Ljava/util/UUID;I)Landroid/app/usage/StorageStats;", false, true},
    {&F::statsCacheBytes, &F::storageStats, "getCacheBytes", "()J", false, true},
    {&F::contextCacheDir, &F::context, "getCacheDir", "()Ljava/io/File;", false, false},
    {&F::contextExternalCacheDir, &F::context, "getExternalCacheDir", "()Ljava/io/File;", false, false},
};

struct FieldEntry {
  jfieldID F::*slot;
  jclass F::*owner;
  const char* name;
  const char* signature;
  bool isStatic;
  bool optional;
};

const FieldEntry kFields[] = {
    {&F::resultCount, &F::operationResult, "count", "Ljava/lang/Integer;", false, false},
    {&F::resultUri, &F::operationResult, "uri", "Landroid/net/Uri;", false, false},
    {&F::buildModel, &F::build, "MODEL", "Ljava/lang/String;", true, false},
    {&F::buildManufacturer, &F::build, "MANUFACTURER", "Ljava/lang/String;", true, false},
    {&F::buildDisplay, &F::build, "DISPLAY", "Ljava/lang/String;", true, false},
    {&F::buildHardware, &F::build, "HARDWARE", "Ljava/lang/String;", true, false},
    {&F::versionSdk, &F::buildVersion, "SDK_INT", "I", true, false},
    {&F::versionRelease, &F::buildVersion, "RELEASE", "Ljava/lang/String;", true, false},
    {&F::memoryAvailable, &F::memoryInfo, "availMem", "J", false, false},
    {&F::memoryTotal, &F::memoryInfo, "totalMem", "J", false, true},
    {&F::contactsUriField, &F::contacts, "CONTENT_URI", "Landroid/net/Uri;", true, false},
    {&F::rawContactsUriField, &F::rawContacts, "CONTENT_URI", "Landroid/net/Uri;", true, false},
    {&F::dataUriField, &F::data, "CONTENT_URI", "Landroid/net/Uri;", true, false},
    {&F::groupsUriField, &F::groups, "CONTENT_URI", "Landroid/net/Uri;", true, false},
    {&F::smsUriField, &F::sms, "CONTENT_URI", "Landroid/net/Uri;", true, false},
    {&F::callsUriField, &F::calls, "CONTENT_URI", "Landroid/net/Uri;", true, false},
    {&F::packageName, &F::packageInfo, "packageName", "Ljava/lang/String;", false, false},
    {&F::packageVersionName, &F::packageInfo, "versionName", "Ljava/lang/String;", false, false},
    {&F::packageVersionCode, &F::packageInfo, "versionCode", "I", false, false},
    {&F::packageFirstInstall, &F::packageInfo, "firstInstallTime", "J", false, false},
    {&F::packageApplication, &F::packageInfo, "applicationInfo", "Landroid/content/pm/ApplicationInfo;", false, false},
    {&F::applicationFlags, &F::applicationInfo, "flags", "I", false, false},
    {&F::applicationSourceDir, &F::applicationInfo, "sourceDir", "Ljava/lang/String;", false, false},
    {&F::resolveActivityInfo, &F::resolveInfo, "activityInfo", "Landroid/content/pm/ActivityInfo;", false, false},
    {&F::itemName, &F::activityInfo, "name", "Ljava/lang/String;", false, false},
    {&F::itemPackage, &F::activityInfo, "packageName", "Ljava/lang/String;", false, false},
    {&F::componentApplication, &F::activityInfo, "applicationInfo", "Landroid/content/pm/ApplicationInfo;", false, false},
    {&F::configArgb8888, &F::bitmapConfig, "ARGB_8888", "Landroid/graphics/Bitmap$Config;", true, false},
    {&F::compressPng, &F::compressFormat, "PNG", "Landroid/graphics/Bitmap$CompressFormat;", true, false},
    {&F::applicationUid, &F::applicationInfo, "uid", "I", false, false},
    {&F::applicationStorageUuid, &F::applicationInfo, "storageUuid", "Ljava/util/UUID;", false, true},
};

// The Uris read from the fields above.
struct UriEntry {
  jobject F::*slot;
  jfieldID F::*field;
  jclass F::*owner;
};

const UriEntry kUris[] = {
    {&F::contactsUri, &F::contactsUriField, &F::contacts}, {&F::rawContactsUri, &F::rawContactsUriField, &F::rawContacts},
    {&F::dataUri, &F::dataUriField, &F::data},             {&F::groupsUri, &F::groupsUriField, &F::groups},
    {&F::smsUri, &F::smsUriField, &F::sms},                {&F::callsUri, &F::callsUriField, &F::calls},
};

const char* className(jclass F::*owner) {
  for (const ClassEntry& c : kClasses)
    if (c.slot == owner) return c.name;
  return "?";
}

std::mutex gMutex;
Framework gFramework;
bool gLoaded = false;
bool gTried = false;
std::string gMissing;

bool load(JNIEnv* env, Framework& f, std::string& missing) {
  for (const ClassEntry& c : kClasses) {
    jclass local = env->FindClass(c.name);
    if (!local || env->ExceptionCheck()) {
      env->ExceptionClear();
      f.*c.slot = nullptr;
      if (c.optional) continue;
      missing = c.name;
      return false;
    }
    f.*c.slot = static_cast<jclass>(env->NewGlobalRef(local));
    env->DeleteLocalRef(local);
  }
  for (const MethodEntry& m : kMethods) {
    jclass owner = f.*m.owner;
    jmethodID id = !owner ? nullptr
                   : m.isStatic ? env->GetStaticMethodID(owner, m.name, m.signature)
                                : env->GetMethodID(owner, m.name, m.signature);
    if (!id || env->ExceptionCheck()) {
      env->ExceptionClear();
      id = nullptr;
      if (!m.optional) {
        missing = std::string(className(m.owner)) + "." + m.name + m.signature;
        return false;
      }
    }
    f.*m.slot = id;
  }
  for (const FieldEntry& e : kFields) {
    jclass owner = f.*e.owner;
    jfieldID id = e.isStatic ? env->GetStaticFieldID(owner, e.name, e.signature)
                             : env->GetFieldID(owner, e.name, e.signature);
    if (!id || env->ExceptionCheck()) {
      env->ExceptionClear();
      id = nullptr;
      if (!e.optional) {
        missing = std::string(className(e.owner)) + "." + e.name;
        return false;
      }
    }
    f.*e.slot = id;
  }
  for (const UriEntry& u : kUris) {
    jobject local = env->GetStaticObjectField(f.*u.owner, f.*u.field);
    if (!local || env->ExceptionCheck()) {
      env->ExceptionClear();
      missing = std::string(className(u.owner)) + ".CONTENT_URI";
      return false;
    }
    f.*u.slot = env->NewGlobalRef(local);
    env->DeleteLocalRef(local);
  }
  return true;
}

}  // namespace

bool loadFramework(JNIEnv* env, std::string& missing) {
  std::lock_guard<std::mutex> lock(gMutex);
  if (!gTried) {
    gTried = true;
    Framework f{};
    gLoaded = load(env, f, gMissing);
    if (gLoaded) gFramework = f;
  }
  missing = gMissing;
  return gLoaded;
}

const Framework* framework() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gLoaded ? &gFramework : nullptr;
}

std::string frameworkClaims() {
  std::string out;
  auto line = [&](std::initializer_list<std::string> words) {
    bool first = true;
    for (const std::string& w : words) {
      if (!first) out += ' ';
      out += w;
      first = false;
    }
    out += '\n';
  };
  // Owners of the constants are written with dots, as the listing names them.
#define ZORVIK_TEXT_CLAIM(name, owner, field, value) line({"field", owner, field, "\"" value "\""});
#define ZORVIK_INT_CLAIM(name, owner, field, value) line({"field", owner, field, std::to_string(value)});
  ZORVIK_FRAMEWORK_TEXTS(ZORVIK_TEXT_CLAIM)
  ZORVIK_FRAMEWORK_INTS(ZORVIK_INT_CLAIM)
  ZORVIK_ALARM_TEXTS(ZORVIK_TEXT_CLAIM)
#define ZORVIK_ACTION_CLAIM(event, owner, field, value) line({"field", owner, field, "\"" value "\""});
  ZORVIK_STARTUP_ACTIONS(ZORVIK_ACTION_CLAIM)
#undef ZORVIK_ACTION_CLAIM
#undef ZORVIK_TEXT_CLAIM
#undef ZORVIK_INT_CLAIM
  for (const MethodEntry& m : kMethods) {
    if (std::string(m.name) == "<init>")
      line({"ctor", className(m.owner), m.signature});
    else
      line({"method", className(m.owner), m.name, m.signature, m.isStatic ? "static" : "instance"});
  }
  for (const FieldEntry& e : kFields) line({e.isStatic ? "sfield" : "ifield", className(e.owner), e.name, e.signature});
  return out;
}

}  // namespace zorvik::phone::jni
