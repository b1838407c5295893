// The package download server and the package-information service of the maker's web site, for
// the downloader's tests and the downloads page:
//
//   GET  /files/<size>/<name>.apk   <size> bytes of downloadPattern, with Range (206, 416). Query:
//        rate=B        about B bytes a second (in 16 KiB steps)
//        close_at=N    the connection is dropped after byte N of this answer
//        stall_at=N    nothing more after byte N of this answer for stall_ms (default 15000)
//        ignore_range=1  the whole file with 200 whatever the Range
//   GET  /redirect/<n>/<rest>       n redirections (relative Locations with ".."), then /<rest>
//   GET  /other-host/<rest>         302 to http://localhost:PORT/<rest> (another host name)
//   GET  /loop                      302 to itself, for ever
//   GET  /no-location               302 without a Location
//   GET  /status/<code>             that status with a short body
//   POST /feedback/android_info.php the field "apk" holds {"CheckSum", "PackageName"}; the answer
//        names the package's title, size, pkg and url (relative to the download server). Two
//        names answer badly on purpose: "com.zorvik.notjson" (not JSON) and "com.zorvik.badpkg"
//        (a "pkg" that is no package name); names with "slow" in them download slowly.
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "sim/web/WebSim.h"

namespace zorvik::websim {
namespace {

constexpr size_t kPackageSize = 262144;

size_t queryNumber(const httplib::Request& request, const char* name, size_t fallback) {
  if (!request.has_param(name)) return fallback;
  return static_cast<size_t>(std::strtoull(request.get_param_value(name).c_str(), nullptr, 10));
}

// The JSON string value of `member` in `text` (no escapes expected in names); empty if absent.
std::string jsonMember(const std::string& text, const std::string& member) {
  const size_t key = text.find("\"" + member + "\"");
  if (key == std::string::npos) return {};
  const size_t open = text.find('"', text.find(':', key) + 1);
  if (open == std::string::npos) return {};
  const size_t close = text.find('"', open + 1);
  return close == std::string::npos ? std::string() : text.substr(open + 1, close - open - 1);
}

void serveFile(const httplib::Request& request, httplib::Response& response) {
  const size_t size = std::strtoull(request.matches[1].str().c_str(), nullptr, 10);
  const size_t rate = queryNumber(request, "rate", 0);
  const size_t closeAt = queryNumber(request, "close_at", SIZE_MAX);
  const size_t stallAt = queryNumber(request, "stall_at", SIZE_MAX);
  const size_t stallMs = queryNumber(request, "stall_ms", 15000);
  if (!request.ranges.empty() && request.ranges[0].first >= 0 && static_cast<size_t>(request.ranges[0].first) >= size &&
      !request.has_param("ignore_range")) {
    response.status = 416;  // nothing left after the asked offset
    response.set_header("Content-Range", "bytes */" + std::to_string(size));
    const_cast<httplib::Request&>(request).ranges.clear();
    return;
  }
  // A server that ignores Range answers as if none was asked (the ranges are applied after the
  // handler, from the request it was given).
  if (request.has_param("ignore_range")) const_cast<httplib::Request&>(request).ranges.clear();
  response.set_content_provider(
      size, "application/vnd.android.package-archive",
      [=, sent = size_t{0}](size_t offset, size_t length, httplib::DataSink& sink) mutable {
        const size_t step = rate ? 16384 : 65536;
        const size_t n = std::min(step, length);
        if (sent >= closeAt) return false;
        if (sent >= stallAt) {
          std::this_thread::sleep_for(std::chrono::milliseconds(stallMs));
          return false;
        }
        const size_t cut = std::min({n, closeAt - sent, stallAt - sent});
        std::string bytes(cut, '\0');
        for (size_t i = 0; i < cut; ++i) bytes[i] = static_cast<char>(downloadPattern(offset + i));
        if (!sink.write(bytes.data(), bytes.size())) return false;
        sent += cut;
        if (rate) std::this_thread::sleep_for(std::chrono::microseconds(cut * 1000000 / rate));
        return true;
      });
}

}  // namespace

unsigned char downloadPattern(size_t offset) {
  if (offset < 2) return static_cast<unsigned char>("PK"[offset]);  // what the virtual phone installs
  return static_cast<unsigned char>((offset * 131u) ^ (offset >> 12) ^ (offset >> 20));
}

void addDownloadRoutes(httplib::Server& server, Context& context) {
  server.Get(R"(/files/(\d+)/[^/]+\.apk)", serveFile);
  server.Get(R"(/redirect/(\d+)/(.*))", [](const httplib::Request& request, httplib::Response& response) {
    const int n = std::atoi(request.matches[1].str().c_str());
    const std::string rest = request.matches[2].str();
    const std::string query = request.params.empty() ? "" : "?" + request.target.substr(request.target.find('?') + 1);
    if (n <= 0) {
      response.status = 302;
      response.set_header("Location", "/" + rest + query);
    } else {
      response.status = 302;
      // Relative to this address's own folder: up to the root, then down again.
      std::string up = "../";
      for (const char c : rest)
        if (c == '/') up += "../";
      response.set_header("Location", up + "../redirect/" + std::to_string(n - 1) + "/" + rest + query);
    }
  });
  server.Get(R"(/other-host/(.*))", [&context](const httplib::Request& request, httplib::Response& response) {
    std::string base = context.baseUrl;
    const size_t ip = base.find("127.0.0.1");
    if (ip != std::string::npos) base.replace(ip, 9, "localhost");
    const size_t q = request.target.find('?');
    response.status = 302;
    response.set_header("Location", base + request.matches[1].str() + (q == std::string::npos ? "" : request.target.substr(q)));
  });
  server.Get("/loop", [](const httplib::Request&, httplib::Response& response) {
    response.status = 302;
    response.set_header("Location", "/loop");
  });
  server.Get("/no-location", [](const httplib::Request&, httplib::Response& response) { response.status = 302; });
  server.Get(R"(/status/(\d+))", [](const httplib::Request& request, httplib::Response& response) {
    response.status = std::atoi(request.matches[1].str().c_str());
    response.set_content("status\n", "text/plain");
  });
  server.Post("/feedback/android_info.php", [](const httplib::Request& request, httplib::Response& response) {
    // The program sends the package's name; anything else (an address, say) is no package.
    const std::string name = jsonMember(request.body, "PackageName");
    if (name.empty() || name.find_first_of("/:?&") != std::string::npos || name == "com.zorvik.notjson") {
      response.set_content("<html>no such package</html>", "text/html");
      return;
    }
    const std::string pkg = name == "com.zorvik.badpkg" ? "..\\\\..\\\\evil & calc" : name;
    // "测试应用 " in UTF-8, then the name.
    const std::string title = "\xE6\xB5\x8B\xE8\xAF\x95\xE5\xBA\x94\xE7\x94\xA8 " + name;
    // Names with "slow" in them download at 64 KiB a second, for pausing in the middle.
    const std::string rate = name.find("slow") != std::string::npos ? "?rate=65536" : "";
    response.set_content("{\n   \"pkg\" : \"" + pkg + "\",\n   \"size\" : \"256.00 KB\",\n   \"title\" : \"" + title +
                             "\",\n   \"url\" : \"files/" + std::to_string(kPackageSize) + "/" + name + ".apk" + rate +
                             "\"\n}\n",
                         "application/json");
  });
}

}  // namespace zorvik::websim
