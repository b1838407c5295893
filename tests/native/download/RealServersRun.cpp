// download_real_servers ODD_SERVER_SCRIPT COMMAND [ARGS...]: starts the servers of
// RealServerCases.h (DownloadTestSupport.h's RealServers), runs COMMAND with their addresses in
// ZORVIK_LIGHTTPD_BASE and ZORVIK_ODD_BASE (the Wine test of tests/win/download), and exits with
// its code. The servers end whatever the outcome, also when this program is asked to end.
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "native/download/DownloadTestSupport.h"

namespace {
void ignore(int) {}  // only interrupts the wait, so that every child is ended on the way out
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: download_real_servers ODD_SERVER_SCRIPT COMMAND [ARGS...]\n");
    return 2;
  }
  struct sigaction quiet {};
  quiet.sa_handler = ignore;
  for (const int s : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(s, &quiet, nullptr);
  const zorvik::test::RealServers servers(argv[1]);
  if (servers.lighttpd.empty() || servers.odd.empty()) {
    std::fprintf(stderr, "download_real_servers: lighttpd or odd_server.py did not start\n");
    return 1;
  }
  ::setenv("ZORVIK_LIGHTTPD_BASE", servers.lighttpd.c_str(), 1);
  ::setenv("ZORVIK_ODD_BASE", servers.odd.c_str(), 1);
  zorvik::test::ChildProcess command(std::vector<std::string>(argv + 2, argv + argc), false, true);
  const int code = command.wait();
  return code < 0 ? 1 : code;
}
