#pragma once
// websim: the stand-in for every web service outside the suite (the maker's web site with its
// feedback/*.php endpoints and update.xml, the store pages, the package download server, the
// weather data service), on one loopback port. Each service adds its routes in its own file and
// is listed in main.cpp.
#include <httplib.h>

#include <mutex>
#include <string>

namespace zorvik::websim {

// What the services received, one line per request ("POST /feedback/feedback.php <body>") in a
// file the tests read; nothing is recorded without --record.
class Recorder {
public:
  explicit Recorder(std::string path) : path_(std::move(path)) {}
  void record(const httplib::Request& request);

private:
  std::string path_;
  std::mutex lock_;
};

struct Context {
  std::string baseUrl;  // "http://127.0.0.1:PORT/" once listening
  std::string dataDir;  // --data: files the services serve (packages, pages); may be empty
  Recorder* recorder = nullptr;
};

using AddRoutes = void (*)(httplib::Server&, Context&);

// GET /ping → "ok": scripts wait for it before starting the program.
void addHealthRoutes(httplib::Server& server, Context& context);
// feedback/apk_list.php and the store pages (StoreRoutes.cpp).
void addStoreRoutes(httplib::Server& server, Context& context);
// The package download server and feedback/android_info.php (DownloadRoutes.cpp).
void addDownloadRoutes(httplib::Server& server, Context& context);
// Byte `offset` of every file the download server serves.
unsigned char downloadPattern(size_t offset);
void addWeatherRoutes(httplib::Server& server, Context& context);
void addUpdateRoutes(httplib::Server& server, Context& context);
void addFeedbackRoutes(httplib::Server& server, Context& context);

}  // namespace zorvik::websim
