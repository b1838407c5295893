#include "pim/PhoneFile.h"

#include <cstring>
#include <utility>

namespace zorvik {

void PhoneFile::swap(PhoneFile& other) noexcept {
  std::swap(handle_, other.handle_);
  std::swap(view_, other.view_);
  std::swap(viewSize_, other.viewSize_);
  std::swap(seek_, other.seek_);
}

bool PhoneFile::readAt(std::uint64_t offset, void* out, std::size_t size) const {
  if (!view_) return readFromHandle(offset, out, size);
  if (size > viewSize_ || offset > viewSize_ - size) return false;
  std::memcpy(out, view_ + offset, size);
  return true;
}

}  // namespace zorvik
