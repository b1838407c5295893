// The phone settings (871501/871502) and the cleaner (871601/871602) through Settings, AudioManager
// and StorageStatsManager: read and changed as vphone reads and changes the same data where the
// phone allows it, and each refusal where it does not (no app may switch the radios; the two
// accesses the PC grants missing; another app's cache; an Android without cache sizes).
#include "Harness.h"
#include "Jvm.h"

#include "devlink/AgentCommand.h"
#include "phone/ReplyWriter.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

namespace zorvik::test {
namespace {

using C = AgentCommand;

// A static void method of zorvik.fakes.Tools or Phone taking an int or a String.
void tools(const char* method, int value, const char* owner = "zorvik/fakes/Tools") {
  JNIEnv* env = jvmEnv();
  jclass c = javaClass(owner);
  env->CallStaticVoidMethod(c, env->GetStaticMethodID(c, method, "(I)V"), value);
  EXPECT_EQ(takeException(env), "") << method;
}
void tools(const char* method, const std::string& value) {
  JNIEnv* env = jvmEnv();
  jclass c = javaClass("zorvik/fakes/Tools");
  jstring s = javaString(env, value);
  env->CallStaticVoidMethod(c, env->GetStaticMethodID(c, method, "(Ljava/lang/String;)V"), s);
  env->DeleteLocalRef(s);
  EXPECT_EQ(takeException(env), "") << method;
}

std::string readSettings() { return bare(commandCode(C::ReadSettings)); }
std::string change(int32_t number, int32_t value) {
  return framed(commandCode(C::ChangeSetting), be32(1) + be32(number) + be32(value));
}
std::string scan() { return bare(commandCode(C::ScanCache)); }
// As the cleaner page sends it: the three history flags, then the packages.
std::string clean(const std::string& flags, const std::vector<std::string>& packages) {
  std::string fields = be32(static_cast<int32_t>(packages.size())) + flags;
  for (const std::string& p : packages) fields += text(p);
  return framed(commandCode(C::CleanCache), fields);
}
std::string refused(AgentRefusal why) { return phone::refusedReply(why); }

class Tools : public ::testing::Test {
 protected:
  // As on a phone the package installs on (the data set's is older).
  void SetUp() override {
    h.loadFakes();
    tools("setSdk", 34, "zorvik/fakes/Phone");
    clearJvmMessages();
  }
  void TearDown() override {
    tools("setSdk", h.state.system.sdk, "zorvik/fakes/Phone");
    EXPECT_EQ(jvmMessages().find("WARNING"), std::string::npos) << jvmMessages();
  }
  Harness h;
};

TEST_F(Tools, SettingsAreReadAsVphoneReadsThem) {
  const int32_t shapes[][phone::kSettingCount] = {
      {1, 0, 0, 1, 1, 1, 30000, 5, 9, 1, 0},       // the data set's
      {0, 1, 1, 0, 0, 0, 45000, 0, 15, 0, 2},      // all the other way, a timeout the page has no choice for
      {1, 1, 0, 0, 1, 0, 1800000, 7, 0, 1, 1},
  };
  for (const auto& shape : shapes) {
    std::copy(std::begin(shape), std::end(shape), std::begin(h.state.settings));
    h.loadFakes();
    EXPECT_EQ(h.jniReply(readSettings()), h.simReply(readSettings())) << shape[6];
  }
}

// A phone whose volume scales are not the page's: the page's positions stand for the same share.
TEST_F(Tools, VolumesAreShownAndSetOnThePagesScale) {
  JNIEnv* env = jvmEnv();
  jclass c = javaClass("zorvik/fakes/Tools");
  jmethodID load = env->GetStaticMethodID(c, "loadVolume", "(III)V");
  env->CallStaticVoidMethod(c, load, 2, 10, 15);  // ringer 10 of 15
  ASSERT_EQ(takeException(env), "");
  env->CallStaticVoidMethod(c, load, 3, 20, 25);  // music 20 of 25
  ASSERT_EQ(takeException(env), "");
  h.state.settings[phone::kRinger] = 5;   // 10/15 of 7, rounded
  h.state.settings[phone::kMusic] = 12;   // 20/25 of 15
  EXPECT_EQ(h.jniReply(readSettings()), h.simReply(readSettings()));
  EXPECT_EQ(h.jniReply(change(phone::kRinger, 7)), phone::statusWord(1));
  EXPECT_EQ(env->CallStaticIntMethod(c, env->GetStaticMethodID(c, "volume", "(I)I"), 2), 15);
  ASSERT_EQ(takeException(env), "");
}

TEST_F(Tools, ChangesThePhoneAllowsLeaveWhatVphoneLeaves) {
  struct Case {
    phone::SettingNumber number;
    int32_t value;
  } cases[] = {{phone::kRotation, 0}, {phone::kVibrate, 0},    {phone::kTimeout, 600000}, {phone::kRinger, 2},
               {phone::kMusic, 15},   {phone::kTime24, 0},     {phone::kDateFormat, 2},   {phone::kDateFormat, 1},
               {phone::kWifi, 1},     {phone::kBluetooth, 0}};  // the last two: what the phone has already
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.number << " = " << c.value);
    EXPECT_EQ(h.jniReply(change(c.number, c.value)), phone::statusWord(1));
    EXPECT_EQ(h.simReply(change(c.number, c.value)), phone::statusWord(1));
    EXPECT_EQ(h.jniReply(readSettings()), h.simReply(readSettings()));
  }
}

