#pragma once
// Owners that app/Handles.h does not have yet, used by the settings and registration code.
// Kept in one header so they can move into a shared library unchanged.
#include <windows.h>

#include "app/Handles.h"

namespace zorvik {

// A file handle: CreateFile fails with INVALID_HANDLE_VALUE, not null.
struct FileTraits {
  static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) { CloseHandle(h); }
};
using UniqueFile = UniqueHandle<HANDLE, FileTraits>;

// Redirects this process's HKEY_CLASSES_ROOT to `target` for one scope (per-user registration
// of a library that writes through HKEY_CLASSES_ROOT). `target` must outlive the scope.
class ClassesRootOverride {
public:
  explicit ClassesRootOverride(HKEY target)
      : active_(RegOverridePredefKey(HKEY_CLASSES_ROOT, target) == ERROR_SUCCESS) {}
  ~ClassesRootOverride() {
    if (active_) RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
  }
  ClassesRootOverride(const ClassesRootOverride&) = delete;
  ClassesRootOverride& operator=(const ClassesRootOverride&) = delete;
  bool ok() const { return active_; }

private:
  bool active_;
};

}  // namespace zorvik
