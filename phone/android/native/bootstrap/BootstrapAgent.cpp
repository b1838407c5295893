// A stand-in native entry for building the package before the Android layer's own entry is in the
// tree: it serves the protocol core on the agent's local socket from the base data source, which
// refuses every area as not served.
#include "devlink/AgentCommand.h"
#include "phone/AgentService.h"

#include <jni.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <string>

namespace {

void serve(int client) {
  static zorvik::phone::PhoneData data;
  std::string request;
  unsigned char buffer[4096];
  for (;;) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(request.data());
    const auto frame = zorvik::phone::frameAgentRequest(bytes, request.size());
    if (frame.status == zorvik::phone::FrameStatus::Malformed) return;
    if (frame.status == zorvik::phone::FrameStatus::Complete) {
      const std::string reply = zorvik::phone::answerAgentRequest(data, bytes, frame.size, zorvik::kPhoneAgentVersion);
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
  const size_t nameLength = std::strlen(zorvik::kAgentSocketName);
  std::memcpy(address.sun_path + 1, zorvik::kAgentSocketName, nameLength);
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + nameLength);
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
