#include "download/DownloadRequests.h"

#include <mutex>
#include <set>

namespace zorvik {
namespace {

std::mutex gLock;
std::set<std::string>& pending() {
  static std::set<std::string> requests;
  return requests;
}

}  // namespace

std::string downloadRequestFromAddress(std::string address) {
  for (size_t at = address.find(".apk"); at != std::string::npos; at = address.find(".apk", at)) address.erase(at, 4);
  return address;
}

void addDownloadRequest(const std::string& request) {
  std::lock_guard<std::mutex> hold(gLock);
  pending().insert(request);
}

std::optional<std::string> takeDownloadRequest() {
  std::lock_guard<std::mutex> hold(gLock);
  if (pending().empty()) return std::nullopt;
  std::string first = *pending().begin();
  pending().erase(pending().begin());
  return first;
}

}  // namespace zorvik
