#include "pim/PhoneFile.h"

#include <cstring>
#include <utility>

namespace zorvik {

void PhoneFile::swap(PhoneFile& other) noexcept {
  std::swap(handle_, other.handle_);
  std::swap(view_, other.view_);
  std::swap(seek_, other.seek_);
}

bool PhoneFile::readAt(std::uint64_t offset, void* out, std::size_t size) const {
  if (!view_.mapped()) return readFromHandle(offset, out, size);
  const std::string_view view = view_.bytes();
  if (size > view.size() || offset > view.size() - size) return false;
  std::memcpy(out, view.data() + offset, size);
  return true;
}

}  // namespace zorvik
