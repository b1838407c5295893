#include "devlink/CurrentDevice.h"

#include <mutex>

namespace zorvik {
namespace {

// Written by the scan thread or the dialog and read by every page's thread: a text needs a lock.
std::mutex& serialMutex() {
  static std::mutex mutex;
  return mutex;
}
std::string& serialText() {
  static std::string serial;
  return serial;
}

}  // namespace

std::string currentSerial() {
  std::lock_guard lock(serialMutex());
  return serialText();
}

void setCurrentSerial(const std::string& serial) {
  std::lock_guard lock(serialMutex());
  serialText() = serial;
}

}  // namespace zorvik
