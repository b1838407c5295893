#include "manage/system/StartupItems.h"

#include <cstdio>
#include <utility>

#include "devlink/FieldReader.h"

namespace zorvik {

std::string startupEventText(int32_t index) {
  if (const char* text = startupEventTableText(index)) return text;
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "未知事件（%d）", static_cast<int>(index));
  return buffer;
}

Bytes startupItemsRequest() { return bareRequest(AgentCommand::ListStartupItems); }

StartupItems parseStartupItems(const unsigned char* body, size_t length) {
  StartupItems items;
  FieldReader r(body, length);
  while (r.ok() && r.remaining() > 0) {
    StartupEntry e;
    e.event = r.readInt32();
    std::optional<std::string> entry = r.readListTextOrEnd();
    if (r.listEnded()) {
      items.ended = true;
      break;
    }
    if (!entry) break;
    e.entryText = std::move(*entry);
    e.detailText = r.readText();
    r.skip(4);  // not interpreted
    if (!r.ok()) break;  // the record was cut: drop it
    items.byEvent[e.event].push_back(std::move(e));
    ++items.entryCount;
  }
  return items;
}

}  // namespace zorvik
