#include "manage/system/StartupItems.h"

#include <cstdio>
#include <utility>


namespace zorvik {

std::string startupEventText(int32_t index) {
  if (const char* text = startupEventTableText(index)) return text;
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "未知事件（%d）", static_cast<int>(index));
  return buffer;
}

Bytes startupItemsRequest() { return bareRequest(AgentCommand::ListStartupItems); }

WireList<StartupEntry> parseStartupItems(const unsigned char* body, size_t length) {
  return readAgentList<StartupEntry>(
      body, length,
      [](FieldReader& r, StartupEntry& e) {
        e.event = r.readInt32();
        std::optional<std::string> entry = r.readListTextOrEnd();
        if (!entry) return false;
        e.entryText = std::move(*entry);
        e.detailText = r.readText();
        r.skip(4);  // not interpreted
        return r.ok();
      },
      ListEnd::Mark);
}

StartupTree startupTree(std::vector<StartupEntry> entries) {
  StartupTree tree;
  for (StartupEntry& e : entries) tree[e.event].push_back(std::move(e));
  return tree;
}

}  // namespace zorvik
