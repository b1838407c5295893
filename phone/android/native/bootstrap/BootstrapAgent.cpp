// A stand-in native entry over the virtual phone's agent code, for building the package before the
// phone library's own sources exist: it listens on the agent's local socket and answers from an
// empty data set.
#include "sim/AgentService.h"

#include <jni.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace zorvik::sim {
const Package* PhoneState::findPackage(const std::string&) const { return nullptr; }
const Contact* PhoneState::contactByNumber(const std::string&) const { return nullptr; }
}  // namespace zorvik::sim

namespace {

constexpr char kSocketName[] = "zorvik-agent";

void serve(int client) {
  static zorvik::sim::PhoneState phone;
  std::string request;
  unsigned char buffer[4096];
  for (;;) {
    const auto frame = zorvik::sim::frameAgentRequest(reinterpret_cast<const unsigned char*>(request.data()),
                                                      request.size());
    if (frame.status == zorvik::sim::FrameStatus::Malformed) return;
    if (frame.status == zorvik::sim::FrameStatus::Complete) {
      const std::string reply = zorvik::sim::answerAgentRequest(
          phone, reinterpret_cast<const unsigned char*>(request.data()), frame.size, 21);
      send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
      return;
    }
    const ssize_t n = recv(client, buffer, sizeof buffer, 0);
    if (n <= 0) return;
    request.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(n));
  }
}

void* listen(void*) {
  const int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return nullptr;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path + 1, kSocketName, sizeof kSocketName - 1);
  const socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + sizeof kSocketName);
  if (bind(s, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(s, 8) != 0) {
    close(s);
    return nullptr;
  }
  for (;;) {
    const int client = accept4(s, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    serve(client);
    close(client);
  }
}

}  // namespace

extern "C" JNIEXPORT jint JNICALL JNI_OnLoad(JavaVM*, void*) { return JNI_VERSION_1_6; }

extern "C" JNIEXPORT void JNICALL Java_com_zorvik_Zorvik_AgentService_start(JNIEnv*, jclass, jobject) {
  static bool started = false;
  if (started) return;
  started = true;
  pthread_t thread;
  if (pthread_create(&thread, nullptr, listen, nullptr) == 0) pthread_detach(thread);
}
