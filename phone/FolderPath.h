#pragma once
// Folder paths on the phone as the file commands use them.
#include <string>

namespace zorvik::phone {

// "/a/b/c" -> "/a/b"; "/a" and names without a folder -> "/".
inline std::string parentOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return path.substr(0, slash);
}

// Trailing '/' removed; empty -> "/".
inline std::string normaliseFolder(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path.empty()) path = "/";
  return path;
}

}  // namespace zorvik::phone
