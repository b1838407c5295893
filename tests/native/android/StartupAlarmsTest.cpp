// Start-up items (871701) through the package manager's receivers, alarms added through the clock
// app's intent (870402), and what the phone gives no app (the alarm list, changes, bookmarks) at
// each SDK level: answered as vphone answers the same data, or refused as the page then says.
#include "Harness.h"
#include "Jvm.h"

#include "devlink/AgentCommand.h"
#include "manage/system/StartupItems.h"
#include "phone/ReplyWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace zorvik::test {
namespace {

using C = AgentCommand;
constexpr int32_t code(C c) { return commandCode(c); }

jclass packagesClass() { return javaClass("zorvik/fakes/Packages"); }


template <class... A>
void packagesCall(const char* name, const char* signature, A... args) {
  JNIEnv* env = jvmEnv();
  env->CallStaticVoidMethod(packagesClass(), env->GetStaticMethodID(packagesClass(), name, signature), args...);
  EXPECT_EQ(takeException(env), "");
}

int alarmsSet() {
  JNIEnv* env = jvmEnv();
  const jint n = env->CallStaticIntMethod(packagesClass(), env->GetStaticMethodID(packagesClass(), "alarmSetCount", "()I"));
  EXPECT_EQ(takeException(env), "");
  return n;
}

std::string alarmSet(int i) {
  JNIEnv* env = jvmEnv();
  jobject s = env->CallStaticObjectMethod(packagesClass(),
                                          env->GetStaticMethodID(packagesClass(), "alarmSetAt", "(I)Ljava/lang/String;"), i);
  EXPECT_EQ(takeException(env), "");
  const std::string out = utf8Of(env, static_cast<jstring>(s));
  env->DeleteLocalRef(s);
  return out;
}

void phoneInt(const char* method, int value) {
  JNIEnv* env = jvmEnv();
  jclass phone = javaClass("zorvik/fakes/Phone");
  env->CallStaticVoidMethod(phone, env->GetStaticMethodID(phone, method, "(I)V"), value);
  EXPECT_EQ(takeException(env), "");
}

std::string addAlarm(int32_t hour, int32_t minute, int32_t days, int32_t enabled, int32_t vibrate, const std::string& title,
                     const std::string& ringtone) {
  return framed(code(C::AddAlarm), be32(1) + be32(hour) + be32(minute) + be32(days) + be64(0) + be32(enabled) +
                                       be32(vibrate) + text(title) + text(ringtone));
}

class StartupAndAlarms : public ::testing::Test {
 protected:
  void SetUp() override {
    h.loadFakes();
    clearJvmMessages();
  }
  void TearDown() override {
    phoneInt("setSdk", h.state.system.sdk);
    phoneInt("allowOverlay", 1);
    EXPECT_EQ(jvmMessages().find("WARNING"), std::string::npos) << jvmMessages();
  }
  const sim::Package& userPackage() {
    return *std::find_if(h.state.packages.begin(), h.state.packages.end(), [](auto& p) { return !p.system; });
  }
  Harness h;
};

TEST_F(StartupAndAlarms, StartupItemsAreThePackagesReceiversAsVphoneAnswersThemAndAsThePageReadsThem) {
  const std::string request = bare(code(C::ListStartupItems));
  const std::string reply = h.jniReply(request);
  EXPECT_EQ(reply, h.simReply(request));
  ASSERT_GE(reply.size(), 8u);
  const WireList<StartupEntry> page =
      parseStartupItems(reinterpret_cast<const unsigned char*>(reply.data()) + 4, reply.size() - 4);
  EXPECT_TRUE(page.ended);
  EXPECT_FALSE(page.malformed);
  ASSERT_GT(h.state.startup.size(), 10u);
  EXPECT_EQ(page.records.size(), h.state.startup.size());
  const StartupTree tree = startupTree(page.records);
  EXPECT_GT(tree.size(), 5u);
  for (const auto& [event, entries] : tree) {
    EXPECT_NE(startupEventTableText(event), nullptr) << event;
  }
}

TEST_F(StartupAndAlarms, StartupItemsLeaveOutTheSystemsOwnKeepForeignClassNamesWholeAndAreRefusedWhenThePhoneRefuses) {
  const std::string request = bare(code(C::ListStartupItems));
  const sim::Package& user = userPackage();
  const sim::Package& system =
      *std::find_if(h.state.packages.begin(), h.state.packages.end(), [](auto& p) { return p.system != 0; });
  // A receiver of the system's own, on boot: not listed (vphone's list does not have it either).
  {
    JNIEnv* env = jvmEnv();
    jstring p = javaString(env, system.name), c = javaString(env, system.name + ".BootReceiver"),
            a = javaString(env, "android.intent.action.BOOT_COMPLETED");
    packagesCall("loadReceiver", "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;)V", p, c, a);
    env->DeleteLocalRef(p), env->DeleteLocalRef(c), env->DeleteLocalRef(a);
    EXPECT_EQ(h.jniReply(request), h.simReply(request));
  }
  // A class outside its package's namespace keeps its whole name.
  const auto at = std::find_if(h.state.startup.begin(), h.state.startup.end(), [](auto& e) { return e.event > 1; });
  h.state.startup.insert(at, {1, user.label, user.name + "/org.example.push.Boot (BOOT_COMPLETED)"});
  h.loadFakes();
  EXPECT_EQ(h.jniReply(request), h.simReply(request));
  // The package manager refuses: a refusal, not a list short of events.
  packagesCall("refuseReceivers", "()V");
  EXPECT_EQ(h.jniReply(request), phone::refusedReply(AgentRefusal::Unknown));
  EXPECT_EQ(Harness::openCursors(), 0);
}

TEST_F(StartupAndAlarms, AnAlarmIsAddedThroughTheClockAppAndWhatItCannotDoIsRefused) {
  const std::string tone = "content://settings/system/alarm_alert";
  const std::string asked = u8" message=起床 vibrate=true skipUi=true ringtone=" + tone + " flags=268435456";
  struct Case {
    const char* what;
    std::string request;
    std::function<void()> phone;
    std::string reply;
    std::string set;  // what the clock app was asked, or empty: nothing
  } cases[] = {
      {"Monday and Sunday at 7:30", addAlarm(7, 30, 65, 1, 1, u8"起床", tone), nullptr, phone::statusWord(1),
       "7:30 days=[2, 1]" + asked},
      {"every day", addAlarm(6, 0, 127, 1, 1, u8"起床", tone), nullptr, phone::statusWord(1),
       "6:00 days=[2, 3, 4, 5, 6, 7, 1]" + asked},
      {"midnight sent as 24, once, silent", addAlarm(24, 5, 0, 1, 0, "t", ""), nullptr, phone::statusWord(1),
       "0:05 days=null message=t vibrate=false skipUi=true ringtone=null flags=268435456"},
      {"hour 25", addAlarm(25, 0, 0, 1, 0, "t", tone), nullptr, phone::statusWord(0), ""},
      {"minute 60", addAlarm(7, 60, 0, 1, 0, "t", tone), nullptr, phone::statusWord(0), ""},
      {"an alarm switched off", addAlarm(7, 30, 0, 0, 0, "t", tone), nullptr,
       phone::refusedReply(AgentRefusal::AlarmsNotOffered), ""},
      {"a phone without a clock app", addAlarm(7, 30, 0, 1, 0, "t", tone), [] { packagesCall("removeClock", "()V"); },
       phone::refusedReply(AgentRefusal::AlarmsNotOffered), ""},
      {"Android 10 without the overlay access", addAlarm(7, 30, 0, 1, 0, "t", tone),
       [] { phoneInt("setSdk", 29), phoneInt("allowOverlay", 0); }, phone::refusedReply(AgentRefusal::AlarmsNotOffered),
       ""},
      {"Android 10 with it", addAlarm(7, 30, 65, 1, 1, u8"起床", tone),
       [] { phoneInt("setSdk", 29), phoneInt("allowOverlay", 1); }, phone::statusWord(1), "7:30 days=[2, 1]" + asked},
      {"Android 9 needs none", addAlarm(7, 30, 65, 1, 1, u8"起床", tone),
       [] { phoneInt("setSdk", 28), phoneInt("allowOverlay", 0); }, phone::statusWord(1), "7:30 days=[2, 1]" + asked},
      {"a change", framed(code(C::UpdateAlarm), be32(1) + be32(3) + be32(7) + be32(30) + be32(0) + be64(0) + be32(1) +
                                                    be32(0) + text("t") + text(tone)),
       nullptr, phone::refusedReply(AgentRefusal::AlarmsNotOffered), ""},
      {"the list", bare(code(C::ListAlarms)), nullptr, phone::refusedReply(AgentRefusal::AlarmsNotOffered), ""},
      {"a delete", idList(code(C::DeleteAlarms), {1, 2}), nullptr, phone::refusedReply(AgentRefusal::AlarmsNotOffered), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    h.loadFakes();
    phoneInt("setSdk", h.state.system.sdk);
    phoneInt("allowOverlay", 1);
    if (c.phone) c.phone();
    EXPECT_EQ(h.jniReply(c.request), c.reply);
    ASSERT_EQ(alarmsSet(), c.set.empty() ? 0 : 1);
    if (!c.set.empty()) {
      EXPECT_EQ(alarmSet(0), c.set);
    }
  }
}

// The Browser provider's bookmarks went in Android 6, below the package's minimum; whatever level
// the phone reports, the bookmark commands are refused and the start-up items still served.
TEST_F(StartupAndAlarms, BookmarksAreRefusedAtEverySdkLevelAndStartupItemsServed) {
  const std::string bookmark = be32(0) + text("t") + text("http://u");
  const std::string requests[] = {bare(code(C::ListBookmarks)), framed(code(C::AddBookmark), be32(1) + bookmark),
                                  framed(code(C::UpdateBookmark), be32(1) + be32(2) + bookmark),
                                  idList(code(C::DeleteBookmarks), {1})};
  for (int sdk : {22, 23, 24, 30, 34}) {
    SCOPED_TRACE(sdk);
    phoneInt("setSdk", sdk);
    for (const std::string& r : requests) {
      EXPECT_EQ(h.jniReply(r), phone::refusedReply(AgentRefusal::BookmarksNotOffered));
    }
    EXPECT_EQ(h.jniReply(bare(code(C::ListAlarms))), phone::refusedReply(AgentRefusal::AlarmsNotOffered));
    EXPECT_EQ(h.jniReply(bare(code(C::ListStartupItems))), h.simReply(bare(code(C::ListStartupItems))));
  }
}

}  // namespace
}  // namespace zorvik::test
