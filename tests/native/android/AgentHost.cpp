// The package's native entry on the harness JVM, serving until SIGTERM, SIGINT or SIGHUP: the fake
// providers hold vphone's data set, the listener serves the abstract socket NAME to this user.
//   jvm_agent_host NAME
// Prints "jvm_agent_host: serving NAME" once the socket is bound. ZORVIK_JVM_AGENT_SDK, when set,
// is the Android level the fakes report.
#include "Harness.h"
#include "Jvm.h"
#include "phone/android/AgentEntry.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 2 || !*argv[1]) {
    std::fprintf(stderr, "usage: jvm_agent_host NAME\n");
    return 2;
  }
  // Blocked before the JVM starts, so every thread inherits it and only sigwait takes them.
  sigset_t stop;
  sigemptyset(&stop);
  for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&stop, s);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);

  zorvik::test::Harness harness;
  harness.loadFakes();
  // Another Android level than the data set's, for the pages whose answers depend on it.
  if (const char* sdk = std::getenv("ZORVIK_JVM_AGENT_SDK")) {
    JNIEnv* env = zorvik::test::jvmEnv();
    jclass phone = zorvik::test::javaClass("zorvik/fakes/Phone");
    env->CallStaticVoidMethod(phone, env->GetStaticMethodID(phone, "setSdk", "(I)V"), std::atoi(sdk));
    if (!zorvik::test::takeException(env).empty()) return 1;
  }
  if (::testing::UnitTest::GetInstance()->ad_hoc_test_result().Failed()) {
    std::fprintf(stderr, "jvm_agent_host: the fakes did not take vphone's data set\n");
    return 1;
  }
  zorvik::phone::ListenerOptions options;
  options.name = argv[1];
  options.extraUid = ::getuid();
  std::string error;
  if (!zorvik::phone::startPhoneAgent(zorvik::test::jvmEnv(), zorvik::test::agentContext(), options, &error)) {
    std::fprintf(stderr, "jvm_agent_host: %s\n", error.c_str());
    return 1;
  }
  std::printf("jvm_agent_host: serving %s\n", argv[1]);
  std::fflush(stdout);
  int signal = 0;
  sigwait(&stop, &signal);
  // The listener's threads are attached to the JVM, which is never destroyed: leave at once.
  std::_Exit(0);
}
