// download_floor URL TARGET: the least any client can do for one file: one blocking socket, one
// GET, then receive into a 1 MiB buffer and write what came, nothing checked but the blank line
// after the header. Its time under Wine, beside curl's natively, is the floor the downloader's ratio
// is measured against (tests/bench/download/run.sh). Prints "bytes N".
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "devlink/TcpSocket.h"
#include "download/HttpMessage.h"

int main(int argc, char** argv) {
  using namespace zorvik;
  HttpUrl url;
  if (argc != 3 || !splitHttpUrl(argv[1], url) || url.server != "127.0.0.1") {
    std::fprintf(stderr, "usage: download_floor http://127.0.0.1:PORT/PATH TARGET\n");
    return 2;
  }
  TcpSocket socket = TcpSocket::connectLoopback(url.port, false);
  std::FILE* out = std::fopen(argv[2], "wb");
  if (!socket.valid() || !out) return 1;
  std::setvbuf(out, nullptr, _IONBF, 0);
  const std::string request = "GET " + url.object + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
  if (!socket.sendAll(request.data(), request.size())) return 1;
  std::vector<char> buffer(1 << 20);
  std::string head;
  long long bytes = 0;
  for (;;) {
    const int got = socket.receive(buffer.data(), buffer.size());
    if (got <= 0) break;
    const char* data = buffer.data();
    size_t size = static_cast<size_t>(got);
    if (head.size() < 4 || head.compare(head.size() - 4, 4, "\r\n\r\n") != 0) {
      const size_t before = head.size();
      head.append(data, size);
      const size_t end = head.find("\r\n\r\n");
      if (end == std::string::npos) continue;
      const size_t skip = end + 4 - before;
      head.resize(end + 4);
      data += skip;
      size -= skip;
    }
    if (size > 0 && std::fwrite(data, 1, size, out) != size) return 1;
    bytes += static_cast<long long>(size);
  }
  std::fclose(out);
  std::printf("bytes %lld\n", bytes);
  return 0;
}
