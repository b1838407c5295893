#pragma once
// Download requests from the store page to the downloads page. The store page adds a request
// (a package name) to the process-wide pending set and then posts 2024 with command 3 to the main
// window; the main window routes it to the downloads page, which takes the smallest request out
// of the set (DownloadRequestSink::handleRequest). The set is sorted by bytes and holds each
// request once; any thread may add or take.
#include <optional>
#include <string>

namespace zorvik {

// The address of a store link to a package with every ".apk" removed: the request string.
std::string downloadRequestFromAddress(std::string address);

void addDownloadRequest(const std::string& request);
// The smallest pending request, removed from the set; nothing when the set is empty.
std::optional<std::string> takeDownloadRequest();

// What the store page reaches through the main window: handles one pending request.
class DownloadRequestSink {
 public:
  virtual ~DownloadRequestSink() = default;
  virtual void handleRequest() = 0;
};

}  // namespace zorvik
