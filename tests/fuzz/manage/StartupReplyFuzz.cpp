// Start-up item replies from a confused or hostile phone: the walk ends inside the body and every
// event, in or outside the table, gets a text.
#include "manage/system/StartupItems.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const zorvik::WireList<zorvik::StartupEntry> items = zorvik::parseStartupItems(data, size);
  size_t count = 0;
  for (const auto& [event, entries] : zorvik::startupTree(items.records)) {
    if (zorvik::startupEventText(event).empty()) std::abort();
    count += entries.size();
    for (const auto& e : entries)
      if (e.event != event || e.entryText.size() > 3 * size || e.detailText.size() > 3 * size) std::abort();
  }
  if (count != items.records.size() || count * 16 > size) std::abort();
  if (items.ended == items.malformed) std::abort();  // a list without its end mark is never whole
  return 0;
}
