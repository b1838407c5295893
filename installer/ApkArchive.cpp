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

ApkArchive::ApkArchive(ApkArchive&& other) noexcept { *this = std::move(other); }

ApkArchive& ApkArchive::operator=(ApkArchive&& other) noexcept {
  if (this != &other) {
    close();
    // The cursor lives on the heap and the mapping keeps its address, so minizip's handle
    // stays valid in its new owner.
    file_ = std::move(other.file_);
    handle_ = other.handle_;
    memory_ = std::move(other.memory_);
    entries_ = std::move(other.entries_);
    other.handle_ = nullptr;
    other.entries_.clear();
  }
  return *this;
}

void ApkArchive::close() {
  if (handle_) unzClose(static_cast<unzFile>(handle_));
  handle_ = nullptr;
  memory_.reset();
  entries_.clear();
  file_.close();
}

bool ApkArchive::openFile(const std::string& path) {
  close();
  MappedFile file;
  if (!file.open(path) || !openMemory(file.bytes())) return false;
  file_ = std::move(file);
  return true;
}

static std::string foldCase(std::string_view name) {
  std::string folded(name);
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return folded;
}

bool ApkArchive::indexMembers() {
  auto zip = static_cast<unzFile>(handle_);
  int rc = unzGoToFirstFile(zip);
  for (; rc == UNZ_OK; rc = unzGoToNextFile(zip)) {
    unz_file_info64 info{};
    char name[1024];
    if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
    unz64_file_pos pos{};
    if (unzGetFilePos64(zip, &pos) != UNZ_OK) return false;
    Entry e;
    e.name.assign(name, std::min<uLong>(info.size_filename, sizeof name - 1));
    e.folded = foldCase(e.name);
    e.directoryOffset = pos.pos_in_zip_directory;
    e.fileNumber = pos.num_of_file;
    entries_.push_back(std::move(e));
  }
  return rc == UNZ_END_OF_LIST_OF_FILE;
}

const ApkArchive::Entry* ApkArchive::find(std::string_view name) const {
  const std::string folded = foldCase(name);
  for (const auto& e : entries_)
    if (e.folded == folded) return &e;
  return nullptr;
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
  // A directory that cannot be walked to its end is no sound archive.
  if (!handle_ || !indexMembers()) {
    close();
    return false;
  }
  return true;
}

bool ApkArchive::hasMember(std::string_view name) { return find(name) != nullptr; }

std::optional<std::string> ApkArchive::readMember(std::string_view name) {
  const Entry* entry = find(name);
  if (!entry) return std::nullopt;
  auto zip = static_cast<unzFile>(handle_);
  unz64_file_pos pos{entry->directoryOffset, entry->fileNumber};
  if (unzGoToFilePos64(zip, &pos) != UNZ_OK) return std::nullopt;
  unz_file_info64 info{};
  if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return std::nullopt;
  if (info.uncompressed_size > kMaxMemberSize) return std::nullopt;
  if (unzOpenCurrentFile(zip) != UNZ_OK) return std::nullopt;

  // Read straight into the result, which grows only as real data arrives; one byte of room more
  // than promised tells a member longer than its directory entry.
  const uint64_t expected = info.uncompressed_size;
  const uint64_t bound = info.compressed_size > kMaxMemberSize ? kMaxMemberSize : info.compressed_size * kMaxDeflateRatio + 1024;
  std::string data(static_cast<size_t>(std::min<uint64_t>(expected, bound)) + 1, '\0');
  size_t got = 0;
  bool sound = true;
  for (;;) {
    if (got == data.size()) {
      if (data.size() > expected) {
        sound = false;  // more data than the directory promised
        break;
      }
      data.resize(static_cast<size_t>(std::min<uint64_t>(expected + 1, data.size() * 2)));
    }
    const size_t room = std::min<size_t>(data.size() - got, 1u << 30);
    const int n = unzReadCurrentFile(zip, &data[got], static_cast<unsigned>(room));
    if (n < 0) {
      sound = false;
      break;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  // Closing checks the CRC once the whole member has been read.
  const int closed = unzCloseCurrentFile(zip);
  if (!sound || closed != UNZ_OK || got != expected) return std::nullopt;
  data.resize(got);
  return data;
}

std::optional<std::string_view> ApkArchive::storedMemberView(std::string_view name) {
  const Entry* entry = find(name);
  if (!entry || !memory_) return std::nullopt;
  auto zip = static_cast<unzFile>(handle_);
  unz64_file_pos pos{entry->directoryOffset, entry->fileNumber};
  unz_file_info64 info{};
  if (unzGoToFilePos64(zip, &pos) != UNZ_OK ||
      unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
    return std::nullopt;
  const bool encrypted = (info.flag & 1) != 0;
  if (info.compression_method != 0 || encrypted || info.compressed_size != info.uncompressed_size ||
      info.uncompressed_size > kMaxMemberSize)
    return std::nullopt;
  if (unzOpenCurrentFile(zip) != UNZ_OK) return std::nullopt;
  const uint64_t start = static_cast<uint64_t>(unzGetCurrentFileZStreamPos64(zip));
  unzCloseCurrentFile(zip);
  const std::string_view bytes = memory_->bytes;
  if (start > bytes.size() || info.uncompressed_size > bytes.size() - start) return std::nullopt;
  return bytes.substr(static_cast<size_t>(start), static_cast<size_t>(info.uncompressed_size));
}

std::vector<std::string> ApkArchive::memberNames() {
  std::vector<std::string> names;
  names.reserve(entries_.size());
  for (const auto& e : entries_) names.push_back(e.name);
  return names;
}

}  // namespace zorvik
