#pragma once
// The file page's exchanges with the phone-side agent: the root folder (870601) and any folder
// (870602), and the texts of a listing's rows.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "devlink/AgentList.h"
#include "devlink/AgentRequest.h"

namespace zorvik {

struct FileRecord {
  int32_t type = 0;          // 1 folder, anything else a file
  std::string path;          // ANSI, as the agent sent it (converted from UTF-8)
  std::string pathUtf8;      // the same path as sent: transfers and listings use it, so a name
                             // GBK cannot hold still opens and copies
  int64_t size = 0;
  int64_t modified = 0;      // ms since 1970 UTC, 0 unknown
  int32_t readable = 0, writable = 0, hidden = 0;
  bool isFolder() const { return type == 1; }
};

// A folder's records after the first, which names the folder "向上" opens and is no row.
struct FileListing : WireList<FileRecord> {
  bool hasUp = false;
  std::string upPath;
  std::string upPathUtf8;
  int32_t upType = 0;
};

// The body of 870601/870602 (length word already taken off; the cursor starts at offset 4;
// records until fewer than two bytes remain). Never reads past `length`; a record running past
// the body or with a negative length makes it malformed.
FileListing parseFileListing(const unsigned char* body, size_t length);

// 870602: code, 16 + N, 1, N, the path in UTF-8 (ansiPath is the program's ANSI text).
Bytes listFolderRequest(std::string_view ansiPath);

// 870602 for a path already in UTF-8 (a folder's path as the agent sent it).
Bytes listFolderRequestUtf8(std::string_view utf8Path);

// The last component of a path split on "/" and "\" (empty components skipped), without the text
// after its last "."; a name whose only dot leads it (".profile") is kept whole.
std::string fileDisplayName(std::string_view path);
// "文件夹" or "文件".
const char* fileTypeText(const FileRecord& r);
// "可读", " 可写", " 隐藏" for the flags set, in that order.
std::string fileAttributeText(const FileRecord& r);

}  // namespace zorvik
