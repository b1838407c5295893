#include "manage/alarms/BookmarkWire.h"

#include <cstdio>
#include <utility>

#include "common/TimeFormat.h"
#include "devlink/FieldReader.h"

namespace zorvik {

Bytes listBookmarksRequest() { return bareRequest(AgentCommand::ListBookmarks); }

namespace {
// An int64 picture length that must fit in what is left of the body.
bool pictureLength(FieldReader& r, size_t& n) {
  const int64_t length = r.readInt64();
  if (!r.ok()) return false;
  if (length < 0 || static_cast<uint64_t>(length) > r.remaining()) {
    r.fail();
    return false;
  }
  n = static_cast<size_t>(length);
  return true;
}
}  // namespace

WireList<BookmarkRow> parseBookmarkList(const unsigned char* body, size_t length) {
  return readAgentList<BookmarkRow>(body, length, [](FieldReader& r, BookmarkRow& b) {
    b.bookmarkId = r.readInt64();
    std::optional<std::string> title = r.readListTextOrEnd();
    if (!title) return false;
    b.title = std::move(*title);
    b.url = r.readText();
    b.visits = r.readInt32();
    b.lastVisit = r.readInt64();
    size_t n = 0;
    if (r.readInt32() == 1) {  // the page icon: not shown
      if (!pictureLength(r, n) || !r.skip(n)) return false;
    }
    if (r.readInt32() == 1) {
      if (!pictureLength(r, n)) return false;
      if (n <= kMaxBookmarkThumbnail) {
        b.thumbnail.resize(n);
        r.read(n, b.thumbnail.data());
      } else {
        r.skip(n);
      }
    }
    if (!r.ok()) return false;
    b.lastVisitText = formatPhoneTime(b.lastVisit, kNeverVisitedText);
    return true;
  });
}

std::string visitCountText(int32_t visits) {
  char text[32];
  std::snprintf(text, sizeof text, "%d 次", static_cast<int>(visits));
  return text;
}

Bytes addBookmarkRequest(const BookmarkEdit& b) {
  AgentArgs args;
  args.int32(1).int32(b.visits).text(b.title).text(b.url);
  return framedRequest(AgentCommand::AddBookmark, args);
}

Bytes updateBookmarkRequest(int32_t bookmarkId, const BookmarkEdit& b) {
  AgentArgs args;
  args.int32(1).int32(bookmarkId).int32(b.visits).text(b.title).text(b.url);
  return framedRequest(AgentCommand::UpdateBookmark, args);
}

Bytes deleteBookmarksRequest(const std::vector<int32_t>& bookmarkIds) {
  return idListRequest(AgentCommand::DeleteBookmarks, bookmarkIds);
}

std::string deleteBookmarksQuestion(size_t count) {
  char text[128];
  std::snprintf(text, sizeof text, "您真的要删除选择的【 %d 】条浏览器书签项吗？", static_cast<int>(count));
  return text;
}

std::optional<int32_t> parseVisitCount(const std::string& text) {
  if (text.empty()) return 0;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > INT32_MAX) return std::nullopt;
  }
  return static_cast<int32_t>(value);
}

bool isWebAddress(const std::string& url) {
  auto startsWith = [&](const char* scheme) {
    size_t i = 0;
    for (; scheme[i]; ++i) {
      if (i >= url.size()) return false;
      char c = url[i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (c != scheme[i]) return false;
    }
    return url.size() > i;  // something after the scheme
  };
  if (!startsWith("http://") && !startsWith("https://")) return false;
  for (unsigned char c : url)
    if (c <= 0x20 || c == 0x7F || c == '"') return false;
  return true;
}

}  // namespace zorvik
