#include "manage/files/FileWire.h"

#include <utility>

#include "common/TextConv.h"

namespace zorvik {

FileListing parseFileListing(const unsigned char* body, size_t length) {
  FileListing out;
  static_cast<WireList<FileRecord>&>(out) = readAgentList<FileRecord>(body, length, [](FieldReader& r, FileRecord& f) {
    f.type = r.readInt32();
    const int32_t n = r.readInt32();
    if (!r.ok() || n < 0) return false;
    r.read(static_cast<size_t>(n), f.pathUtf8);
    f.size = r.readInt64();
    f.modified = r.readInt64();
    f.readable = r.readInt32();
    f.writable = r.readInt32();
    f.hidden = r.readInt32();
    if (!r.ok()) return false;
    f.path = toAnsi(f.pathUtf8);
    return true;
  });
  if (!out.records.empty()) {
    FileRecord& up = out.records.front();
    out.hasUp = true;
    out.upPath = std::move(up.path);
    out.upPathUtf8 = std::move(up.pathUtf8);
    out.upType = up.type;
    out.records.erase(out.records.begin());
  }
  return out;
}

Bytes listFolderRequest(std::string_view ansiPath) {
  AgentArgs args;
  args.int32(1).text(ansiPath);
  return framedRequest(AgentCommand::ListFolder, args);
}

Bytes listFolderRequestUtf8(std::string_view utf8Path) {
  AgentArgs args;
  args.int32(1).utf8Text(utf8Path);
  return framedRequest(AgentCommand::ListFolder, args);
}

std::string fileDisplayName(std::string_view path) {
  size_t end = path.size();
  while (end > 0 && (path[end - 1] == '/' || path[end - 1] == '\\')) --end;
  size_t begin = end;
  while (begin > 0 && path[begin - 1] != '/' && path[begin - 1] != '\\') --begin;
  std::string_view name = path.substr(begin, end - begin);
  const size_t dot = name.rfind('.');
  if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
  return std::string(name);
}

const char* fileTypeText(const FileRecord& r) { return r.isFolder() ? "文件夹" : "文件"; }

std::string fileAttributeText(const FileRecord& r) {
  std::string text;
  if (r.readable == 1) text += "可读";
  if (r.writable == 1) text += " 可写";
  if (r.hidden == 1) text += " 隐藏";
  return text;
}

}  // namespace zorvik
