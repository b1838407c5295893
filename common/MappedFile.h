#pragma once
// A whole file mapped read-only into memory, so that a large file is read in place: only the pages
// actually read are ever loaded, from the system's page cache, never copied into the process (the
// package archive, the number-location table). Move-only; unmaps once.
#include <cstdint>
#include <string>
#include <string_view>

namespace zorvik {

class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile() { close(); }
  MappedFile(MappedFile&& other) noexcept { *this = std::move(other); }
  MappedFile& operator=(MappedFile&& other) noexcept {
    if (this != &other) {
      close();
      data_ = other.data_;
      size_ = other.size_;
      other.data_ = nullptr;
      other.size_ = 0;
    }
    return *this;
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // path is ANSI text. False when the file cannot be opened or mapped (an empty file maps to an
  // empty view and succeeds).
  bool open(const std::string& path);
  // Maps the whole of a file its owner holds open for reading (a descriptor, or a HANDLE on
  // Windows); the handle stays the owner's. The same outcomes as open.
  bool map(std::intptr_t handle);
  void close();
  std::string_view bytes() const { return {static_cast<const char*>(data_), size_}; }
  // Whether a view is held (an empty file has none).
  bool mapped() const { return data_ != nullptr; }

 private:
  void* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace zorvik
