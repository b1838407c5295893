// Installed applications (870802) and starting one (870805) through the package manager: the data
// set answered as vphone answers it and read by the page's own parser; icons that are no bitmap,
// far too large or failing; a list the phone refuses; 300 packages timed; starts that cannot happen.
#include "Harness.h"
#include "Jvm.h"

#include "devlink/AgentCommand.h"
#include "devlink/ByteOrder.h"
#include "manage/apps/AppsWire.h"
#include "phone/ReplyWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

namespace zorvik::test {
namespace {

using C = AgentCommand;

jclass packagesClass() { return javaClass("zorvik/fakes/Packages"); }

// A static method of zorvik.fakes.Packages; its exception fails the test.
template <class R = void, class... A>
R packages(const char* name, const char* signature, A... args) {
  JNIEnv* env = jvmEnv();
  jmethodID m = env->GetStaticMethodID(packagesClass(), name, signature);
  if constexpr (std::is_same_v<R, void>) {
    env->CallStaticVoidMethod(packagesClass(), m, args...);
    const std::string e = takeException(env);
    EXPECT_TRUE(e.empty()) << e;
  } else {
    const R r = static_cast<R>(env->CallStaticIntMethod(packagesClass(), m, args...));
    const std::string e = takeException(env);
    EXPECT_TRUE(e.empty()) << e;
    return r;
  }
}

struct JavaText {
  explicit JavaText(const std::string& s) : ref(javaString(jvmEnv(), s)) {}
  ~JavaText() { jvmEnv()->DeleteLocalRef(ref); }
  jstring ref;
};

std::string listRequest() { return bare(commandCode(C::ListApplications)); }

std::string startRequest(const std::string& name) {
  return be32(commandCode(C::StartApplication)) + be32(1) + be32(static_cast<int32_t>(16 + name.size())) + text(name);
}

WireList<AppRecord> parsed(const std::string& reply) {
  EXPECT_GE(reply.size(), 8u);
  if (reply.size() < 8) return {};
  return parseAppList(reinterpret_cast<const unsigned char*>(reply.data()) + 4, reply.size() - 4);
}

const AppRecord* find(const WireList<AppRecord>& list, const std::string& name) {
  for (const AppRecord& a : list.records)
    if (a.packageName == name) return &a;
  return nullptr;
}

// A PNG's width and height from its header (IHDR right after the signature).
std::pair<int32_t, int32_t> pngSize(const std::vector<unsigned char>& png) {
  static const unsigned char signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (png.size() < 24 || !std::equal(std::begin(signature), std::end(signature), png.begin())) return {-1, -1};
  return {static_cast<int32_t>(getInt32(&png[16])), static_cast<int32_t>(getInt32(&png[20]))};
}

int32_t pixel(const std::vector<unsigned char>& png, int x, int y) {
  JNIEnv* env = jvmEnv();
  jbyteArray a = env->NewByteArray(static_cast<jsize>(png.size()));
  env->SetByteArrayRegion(a, 0, static_cast<jsize>(png.size()), reinterpret_cast<const jbyte*>(png.data()));
  const int32_t v = packages<int32_t>("pixel", "([BII)I", a, x, y);
  env->DeleteLocalRef(a);
  return v;
}

// The data set's first package the page lists.
const sim::Package& firstUserPackage(const Harness& h) {
  return *std::find_if(h.state.packages.begin(), h.state.packages.end(), [](const sim::Package& p) { return !p.system; });
}

class Applications : public ::testing::Test {
 protected:
  void SetUp() override {
    h.loadFakes();
    clearJvmMessages();
  }
  // -Xcheck:jni saw no misuse; the agent left no bitmap of its own unrecycled.
  void TearDown() override {
    EXPECT_EQ(jvmMessages().find("WARNING"), std::string::npos) << jvmMessages();
    JNIEnv* env = jvmEnv();
    jclass timing = javaClass("zorvik/fakes/Timing");
    const jint unrecycled = env->CallStaticIntMethod(timing, env->GetStaticMethodID(timing, "unrecycledBitmaps", "()I"));
    EXPECT_EQ(takeException(env), "");
    EXPECT_EQ(unrecycled, 0);
  }
  Harness h;
};

TEST_F(Applications, AnsweredAsVphoneAnswersAndAsThePageReadsThem) {
  const std::string reply = h.jniReply(listRequest());
  EXPECT_EQ(reply, h.simReply(listRequest()));
  const WireList<AppRecord> list = parsed(reply);
  EXPECT_FALSE(list.malformed);
  const auto user = std::count_if(h.state.packages.begin(), h.state.packages.end(), [](auto& p) { return !p.system; });
  ASSERT_GT(user, 0);
  EXPECT_EQ(list.records.size(), static_cast<size_t>(user));  // the system's own packages stay out
  for (const AppRecord& a : list.records) EXPECT_FALSE(a.icon.empty() || a.iconDropped) << a.packageName;
}

// Each icon as the phone may hold it: what reaches the row fits its buffer, at the size given.
TEST_F(Applications, IconsAreDrawnAndScaledUnderTheRowsCap) {
  struct Case {
    const char* what;
    std::function<void(jstring)> give;
    int32_t width, height;  // 0: no icon
    int32_t colour;         // of the centre pixel, 0: not checked
  };
  const int32_t blue = static_cast<int32_t>(0xFF3366CC);
  const Case cases[] = {
      {"a noisy 2000 x 2000 bitmap (megabytes of PNG)",
       [](jstring n) { EXPECT_GT(packages<int32_t>("setNoiseIcon", "(Ljava/lang/String;II)I", n, 2000, 2000),
                                 static_cast<int32_t>(kAgentMaxIconBytes)); },
       96, 96, 0},
      {"a 4000 x 50 banner", [](jstring n) { packages("setNoiseIcon", "(Ljava/lang/String;II)I", n, 4000, 50); }, 96, 1, 0},
      {"an adaptive icon of 108 x 108, drawn",
       [&](jstring n) { packages("setPaintedIcon", "(Ljava/lang/String;III)V", n, 108, 108, blue); }, 96, 96, blue},
      {"a drawable with no size of its own",
       [&](jstring n) { packages("setPaintedIcon", "(Ljava/lang/String;III)V", n, -1, -1, blue); }, 96, 96, blue},
      {"a 32 x 32 vector icon, kept at its size",
       [&](jstring n) { packages("setPaintedIcon", "(Ljava/lang/String;III)V", n, 32, 32, blue); }, 32, 32, blue},
      {"an icon the phone fails to load", [](jstring n) { packages("failIcon", "(Ljava/lang/String;)V", n); }, 0, 0, 0},
  };
  const std::string name = firstUserPackage(h).name;
  const WireList<AppRecord> expected = parsed(h.simReply(listRequest()));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    h.loadFakes();
    JavaText n(name);
    c.give(n.ref);
    const WireList<AppRecord> list = parsed(h.jniReply(listRequest()));
    ASSERT_EQ(list.records.size(), expected.records.size());  // the rest of the list goes on
    const AppRecord* a = find(list, name);
    ASSERT_NE(a, nullptr);
    EXPECT_FALSE(a->iconDropped);
    EXPECT_LE(a->icon.size(), kAgentMaxIconBytes);
    if (c.width == 0) {
      EXPECT_TRUE(a->icon.empty());
      continue;
    }
    EXPECT_EQ(pngSize(a->icon), std::make_pair(c.width, c.height));
    if (c.colour) {
      EXPECT_EQ(pixel(a->icon, c.width / 2, c.height / 2), c.colour);
    }
    // Another package's icon is untouched.
    EXPECT_EQ(list.records.back().icon, expected.records.back().icon);
  }
}

TEST_F(Applications, AListThePhoneRefusesIsARefusalNotAnEmptyList) {
  packages("refuseList", "()V");
  EXPECT_EQ(h.jniReply(listRequest()), phone::refusedReply(AgentRefusal::Unknown));
}

TEST_F(Applications, StartGoesThroughTheLaunchIntentAndSaysWhenItCannot) {
  const std::string name = firstUserPackage(h).name;
  struct Case {
    const char* what;
    std::string package;
    std::function<void(jstring)> fault;
    int32_t status;
    bool asVphone;  // vphone knows no launcher activities: only these two answer alike
  };
  const Case cases[] = {
      {"a package with a launcher activity", name, nullptr, 1, true},
      {"a package that is not installed", "com.example.gone", nullptr, 0, true},
      {"a package without a launcher activity", name,
       [](jstring n) { packages("setLaunchable", "(Ljava/lang/String;Z)V", n, JNI_FALSE); }, 0, false},
      {"an activity that went away", name, [](jstring n) { packages("loseActivity", "(Ljava/lang/String;)V", n); }, 0,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    h.loadFakes();
    JavaText n(c.package);
    if (c.fault) c.fault(n.ref);
    const std::string reply = h.jniReply(startRequest(c.package));
    EXPECT_EQ(reply, phone::statusWord(c.status));
    if (c.asVphone) {
      EXPECT_EQ(reply, h.simReply(startRequest(c.package)));
    }
    const int32_t started = packages<int32_t>("startedCount", "()I");
    EXPECT_EQ(started, c.status == 1 ? 1 : 0);
    if (started == 1) {
      JNIEnv* env = jvmEnv();
      jmethodID at = env->GetStaticMethodID(packagesClass(), "startedAt", "(I)Ljava/lang/String;");
      jobject s = env->CallStaticObjectMethod(packagesClass(), at, 0);
      ASSERT_EQ(takeException(env), "");
      // In a task of its own: the agent starts it from a service.
      EXPECT_EQ(utf8Of(env, static_cast<jstring>(s)), c.package + " " + std::to_string(268435456));
      env->DeleteLocalRef(s);
    }
  }
}

// From Android 10 a start without the overlay access would be dropped by the phone unseen.
TEST_F(Applications, FromAndroid10AStartNeedsTheOverlayAccess) {
  const std::string name = firstUserPackage(h).name;
  JNIEnv* env = jvmEnv();
  jclass phone = javaClass("zorvik/fakes/Phone");
  auto call = [&](const char* method, int value) {
    env->CallStaticVoidMethod(phone, env->GetStaticMethodID(phone, method, "(I)V"), value);
    EXPECT_EQ(takeException(env), "");
  };
  struct Case {
    int sdk, overlay, status;
  } cases[] = {{28, 0, 1}, {29, 0, 0}, {29, 1, 1}, {34, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sdk);
    h.loadFakes();
    call("setSdk", c.sdk);
    call("allowOverlay", c.overlay);
    EXPECT_EQ(h.jniReply(startRequest(name)), phone::statusWord(c.status));
    EXPECT_EQ(packages<int32_t>("startedCount", "()I"), c.status);
  }
  call("setSdk", h.state.system.sdk);
}

TEST_F(Applications, ThreeHundredPackagesWithinBudget) {
  packages("loadBench", "(II)V", 300, 144);  // 144 x 144: a launcher icon of a high-density phone
  double best = 1e9, provider = 0, graphics = 0;
  for (int round = 0; round < 5; ++round) {
    Harness::resetProviderNanos();
    const auto start = std::chrono::steady_clock::now();
    const std::string reply = h.jniReply(listRequest());
    const double total = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const WireList<AppRecord> list = parsed(reply);
    ASSERT_EQ(list.records.size(), 300u);
    for (const AppRecord& a : list.records) ASSERT_EQ(pngSize(a.icon), std::make_pair(96, 96));
    const double fakes = Harness::providerNanos() / 1e6, drawn = Harness::graphicsNanos() / 1e6;
    if (total - fakes - drawn < best) {
      best = total - fakes - drawn;
      provider = fakes;
      graphics = drawn;
    }
  }
  std::printf("870802 for 300 packages: %.1f ms of our own work, %.1f ms in the fake package manager, "
              "%.1f ms scaling and encoding the icons (fake Bitmap, ImageIO)\n",
              best, provider, graphics);
#if !defined(__SANITIZE_ADDRESS__)
  EXPECT_LT(best, 1000.0);  // the budget holds for the optimised build; the sanitizers' is several times slower
#endif
}

}  // namespace
}  // namespace zorvik::test
