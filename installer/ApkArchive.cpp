#include "installer/ApkArchive.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <cstring>

namespace zorvik {

// The in-memory "file" minizip reads through its I/O callbacks.
struct ApkArchive::Memory {
  std::string_view bytes;
  uint64_t position = 0;
};

namespace {

constexpr int kIgnoreCase = 2;
// Deflate never expands more than about 1032 to 1, so a stored size beyond that is a lie; the
// buffer is reserved within that bound and only grows as real data arrives.
constexpr uint64_t kMaxDeflateRatio = 1032;

voidpf ZCALLBACK memoryOpen(voidpf opaque, const void*, int mode) {
  if (mode & ZLIB_FILEFUNC_MODE_WRITE) return nullptr;
  auto* memory = static_cast<ApkArchive::Memory*>(opaque);
  memory->position = 0;
  return memory;
}

uLong ZCALLBACK memoryRead(voidpf, voidpf stream, void* buffer, uLong size) {
  auto* memory = static_cast<ApkArchive::Memory*>(stream);
  const uint64_t left = memory->bytes.size() - std::min<uint64_t>(memory->position, memory->bytes.size());
  const uLong n = static_cast<uLong>(std::min<uint64_t>(size, left));
  if (n > 0) std::memcpy(buffer, memory->bytes.data() + memory->position, n);
  memory->position += n;
  return n;
}

uLong ZCALLBACK memoryWrite(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK memoryTell(voidpf, voidpf stream) { return static_cast<ApkArchive::Memory*>(stream)->position; }

long ZCALLBACK memorySeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  auto* memory = static_cast<ApkArchive::Memory*>(stream);
  uint64_t base = 0;
  if (origin == ZLIB_FILEFUNC_SEEK_CUR) base = memory->position;
  else if (origin == ZLIB_FILEFUNC_SEEK_END) base = memory->bytes.size();
  else if (origin != ZLIB_FILEFUNC_SEEK_SET) return -1;
  if (offset > memory->bytes.size() || base > memory->bytes.size() - offset) return -1;
  memory->position = base + offset;
  return 0;
}

int ZCALLBACK memoryClose(voidpf, voidpf) { return 0; }
int ZCALLBACK memoryError(voidpf, voidpf) { return 0; }

}  // namespace

ApkArchive::ApkArchive() = default;
ApkArchive::~ApkArchive() { close(); }

ApkArchive::ApkArchive(ApkArchive&& other) noexcept
    : handle_(other.handle_), memory_(std::move(other.memory_)) {
  other.handle_ = nullptr;
}

ApkArchive& ApkArchive::operator=(ApkArchive&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = other.handle_;
    memory_ = std::move(other.memory_);
    other.handle_ = nullptr;
  }
  return *this;
}

void ApkArchive::close() {
  if (handle_) unzClose(static_cast<unzFile>(handle_));
  handle_ = nullptr;
  memory_.reset();
}

bool ApkArchive::openFile(const std::string& path) {
  close();
  handle_ = unzOpen64(path.c_str());
  return handle_ != nullptr;
}

bool ApkArchive::openMemory(std::string_view bytes) {
  close();
  memory_ = std::make_unique<Memory>();
  memory_->bytes = bytes;
  zlib_filefunc64_def io{};
  io.zopen64_file = memoryOpen;
  io.zread_file = memoryRead;
  io.zwrite_file = memoryWrite;
  io.ztell64_file = memoryTell;
  io.zseek64_file = memorySeek;
  io.zclose_file = memoryClose;
  io.zerror_file = memoryError;
  io.opaque = memory_.get();
  handle_ = unzOpen2_64("", &io);
  if (!handle_) memory_.reset();
  return handle_ != nullptr;
}

bool ApkArchive::hasMember(std::string_view name) {
  if (!handle_) return false;
  return unzLocateFile(static_cast<unzFile>(handle_), std::string(name).c_str(), kIgnoreCase) == UNZ_OK;
}

std::optional<std::string> ApkArchive::readMember(std::string_view name) {
  if (!hasMember(name)) return std::nullopt;
  auto zip = static_cast<unzFile>(handle_);
  unz_file_info64 info{};
  if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return std::nullopt;
  if (info.uncompressed_size > kMaxMemberSize) return std::nullopt;
  if (unzOpenCurrentFile(zip) != UNZ_OK) return std::nullopt;

  std::string data;
  const uint64_t bound = info.compressed_size > kMaxMemberSize ? kMaxMemberSize : info.compressed_size * kMaxDeflateRatio + 1024;
  data.reserve(static_cast<size_t>(std::min<uint64_t>(info.uncompressed_size, bound)));
  char buffer[65536];
  bool sound = true;
  for (;;) {
    const int n = unzReadCurrentFile(zip, buffer, sizeof buffer);
    if (n < 0) {
      sound = false;
      break;
    }
    if (n == 0) break;
    if (data.size() + static_cast<size_t>(n) > info.uncompressed_size) {
      sound = false;  // more data than the directory promised
      break;
    }
    data.append(buffer, static_cast<size_t>(n));
  }
  // Closing checks the CRC once the whole member has been read.
  const int closed = unzCloseCurrentFile(zip);
  if (!sound || closed != UNZ_OK || data.size() != info.uncompressed_size) return std::nullopt;
  return data;
}

std::vector<std::string> ApkArchive::memberNames() {
  std::vector<std::string> names;
  if (!handle_) return names;
  auto zip = static_cast<unzFile>(handle_);
  for (int rc = unzGoToFirstFile(zip); rc == UNZ_OK; rc = unzGoToNextFile(zip)) {
    unz_file_info64 info{};
    char name[1024];
    if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) break;
    names.emplace_back(name, std::min<uLong>(info.size_filename, sizeof name - 1));
  }
  return names;
}

}  // namespace zorvik