// Each refusal, and the phone's real value is what a read then shows.
TEST_F(Tools, ChangesThePhoneRefusesAreRefusalsAndChangeNothing) {
  struct Case {
    const char* what;
    std::function<void()> fault;
    phone::SettingNumber number;
    int32_t value;
    std::string reply;
  } cases[] = {
      {"Wi-Fi off", nullptr, phone::kWifi, 0, refused(AgentRefusal::SettingNotChangeable)},
      {"Wi-Fi off on Android 7 (no WifiManager in the listing the agent keeps to)",
       [] { tools("setSdk", 24, "zorvik/fakes/Phone"); }, phone::kWifi, 0, refused(AgentRefusal::SettingNotChangeable)},
      {"Bluetooth on", nullptr, phone::kBluetooth, 1, refused(AgentRefusal::SettingNotChangeable)},
      {"airplane mode on", nullptr, phone::kAirplane, 1, refused(AgentRefusal::SettingNotChangeable)},
      {"GPS off", nullptr, phone::kGps, 0, refused(AgentRefusal::SettingNotChangeable)},
      {"rotation without the access", [] { tools("allowWriteSettings", 0); }, phone::kRotation, 0,
       refused(AgentRefusal::SystemSettingsAccess)},
      {"timeout without the access", [] { tools("allowWriteSettings", 0); }, phone::kTimeout, 60000,
       refused(AgentRefusal::SystemSettingsAccess)},
      {"a key the phone keeps to itself", [] { tools("keepPrivate", "vibrate_when_ringing"); }, phone::kVibrate, 0,
       refused(AgentRefusal::SettingNotChangeable)},
      {"volume under Do Not Disturb", [] { tools("refuseVolume", 1); }, phone::kMusic, 3,
       refused(AgentRefusal::SettingNotChangeable)},
      {"a phone of fixed volume", [] { tools("fixVolume", 1); }, phone::kRinger, 1,
       refused(AgentRefusal::SettingNotChangeable)},
      {"a switch of value 2", nullptr, phone::kRotation, 2, phone::statusWord(0)},
      {"a ringer of 8", nullptr, phone::kRinger, 8, phone::statusWord(0)},
      {"a music volume of -1", nullptr, phone::kMusic, -1, phone::statusWord(0)},
      {"a timeout of 0", nullptr, phone::kTimeout, 0, phone::statusWord(0)},
      {"a date format of 3", nullptr, phone::kDateFormat, 3, phone::statusWord(0)},
  };
  const std::string before = h.simReply(readSettings());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    h.loadFakes();
    if (c.fault) c.fault();
    EXPECT_EQ(h.jniReply(change(c.number, c.value)), c.reply);
    EXPECT_EQ(h.jniReply(readSettings()), before);
  }
}

TEST_F(Tools, CacheSizesAreScannedAsVphoneScansThem) {
  ASSERT_FALSE(h.state.cache.empty());
  EXPECT_EQ(h.jniReply(scan()), h.simReply(scan()));
  // A package whose figures fail (removed meanwhile) is left out; the others are there.
  const std::string gone = h.state.cache.front().package;
  tools("failStats", gone);
  h.state.cache.erase(h.state.cache.begin());
  EXPECT_EQ(h.jniReply(scan()), h.simReply(scan()));
}

