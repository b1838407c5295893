#include "installer/ApkArchive.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <cstring>

#include "installer/LittleEndian.h"

namespace zorvik {

namespace {

// The zip records the in-place walk reads.
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr size_t kEndSize = 22;
constexpr size_t kZip64LocatorSize = 20;
constexpr size_t kCentralSize = 46;
constexpr size_t kMaxComment = 0xFFFF;
// The longest name minizip's walk keeps whole (its name buffer less the terminating zero).
constexpr size_t kMaxName = 1023;
// A 16- or 32-bit field at its maximum means "look in the ZIP64 records".
constexpr uint16_t kZip64Count = 0xFFFF;
constexpr uint32_t kZip64Size = 0xFFFFFFFF;
constexpr uint16_t kZip64ExtraId = 0x0001;

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
    // Moving the vector keeps its strings where they are, so the entries' names stay valid.
    entries_ = std::move(other.entries_);
    names_ = std::move(other.names_);
    walkedInPlace_ = other.walkedInPlace_;
    other.handle_ = nullptr;
    other.entries_.clear();
    other.names_.clear();
  }
  return *this;
}

void ApkArchive::close() {
  if (handle_) unzClose(static_cast<unzFile>(handle_));
  handle_ = nullptr;
  memory_.reset();
  entries_.clear();
  names_.clear();
  walkedInPlace_ = false;
  file_.close();
}

bool ApkArchive::openFile(const std::string& path) {
  close();
  MappedFile file;
  if (!file.open(path) || !openMemory(file.bytes())) return false;
  file_ = std::move(file);
  return true;
}

namespace {

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x == y) continue;
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Puts minizip at the header of the entry with this name and place, and reads it.
bool goTo(unzFile zip, std::string_view entryName, uint64_t directoryOffset, uint64_t fileNumber,
          unz_file_info64& info) {
  unz64_file_pos pos{directoryOffset, fileNumber};
  char name[kMaxName + 1];
  if (unzGoToFilePos64(zip, &pos) != UNZ_OK ||
      unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
    return false;
  // minizip reads the header the walk found, or nothing is read.
  return std::min<uLong>(info.size_filename, kMaxName) == entryName.size() &&
         entryName == std::string_view(name, entryName.size());
}

}  // namespace

// Walks the central directory where it lies. Every header is checked against the directory's
// bounds; whatever this walk does not take on (ZIP64, a directory that is not exactly its
// records, a count that does not match them, an extra field that does not add up, a name minizip
// would cut) is left to minizip's walk, which then decides as it always has.
ApkArchive::InPlace ApkArchive::walkInPlace() {
  const std::string_view bytes = memory_->bytes;
  if (bytes.size() < kEndSize) return InPlace::kLeftToMinizip;
  // The end record nearest the end of the file, as minizip looks for it.
  size_t end = bytes.size() - kEndSize;
  const size_t lowest = end > kMaxComment ? end - kMaxComment : 0;
  for (uint32_t signature = 0;; --end) {
    if (readU32(bytes, end, signature) && signature == kEndSignature) break;
    if (end == lowest) return InPlace::kLeftToMinizip;
  }
  uint16_t disk = 0, directoryDisk = 0, onDisk = 0, count = 0, commentLength = 0;
  uint32_t directorySize = 0, directoryOffset = 0, locator = 0;
  readU16(bytes, end + 4, disk);
  readU16(bytes, end + 6, directoryDisk);
  readU16(bytes, end + 8, onDisk);
  readU16(bytes, end + 10, count);
  readU32(bytes, end + 12, directorySize);
  readU32(bytes, end + 16, directoryOffset);
  readU16(bytes, end + 20, commentLength);
  if (disk != 0 || directoryDisk != 0 || onDisk != count || count == 0 || count == kZip64Count ||
      directorySize == kZip64Size || directoryOffset == kZip64Size)
    return InPlace::kLeftToMinizip;
  if (end >= kZip64LocatorSize && readU32(bytes, end - kZip64LocatorSize, locator) && locator == kZip64LocatorSignature)
    return InPlace::kLeftToMinizip;
  // The directory ends where the end record starts, and the comment ends the file.
  if (static_cast<uint64_t>(directoryOffset) + directorySize != end ||
      end + kEndSize + commentLength != bytes.size())
    return InPlace::kLeftToMinizip;

  auto zip = static_cast<unzFile>(handle_);
  unz_global_info64 global{};
  if (unzGetGlobalInfo64(zip, &global) != UNZ_OK || global.number_entry != count ||
      global.size_comment != commentLength)
    return InPlace::kLeftToMinizip;

  const std::string_view directory = bytes.substr(0, end);
  entries_.reserve(count);
  size_t at = directoryOffset;
  for (uint64_t i = 0; i < count; ++i) {
    uint32_t signature = 0, compressed = 0, uncompressed = 0, localOffset = 0;
    uint16_t nameLength = 0, extraLength = 0, commentSize = 0;
    if (!fits(directory.size(), at, kCentralSize) || !readU32(directory, at, signature) ||
        signature != kCentralSignature)
      return InPlace::kLeftToMinizip;
    readU32(directory, at + 20, compressed);
    readU32(directory, at + 24, uncompressed);
    readU16(directory, at + 28, nameLength);
    readU16(directory, at + 30, extraLength);
    readU16(directory, at + 32, commentSize);
    readU32(directory, at + 42, localOffset);
    if (compressed == kZip64Size || uncompressed == kZip64Size || localOffset == kZip64Size || nameLength > kMaxName)
      return InPlace::kLeftToMinizip;
    const size_t record = kCentralSize + nameLength + extraLength + commentSize;
    if (!fits(directory.size(), at, record)) return InPlace::kLeftToMinizip;
    // The extra field is a run of (id, size, data) blocks that fills it exactly.
    for (size_t block = at + kCentralSize + nameLength, blocksEnd = block + extraLength; block < blocksEnd;) {
      uint16_t id = 0, size = 0;
      if (blocksEnd - block < 4) return InPlace::kLeftToMinizip;
      readU16(directory, block, id);
      readU16(directory, block + 2, size);
      if (id == kZip64ExtraId || size > blocksEnd - block - 4) return InPlace::kLeftToMinizip;
      block += 4 + static_cast<size_t>(size);
    }
    entries_.push_back(Entry{directory.substr(at + kCentralSize, nameLength), at, i});
    at += record;
  }
  if (at != directory.size()) return InPlace::kLeftToMinizip;
  // minizip, which reads the members, must place the first header where this walk did.
  unz64_file_pos first{};
  if (unzGoToFirstFile(zip) != UNZ_OK || unzGetFilePos64(zip, &first) != UNZ_OK ||
      first.pos_in_zip_directory != directoryOffset || first.num_of_file != 0)
    return InPlace::kLeftToMinizip;
  return InPlace::kDone;
}

