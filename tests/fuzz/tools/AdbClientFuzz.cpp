// What an ADB server sends back, as the suite's adb tool reads it: host answers, FAIL messages,
// shell output and the sync protocol's replies. A loopback peer plays the server with the fuzz
// input; the first byte picks the client operation.
#include "devlink/TcpSocket.h"
#include "tools/adb/AdbClient.h"

#include <cstdint>
#include <string>
#include <thread>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zorvik;
  static TcpListener listener = [] {
    TcpListener l;
    l.listen(0);
    return l;
  }();
  if (size == 0 || !listener.valid()) return 0;
  const std::string reply(reinterpret_cast<const char*>(data + 1), size - 1);
  std::thread server([&] {
    TcpSocket peer = listener.accept();
    if (!peer.valid()) return;
    peer.sendAll(reply.data(), reply.size());
    peer.shutdownSend();
    char sink[4096];
    while (peer.receive(sink, sizeof sink) > 0) {
    }
  });
  adb::AdbClient client(listener.port(), "SERIAL");
  adb::AdbError error;
  std::string out;
  switch (data[0] % 4) {
    case 0:
      client.hostQuery("host:devices", out, error);
      break;
    case 1:
      client.shell("getprop", [&](const char* d, size_t n) { out.append(d, n); }, error);
      if (out.size() > reply.size()) __builtin_trap();  // only what the peer sent
      break;
    case 2:
      client.push(std::string(70000, 'x'), "/data/local/tmp/x", error);
      break;
    default: {
      bool directory = false;
      client.isDirectory("/sdcard", directory, error);
      break;
    }
  }
  server.join();
  return 0;
}
