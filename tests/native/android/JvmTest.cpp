// The harness itself: the JVM comes up with the fakes on its class path.
#include "Jvm.h"

#include <gtest/gtest.h>

namespace zorvik::test {
namespace {

TEST(Jvm, RunsTheFakes) {
  JNIEnv* env = jvmEnv();
  jclass phone = javaClass("zorvik/fakes/Phone");
  ASSERT_NE(phone, nullptr);
  env->CallStaticVoidMethod(phone, env->GetStaticMethodID(phone, "reset", "()V"));
  EXPECT_EQ(takeException(env), "");
  EXPECT_EQ(javaClass("android/provider/NoSuchClass"), nullptr);
}

}  // namespace
}  // namespace zorvik::test
