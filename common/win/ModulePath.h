#pragma once
// The full path of a loaded module (nullptr: the program), however long; empty on failure.
#include <windows.h>

#include <string>
#include <type_traits>

namespace zorvik {

template <typename Char>
std::basic_string<Char> modulePathOf(HMODULE module) {
  std::basic_string<Char> path(MAX_PATH, Char{});
  for (;;) {
    DWORD n = 0;
    if constexpr (std::is_same_v<Char, wchar_t>)
      n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    else
      n = GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    if (path.size() >= 32768) return {};  // longer than any Windows path
    path.resize(path.size() * 2);
  }
}

}  // namespace zorvik
