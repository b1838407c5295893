#pragma once
// The browser bookmarks on the wire: the list (870701), add (870702), change (870703) and delete
// (870705); the row texts; which addresses the PC may open. Portable.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "devlink/AgentList.h"
#include "devlink/AgentRequest.h"

namespace zorvik {

// A thumbnail larger than this is skipped over (the row stays, without a picture).
constexpr size_t kMaxBookmarkThumbnail = 262144;
constexpr const char* kNeverVisitedText = "从未";
// Every listed bookmark lives on the phone.
constexpr const char* kBookmarkOnPhoneText = "仅手机上的";
// The storage states of the page's "显示类型" selector and the editor's "存储位置".
inline constexpr const char* kBookmarkStorageStates[] = {"所有类型", "仅手机上的", "仅电脑上的", "电脑和手机"};

struct BookmarkRow {
  int64_t bookmarkId = 0;  // its low 32 bits name the bookmark in change and delete requests
  std::string title;       // ANSI
  std::string url;         // ANSI
  int32_t visits = 0;
  int64_t lastVisit = 0;   // ms since 1970 UTC; 0 never
  std::string lastVisitText;  // local time, or "从未"
  std::vector<unsigned char> thumbnail;  // encoded picture; empty when absent or too large
};

Bytes listBookmarksRequest();
// Walks a 870701 body (header word first): records until the end mark or until fewer than two
// bytes remain. The page icon is skipped; a record cut short or with a negative or too long
// picture length is dropped and ends the walk.
WireList<BookmarkRow> parseBookmarkList(const unsigned char* body, size_t length);

// "%d 次".
std::string visitCountText(int32_t visits);

struct BookmarkEdit {
  std::string title;  // ANSI
  std::string url;    // ANSI
  int32_t visits = 0;
};
Bytes addBookmarkRequest(const BookmarkEdit& bookmark);
Bytes updateBookmarkRequest(int32_t bookmarkId, const BookmarkEdit& bookmark);
Bytes deleteBookmarksRequest(const std::vector<int32_t>& bookmarkIds);
std::string deleteBookmarksQuestion(size_t count);

// The editor's visit count: 0 when empty, the decimal value when it is digits only and fits an
// int32, otherwise nothing (the editor asks again rather than send a number the user did not write).
std::optional<int32_t> parseVisitCount(const std::string& text);

// A bookmark's address comes from the phone: the PC opens it only when it is an http or https
// address without control characters or spaces (never a file, a program or another scheme).
bool isWebAddress(const std::string& url);

}  // namespace zorvik
