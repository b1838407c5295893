#pragma once
// Small helpers shared by the virtual phone's services.
#include "phone/FolderPath.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace zorvik::sim {

inline bool startsWith(const std::string& s, const char* prefix) {
  return s.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

using phone::parentOf;  // "/a/b/c" -> "/a/b"

inline std::string baseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The phone's clock: milliseconds since 1970-01-01 UTC.
inline int64_t nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace zorvik::sim