TEST_F(Tools, CacheSizesNeedTheUsageAccessAndAndroid8) {
  tools("allowUsage", 0);
  EXPECT_EQ(h.jniReply(scan()), refused(AgentRefusal::UsageAccess));
  tools("allowUsage", 1);
  const struct {
    int sdk;
    bool served;
  } levels[] = {{24, false}, {25, false}, {26, true}, {34, true}};
  for (const auto& l : levels) {
    SCOPED_TRACE(l.sdk);
    tools("setSdk", l.sdk, "zorvik/fakes/Phone");
    const std::string reply = h.jniReply(scan());
    if (l.served) {
      EXPECT_EQ(reply, h.simReply(scan()));
    } else {
      EXPECT_EQ(reply, refused(AgentRefusal::CacheSizesNotOffered));
    }
  }
}

// 300 packages with caches and 144 x 144 icons: the scan's own work within the applications list's
// budget (the icons are the same work as there, timed apart).
TEST_F(Tools, ThreeHundredCachesWithinBudget) {
  JNIEnv* env = jvmEnv();
  jclass packages = javaClass("zorvik/fakes/Packages");
  env->CallStaticVoidMethod(packages, env->GetStaticMethodID(packages, "loadBench", "(II)V"), 300, 144);
  ASSERT_EQ(takeException(env), "");
  for (int i = 0; i < 300; ++i) tools("loadCache", "com.example.app" + std::to_string(i));
  double best = 1e9;
  for (int round = 0; round < 3; ++round) {
    Harness::resetProviderNanos();
    const auto start = std::chrono::steady_clock::now();
    const std::string reply = h.jniReply(scan());
    const double total = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    ASSERT_GT(reply.size(), 300u * 96);
    best = std::min(best, total - Harness::providerNanos() / 1e6 - Harness::graphicsNanos() / 1e6);
  }
  std::printf("871601 for 300 packages: %.1f ms of our own work\n", best);
#if !defined(__SANITIZE_ADDRESS__)
  EXPECT_LT(best, 1000.0);
#endif
}

// The agent's cache folder with a file, a folder of files and a link to a file outside it.
struct OwnCache {
  std::string root = Harness::agentCacheFolder(), outside = root + ".keep";
  OwnCache() {
    std::FILE* f = std::fopen(outside.c_str(), "w");
    if (f) std::fclose(f);
    f = std::fopen((root + "/a.tmp").c_str(), "w");
    if (f) std::fclose(f);
    ::mkdir((root + "/thumbs").c_str(), 0700);
    f = std::fopen((root + "/thumbs/1.png").c_str(), "w");
    if (f) std::fclose(f);
    EXPECT_EQ(::symlink(outside.c_str(), (root + "/link").c_str()), 0);
  }
  ~OwnCache() {
    ::unlink((root + "/a.tmp").c_str());
    ::unlink((root + "/thumbs/1.png").c_str());
    ::rmdir((root + "/thumbs").c_str());
    ::unlink((root + "/link").c_str());
    ::unlink(outside.c_str());
  }
  bool empty() const {
    struct stat st {};
    return ::lstat((root + "/a.tmp").c_str(), &st) != 0 && ::lstat((root + "/thumbs").c_str(), &st) != 0 &&
           ::lstat((root + "/link").c_str(), &st) != 0;
  }
  bool outsideKept() const { return ::access(outside.c_str(), F_OK) == 0; }
};

TEST_F(Tools, CleaningClearsTheOwnCacheAndRefusesTheRest) {
  const std::string self = "com.zorvik.Zorvik";
  const std::string other = h.state.cache.front().package;
  const std::string none(3, '\0'), browser("\1\0\0", 3);
  const struct {
    const char* what;
    std::string request;
    std::string reply;
    bool ownCleared;
  } cases[] = {
      {"nothing checked", clean(none, {}), phone::statusWord(1), false},
      {"the agent's own cache", clean(none, {self}), phone::statusWord(1), true},
      {"the own cache and the browser's searches", clean(browser, {self}), refused(AgentRefusal::CleanNotOffered), true},
      {"another app's cache", clean(none, {other}), refused(AgentRefusal::CleanNotOffered), false},
      {"the market's searches", clean(std::string("\0\0\1", 3), {}), refused(AgentRefusal::CleanNotOffered), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    OwnCache cache;
    const std::string before = h.jniReply(scan());
    EXPECT_EQ(h.jniReply(c.request), c.reply);
    EXPECT_EQ(cache.empty(), c.ownCleared);
    EXPECT_TRUE(cache.outsideKept());
    EXPECT_EQ(h.jniReply(scan()), before);  // other apps' figures untouched
  }
  EXPECT_EQ(h.simReply(clean(none, {})), phone::statusWord(1));
  EXPECT_EQ(h.simReply(clean(none, {self})), phone::statusWord(1));
}

}  // namespace
}  // namespace zorvik::test
