// websim [--port P] [--data DIR] [--record FILE]
//
// --port 0 (the default) picks a free port. The first line on standard output says where it
// listens ("websim listening on http://127.0.0.1:P/"), for scripts and tests to read.
#include "sim/web/WebSim.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace zorvik::websim {

void Recorder::record(const httplib::Request& request) {
  if (path_.empty()) return;
  std::lock_guard<std::mutex> hold(lock_);
  std::ofstream out(path_, std::ios::app | std::ios::binary);
  out << request.method << ' ' << request.path << ' ' << request.body << '\n';
}

void addHealthRoutes(httplib::Server& server, Context&) {
  server.Get("/ping", [](const httplib::Request&, httplib::Response& response) {
    response.set_content("ok", "text/plain");
  });
}

}  // namespace zorvik::websim

namespace {

httplib::Server* gServer = nullptr;

void stop(int) {
  if (gServer) gServer->stop();
}

// Every service of the stand-in; each adds its own routes.
const zorvik::websim::AddRoutes kServices[] = {
    zorvik::websim::addHealthRoutes,
    zorvik::websim::addStoreRoutes,
    zorvik::websim::addDownloadRoutes,
    zorvik::websim::addWeatherRoutes,
    zorvik::websim::addUpdateRoutes,
    zorvik::websim::addFeedbackRoutes,
};

}  // namespace

int main(int argc, char** argv) {
  int port = 0;
  std::string data, record;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 >= argc || (a != "--port" && a != "--data" && a != "--record")) {
      std::fprintf(stderr, "usage: websim [--port P] [--data DIR] [--record FILE]\n");
      return 2;
    }
    const std::string value = argv[++i];
    if (a == "--port") port = std::atoi(value.c_str());
    else if (a == "--data") data = value;
    else record = value;
  }
  httplib::Server server;
  zorvik::websim::Recorder recorder(record);
  zorvik::websim::Context context;
  context.dataDir = data;
  context.recorder = &recorder;
  server.set_logger([&recorder](const httplib::Request& request, const httplib::Response&) {
    recorder.record(request);
  });
  if (port == 0) port = server.bind_to_any_port("127.0.0.1");
  else if (!server.bind_to_port("127.0.0.1", port)) port = -1;
  if (port <= 0) {
    std::fprintf(stderr, "websim: cannot listen on 127.0.0.1\n");
    return 1;
  }
  context.baseUrl = "http://127.0.0.1:" + std::to_string(port) + "/";
  for (const auto addRoutes : kServices) addRoutes(server, context);
  gServer = &server;
  std::signal(SIGINT, stop);
  std::signal(SIGTERM, stop);
  std::printf("websim listening on %s\n", context.baseUrl.c_str());
  std::fflush(stdout);
  return server.listen_after_bind() ? 0 : 1;
}
