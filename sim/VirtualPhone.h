#pragma once
// The virtual phone: an ADB server on 127.0.0.1 with one or more attached devices, the port
// forwards that lead to each device's phone-side agent, and a control channel through which tests
// change devices and inject faults while it runs.
//
// Threads: one accept thread per listener (ADB port, control port, each forward) and one thread
// per connection. Everything they share sits behind one mutex; a connection copies the switches it
// needs and builds its reply under the lock, then writes without it.
#include "devlink/AgentCommand.h"
#include "devlink/TcpSocket.h"
#include "phone/AgentVersion.h"
#include "sim/PhoneState.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace zorvik::sim {

inline constexpr const char* kAgentPackage = "com.zorvik.Zorvik";
inline constexpr const char* kAgentActivity = ".Zorvik";

constexpr size_t kShellRecordLines = 1000;

struct Device {
  std::string serial;
  std::string state = "device";  // device, offline, unauthorized
  bool agentRunning = true;
  int32_t agentVersion = phone::kPhoneAgentVersion;           // what 870003 answers
  int32_t installedAgentVersion = phone::kPhoneAgentVersion;  // what a freshly installed agent package answers
  bool grantedAtInstall = false;           // the agent was installed with -g
  std::set<std::string> grants;            // permissions given to the agent with pm grant
  std::map<std::string, std::string> appops;  // app-op -> mode, set for the agent with appops set
  PhoneState phone;
  // path -> content, written through sync; shared, so that a pull reads it outside the lock
  // without a copy of its own.
  std::map<std::string, std::shared_ptr<const std::string>> pushedFiles;
  // Symbolic links made by tests ("file link"): path -> target, absolute or relative to the
  // link's folder. The sync service and the shell's readlink follow them.
  std::map<std::string, std::string> links;
  // The command lines its shell was given, latest last (at most kShellRecordLines): tests ask
  // what reached the phone's shell ("shell ran").
  std::deque<std::string> shellLines;
  int transportId = 1;

  bool agentInstalled() const { return phone.findPackage(kAgentPackage) != nullptr; }
};

// Faults and outcomes that tests choose; they apply to every device.
struct Switches {
  std::string installOutcome = "Success";  // or an INSTALL_... code reported as a failure
  std::string installPackage;              // name installs register; empty: from the file name
  std::string installText;                 // printed by every install instead of installing (empty: off)
  bool forwardRefused = false;
  size_t replyPiece = 0;   // agent replies written in pieces of this many bytes (0: at once)
  int replyDelayMs = 0;    // pause before each piece
  std::set<int32_t> noReplyFor;             // answer kAgentNoReply to these commands
  std::map<int32_t, size_t> truncateFor;    // send only this many reply bytes, then close
  std::set<int32_t> closeMidFor;            // send half the reply, then close
  std::map<int32_t, AgentRefusal> refuseFor;  // answer kAgentRefused with this reason
  std::string outsideAgent;   // relay agent requests to this abstract unix socket instead (empty: own agent)
  std::string shellDelayPrefix;  // shell command lines starting with this wait shellDelayMs first
  int shellDelayMs = 0;
  int framebufferBpp = 32;
  int framebufferWidth = 0, framebufferHeight = 0;  // a plain frame of this shape (0 x 0: the home screen)
  int syncDelayMs = 0;     // pause before each 64 KiB piece a sync transfer sends or takes
};

struct Forward {
  std::string serial;
  int localPort = 0;
  int remotePort = 0;
  std::string remoteAbstract;  // "localabstract:NAME" forwards: the name (remotePort is 0)
  std::shared_ptr<TcpListener> listener;
  std::thread acceptThread;
};

class VirtualPhone {
 public:
  VirtualPhone() = default;
  ~VirtualPhone();
  VirtualPhone(const VirtualPhone&) = delete;
  VirtualPhone& operator=(const VirtualPhone&) = delete;

  // The data every device starts from.
  void setBaseState(PhoneState state) { base_ = std::move(state); }
  void addDevice(const std::string& serial, const std::string& state = "device");

  // Opens the ADB port (0 picks a free one) and, when controlPort >= 0, the control port.
  bool start(uint16_t adbPort, int controlPort, std::string& error);
  uint16_t adbPort() const { return adbListener_.port(); }
  uint16_t controlPort() const { return controlListener_ ? controlListener_->port() : 0; }

  // Runs one control command ("agent version 19", ...); the answer starts with "OK" or "ERR".
  std::string control(const std::string& line);

  // Closes every listener and connection and waits for the threads.
  void stop();
  // Blocks until stop() or a host:kill request.
  void waitUntilStopped();
  bool stopped() const { return stopping_; }

 private:
  friend struct ControlCommands;  // the control channel's table (sim/Control.cpp)
  friend struct HostCommands;     // the host requests' table (sim/HostServices.cpp)
  void acceptAdb();
  void acceptControl();
  void acceptForward(std::shared_ptr<TcpListener> listener, int localPort);
  void serveAdb(TcpSocket socket);
  void serveControl(TcpSocket socket);
  void serveAgent(TcpSocket socket, int localPort);
  void spawn(std::function<void()> work);
  void requestStop();

  // ---- host services (the caller holds no lock)
  std::string hostService(const std::string& request, bool& keepOpen, std::string& transportSerial,
                          TcpSocket& socket);
  std::string forwardService(const std::string& serial, const std::string& address, bool norebind);
  std::string killForward(const std::string& localAddress);
  std::string listForwards();
  std::string deviceList(bool longForm);
  // Picks the device for a request; empty with a FAIL answer in failure otherwise.
  std::shared_ptr<Device> pickDevice(const std::string& serial, std::string& failure);
  std::shared_ptr<Device> findDevice(const std::string& serial);
  // The device whose running agent a forward's local port reaches; empty when nothing answers there.
  std::shared_ptr<Device> agentBehind(int localPort);

  // ---- device services after a transport, one entry each in deviceServices' table
  void deviceServices(TcpSocket& socket, std::string pending, const std::string& serial);
  void shellService(TcpSocket& socket, std::string pending, const std::string& serial, const std::string& command);
  void syncService(TcpSocket& socket, std::string pending, const std::string& serial, const std::string& arg);
  void framebufferService(TcpSocket& socket, std::string pending, const std::string& serial, const std::string& arg);
  void hostServiceOnDevice(TcpSocket& socket, std::string pending, const std::string& serial,
                           const std::string& command);
  void sync(TcpSocket& socket, std::string pending, const std::string& serial);

  std::mutex mutex_;
  PhoneState base_;
  std::vector<std::shared_ptr<Device>> devices_;
  std::map<int, Forward> forwards_;
  Switches switches_;

  TcpListener adbListener_;
  std::unique_ptr<TcpListener> controlListener_;
  std::thread adbThread_, controlThread_;
  int activeWorkers_ = 0;
  std::set<NativeSocket> openSockets_;
  std::atomic<bool> stopping_{false};
  std::mutex stopMutex_;
  std::condition_variable stopCv_;
  bool stopRequested_ = false;
  bool joined_ = false;
};

// Ends a connection so that the peer receives everything sent: stop sending, read what the peer
// still sends (a client that writes a byte nobody reads would otherwise get the data reset away),
// then close.
void closeGracefully(TcpSocket& socket);

// A phone path with the device's links on the way followed (the last component's too when
// followLast), "." and ".." taken out; nothing when links go round more than 40 times.
std::optional<std::string> resolvePhonePath(const Device& d, const std::string& path, bool followLast);

}  // namespace zorvik::sim
