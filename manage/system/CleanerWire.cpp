#include "manage/system/CleanerWire.h"

#include <utility>


namespace zorvik {

const CleanFixedRow kCleanFixedRows[kCleanFixedRowCount] = {
    {"浏览器搜索", "删除系统自带浏览器的搜索记录", "随时"},
    {"浏览器历史", "删除系统自带浏览器的历史记录", "随时"},
    {"Market搜索", "删除Android Market搜索记录", "每月"},
};

Bytes scanCacheRequest() { return bareRequest(AgentCommand::ScanCache); }

WireList<CacheRecord> parseCacheList(const unsigned char* body, size_t length) {
  return readAgentList<CacheRecord>(
      body, length,
      [](FieldReader& r, CacheRecord& c) {
        c.size = r.readInt64();
        std::optional<std::string> label = r.readListTextOrEnd();
        if (!label) return false;
        c.label = std::move(*label);
        c.package = r.readText();
        const int64_t iconLength = r.readInt64();
        if (!r.ok() || iconLength < 0 || static_cast<uint64_t>(iconLength) > r.remaining()) return false;
        const auto n = static_cast<size_t>(iconLength);
        if (n <= kMaxCleanIcon) {
          c.icon.resize(n);
          r.read(n, c.icon.data());
        } else {
          r.skip(n);  // too large to show: the row stays without a picture
        }
        return r.ok();
      },
      ListEnd::Mark);
}

Bytes cleanRequest(const std::array<bool, kCleanFixedRowCount>& fixedChecked,
                   const std::vector<std::string>& packages) {
  AgentArgs args;
  args.int32(static_cast<int32_t>(packages.size()));
  for (bool checked : fixedChecked) {
    const unsigned char state = checked ? 1 : 0;
    args.raw(&state, 1);
  }
  for (const std::string& p : packages) args.text(p);
  return framedRequest(AgentCommand::CleanCache, args);
}

}  // namespace zorvik
