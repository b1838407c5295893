#pragma once
// The agent's listener on the phone (POSIX and bionic; not built for Windows): an abstract unix
// socket ("localabstract:" as adb names it), one thread per connection up to a bound, one request
// per connection read within a deadline, the answer from the protocol core, then close. Only peers
// whose uid is the shell's (adbd, 2000) or root's are served; any other app on the phone is closed
// on without a byte.
//
// Calls only what bionic exports (pthreads, poll, sockets); no exceptions, no RTTI.
#include "devlink/AgentCommand.h"
#include "phone/AgentService.h"
#include "phone/AgentVersion.h"

#include <pthread.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace zorvik::phone {

inline constexpr uid_t kShellUid = 2000;
inline constexpr uid_t kRootUid = 0;

// Whether a peer of this uid is served: shell or root, or the one extra uid a host test allows
// (a negative extra allows none).
bool agentPeerAllowed(uid_t uid, long long extraUid = -1);

struct ListenerOptions {
  std::string name = kAgentSocketName;  // the abstract socket's name (without the leading NUL)
  unsigned maxConnections = 16;         // connections served at once; more are closed at once
  unsigned requestDeadlineMs = 10000;   // for the whole request to arrive
  unsigned sendIdleMs = 15000;          // for the peer to take the next piece of the reply
  int32_t agentVersion = kPhoneAgentVersion;
  long long extraUid = -1;              // one more uid to serve (a desktop test harness); -1: none
};

enum class RequestRead { Complete, Closed, TimedOut, Malformed, Failed, Stopped };

// Reads one request from a connected socket within deadlineMs, as far as the framing asks: on
// Complete, request holds exactly the request's bytes. stopFd: a descriptor whose readability
// ends the wait (Stopped), or -1.
RequestRead readAgentRequest(int fd, unsigned deadlineMs, std::string& request, int stopFd = -1);

class AgentListener {
 public:
  // data is not owned and must outlive the listener; it is called from several threads at once.
  explicit AgentListener(PhoneData& data, ListenerOptions options = ListenerOptions());
  ~AgentListener();
  AgentListener(const AgentListener&) = delete;
  AgentListener& operator=(const AgentListener&) = delete;

  // Binds the socket and starts accepting; false (with errno's text in error) when it cannot.
  bool start(std::string* error = nullptr);
  // Stops accepting, ends every connection in progress and waits for their threads.
  void stop();
  bool running() const;

  // For tests and the log: requests answered (counted before the reply is sent), and connections
  // closed unanswered for their peer's uid.
  unsigned long answered() const;
  unsigned long refusedPeers() const;

 private:
  static void* acceptMain(void* self);
  static void* connectionMain(void* arg);
  void acceptLoop();
  void serve(int fd);
  bool track(int fd);   // false when the bound is reached or the listener stops
  void untrack(int fd);

  PhoneData& data_;
  ListenerOptions options_;
  int listenFd_ = -1;
  int wakeRead_ = -1, wakeWrite_ = -1;
  pthread_t acceptThread_{};
  bool started_ = false;

  mutable pthread_mutex_t mutex_ = PTHREAD_MUTEX_INITIALIZER;
  pthread_cond_t idle_ = PTHREAD_COND_INITIALIZER;
  bool stopping_ = false;
  static constexpr unsigned kMaxTracked = 64;
  int active_[kMaxTracked] = {};
  unsigned activeCount_ = 0;
  unsigned long answered_ = 0, refusedPeers_ = 0;
};

}  // namespace zorvik::phone
