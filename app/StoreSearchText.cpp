#include "app/StoreSearchText.h"

#include <deque>
#include <mutex>
#include <utility>

namespace zorvik {
namespace {

struct Pending {
  uintptr_t ticket;
  std::string keyword;
};

std::mutex gMutex;
std::deque<Pending> gPending;
uintptr_t gLastTicket = 0;

}  // namespace

uintptr_t depositStoreSearch(const std::string& keyword) {
  if (keyword.size() > kStoreSearchTextMax) return 0;
  std::lock_guard lock(gMutex);
  if (++gLastTicket == 0) ++gLastTicket;  // 0 names nothing, also after a wrap
  if (gPending.size() >= kStoreSearchPendingMax) gPending.pop_front();
  gPending.push_back({gLastTicket, keyword});
  return gLastTicket;
}

std::optional<std::string> collectStoreSearch(uintptr_t ticket) {
  if (ticket == 0) return std::nullopt;
  std::lock_guard lock(gMutex);
  for (auto it = gPending.begin(); it != gPending.end(); ++it) {
    if (it->ticket != ticket) continue;
    std::string keyword = std::move(it->keyword);
    gPending.erase(it);
    return keyword;
  }
  return std::nullopt;
}

}  // namespace zorvik
