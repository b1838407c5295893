// Package list, phone facts and web-service replies from a confused or hostile peer: every walk
// ends inside the body, icons stay within the row buffer, and nothing throws.
#include "manage/apps/AppStore.h"
#include "manage/apps/AppsWire.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const zorvik::WireList<zorvik::AppRecord> list = zorvik::parseAppList(data, size);
  size_t used = 0;
  std::vector<std::string> names;
  for (const auto& a : list.records) {
    if (a.icon.size() > zorvik::kMaxAppIcon) std::abort();
    used += a.icon.size();
    if (used > size) std::abort();
    names.push_back(a.packageName);
  }
  zorvik::BasicFacts facts;
  zorvik::readBasicFacts(data, size, facts);
  const std::string text(reinterpret_cast<const char*>(data), size);
  names.push_back("com.a");
  const auto matched = zorvik::matchApkListReply(text, names);
  if (!matched.empty() && matched.size() != names.size()) std::abort();
  zorvik::DownloadRequest request;
  zorvik::makeDownloadRequest(text, request);
  if (request.address.size() > zorvik::kMaxDownloadAddress) std::abort();
  return 0;
}
