#pragma once
// A whole file mapped read-only into memory, so that a large package is read in place: only the
// pages of the members actually read are ever loaded. Move-only; unmaps once.
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
  void close();
  std::string_view bytes() const { return {static_cast<const char*>(data_), size_}; }

 private:
  void* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace zorvik