bool ApkArchive::walkWithMinizip() {
  auto zip = static_cast<unzFile>(handle_);
  std::vector<std::pair<uint64_t, uint64_t>> places;
  int rc = unzGoToFirstFile(zip);
  for (; rc == UNZ_OK; rc = unzGoToNextFile(zip)) {
    unz_file_info64 info{};
    char name[kMaxName + 1];
    if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
    unz64_file_pos pos{};
    if (unzGetFilePos64(zip, &pos) != UNZ_OK) return false;
    names_.emplace_back(name, std::min<uLong>(info.size_filename, kMaxName));
    places.emplace_back(pos.pos_in_zip_directory, pos.num_of_file);
  }
  if (rc != UNZ_END_OF_LIST_OF_FILE) return false;
  // The names are in place now: the entries may point into them.
  entries_.reserve(names_.size());
  for (size_t i = 0; i < names_.size(); ++i) entries_.push_back(Entry{names_[i], places[i].first, places[i].second});
  return true;
}

const ApkArchive::Entry* ApkArchive::find(std::string_view name) const {
  for (const auto& e : entries_)
    if (sameIgnoringCase(e.name, name)) return &e;
  return nullptr;
}

bool ApkArchive::openMemory(std::string_view bytes, Walk walk) {
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
  if (!handle_) {
    close();
    return false;
  }
  walkedInPlace_ = walk == Walk::kInPlace && walkInPlace() == InPlace::kDone;
  if (!walkedInPlace_) {
    entries_.clear();
    // A directory that cannot be walked to its end is no sound archive.
    if (!walkWithMinizip()) {
      close();
      return false;
    }
  }
  return true;
}

bool ApkArchive::hasMember(std::string_view name) const { return find(name) != nullptr; }

std::optional<std::string> ApkArchive::readMember(std::string_view name) {
  const Entry* entry = find(name);
  if (!entry) return std::nullopt;
  auto zip = static_cast<unzFile>(handle_);
  unz_file_info64 info{};
  if (!goTo(zip, entry->name, entry->directoryOffset, entry->fileNumber, info)) return std::nullopt;
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
  unz_file_info64 info{};
  if (!goTo(zip, entry->name, entry->directoryOffset, entry->fileNumber, info)) return std::nullopt;
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

std::vector<std::string> ApkArchive::memberNames() const {
  std::vector<std::string> names;
  names.reserve(entries_.size());
  for (const auto& e : entries_) names.emplace_back(e.name);
  return names;
}

}  // namespace zorvik
