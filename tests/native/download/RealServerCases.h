#pragma once
// The downloader against servers nobody here wrote, for both builds: the cases and their check,
// run natively by HttpDownloaderTest and under Wine by tests/win/download/RealServerWinTest.cpp,
// both against RealServers (DownloadTestSupport.h): Debian's lighttpd (static files with Range,
// ETag/If-Range, 416, redirections) and odd_server.py (chunked, long headers, a wrong
// Content-Range, a changed file), serving realServerSource().
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "download/HttpDownloader.h"
#include "download/HttpMessage.h"

namespace zorvik::test {

// Bytes that differ from their neighbours and start like a package ("PK").
inline std::string pattern(size_t size, size_t from = 0) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i)
    s[i] = from + i < 2 ? "PK"[from + i] : static_cast<char>(((from + i) * 131u) ^ ((from + i) >> 12) ^ ((from + i) >> 20));
  return s;
}

// In one read: files of tens of megabytes byte by byte take seconds under the sanitizers.
inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return std::string();
  std::string bytes(static_cast<size_t>(in.tellg()), '\0');
  in.seekg(0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}
inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}
inline bool fileExists(const std::string& path) { return std::ifstream(path, std::ios::binary).good(); }

// The file both servers serve as "src.bin".
inline std::string realServerSource() { return pattern(1500000, 7); }

// Every case downloads into `target` (its temporary file and validator prepared first) and compares
// the result with the source byte for byte. `lighttpd` and `odd` are "http://127.0.0.1:PORT".
inline void checkRealServerCases(const std::string& target, const std::string& lighttpd, const std::string& odd) {
  struct FinalEvent : DownloadListener {
    int event = -1;
    void notify(int e, int, int) override {
      if (e >= kEventComplete) event = e;
    }
  };
  struct Case {
    std::string name, url;
    std::string partial;    // the temporary file before the transfer ("" for none)
    std::string validator;  // beside it
    int event;
  };
  const std::string src = realServerSource();
  const std::string stale = pattern(400000, 99);  // another file's first bytes
  const std::vector<Case> cases = {
      {"plain", lighttpd + "/src.bin", "", "", kEventComplete},
      {"resume with Range", lighttpd + "/src.bin", src.substr(0, 654321), "", kEventComplete},
      {"changed file: If-Range gets it whole", lighttpd + "/src.bin", stale, "\"not-the-same\"", kEventComplete},
      {"complete .tmp: 416 finishes it", lighttpd + "/src.bin", src, "", kEventComplete},
      {"two redirections", lighttpd + "/go/src.bin", "", "", kEventComplete},
      {"6000-character Location", lighttpd + "/signed", "", "", kEventComplete},
      {"chunked", odd + "/chunked", "", "", kEventComplete},
      {"chunked wins over Content-Length", odd + "/chunked-length", "", "", kEventComplete},
      {"40 KiB header", odd + "/long-header", "", "", kEventComplete},
      {"wrong Content-Range restarts from 0", odd + "/wrong-range", stale, "", kEventComplete},
      {"changed file without the server's tag", odd + "/changed", stale, "\"v1\"", kEventComplete},
      {"resume, same tag", odd + "/changed", src.substr(0, 77777), "\"v2\"", kEventComplete},
      {"70 KiB header", odd + "/huge-header", "", "", kEventRefused},
      {"bad chunk size", odd + "/bad-chunk", "", "", kEventReceiveFailed},
  };
  const std::string temporary = temporaryPath(target);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove(target.c_str());
    removeTemporaryFiles(target);
    if (!c.partial.empty()) writeFile(temporary, c.partial);
    if (!c.validator.empty()) writeFile(validatorPath(target), c.validator);
    FinalEvent last;
    HttpDownloader downloader(last);
    downloader.setTimeouts(10000, 5000);
    downloader.setTask(c.url, target);
    downloader.transfer();
    EXPECT_EQ(last.event, c.event);
    if (c.event == kEventComplete) {
      EXPECT_TRUE(readFile(target) == src) << readFile(target).size();
      EXPECT_FALSE(fileExists(temporary));
      EXPECT_FALSE(fileExists(validatorPath(target)));
    } else {
      EXPECT_FALSE(fileExists(target));
    }
  }
}

}  // namespace zorvik::test
