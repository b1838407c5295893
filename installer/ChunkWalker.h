#pragma once
// Steps through chunks that follow one another to the end of a byte view (the packages of a
// resource table, the types of a package, the nodes of a binary XML document). Each step reads and
// checks the header at the cursor (readChunkHeader: at least 8 bytes, no larger than the chunk,
// the whole chunk inside the view) and moves past the chunk; a chunk is at least 8 bytes, so every
// walk ends.
#include <cstddef>
#include <string_view>

#include "installer/LittleEndian.h"

namespace zorvik {

class ChunkWalker {
 public:
  ChunkWalker(std::string_view bytes, size_t start) : bytes_(bytes), pos_(start) {}

  // The next chunk's header and bytes (header included). False at the end of the view, and at a
  // header that does not check, which broken() then tells apart.
  bool next(ChunkHeader& header, std::string_view& chunk) {
    if (broken_ || pos_ >= bytes_.size()) return false;
    if (!readChunkHeader(bytes_, pos_, header)) {
      broken_ = true;
      return false;
    }
    chunk = bytes_.substr(pos_, header.size);
    pos_ += header.size;
    return true;
  }
  bool broken() const { return broken_; }

 private:
  std::string_view bytes_;
  size_t pos_;
  bool broken_ = false;
};

}  // namespace zorvik
