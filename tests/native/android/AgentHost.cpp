// The package's native entry on the harness JVM, serving until SIGTERM, SIGINT or SIGHUP: the fake
// providers hold vphone's data set, the listener serves the abstract socket NAME to this user.
//   jvm_agent_host NAME
// Prints "jvm_agent_host: serving NAME" once the socket is bound, then "jvm_agent_host: started
// PACKAGE FLAGS" for each launch intent the fakes are given. ZORVIK_JVM_AGENT_SDK, when set, is the
// Android level the fakes report. The host runs without root's capabilities (an app has none), so
// a folder's mode refuses it as it refuses an app.
#include "Harness.h"
#include "Jvm.h"
#include "phone/android/AgentEntry.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <linux/capability.h>
#include <pthread.h>
#include <sys/syscall.h>
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
  // Per thread, so before the JVM's threads exist; they inherit the empty sets.
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct caps[2] = {};
  if (::syscall(SYS_capset, &header, caps) != 0) {
    std::perror("jvm_agent_host: capset");
    return 1;
  }

  zorvik::test::Harness harness;
  harness.loadFakes();
  // Another Android level than the data set's, for the pages whose answers depend on it.
  if (const char* sdk = std::getenv("ZORVIK_JVM_AGENT_SDK")) {
    JNIEnv* env = zorvik::test::jvmEnv();
    jclass phone = zorvik::test::javaClass("zorvik/fakes/Phone");
    env->CallStaticVoidMethod(phone, env->GetStaticMethodID(phone, "setSdk", "(I)V"), std::atoi(sdk));
    if (!zorvik::test::takeException(env).empty()) return 1;
  }
  {
    JNIEnv* env = zorvik::test::jvmEnv();
    jclass packages = zorvik::test::javaClass("zorvik/fakes/Packages");
    env->CallStaticVoidMethod(packages, env->GetStaticMethodID(packages, "echoStarts", "(Z)V"), JNI_TRUE);
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
