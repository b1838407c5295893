// Process list replies from a confused or hostile phone: every walk ends inside the body, icons
// stay within the row buffer, and every name kept came from the body.
#include "manage/processes/ProcessWire.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const zorvik::WireList<zorvik::ProcessRecord> list = zorvik::parseProcessList(data, size);
  size_t used = 0;
  for (const auto& p : list.records) {
    if (p.icon.size() > zorvik::kMaxProcessIcon) std::abort();
    used += p.icon.size() + p.processNameUtf8.size();
    if (used > size) std::abort();
    zorvik::endProcessesRequest({p.processNameUtf8});
  }
  return 0;
}
