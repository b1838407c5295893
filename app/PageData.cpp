#include "app/PageData.h"

namespace zorvik {

PageDataTable& PageDataTable::instance() {
  static PageDataTable table;
  return table;
}

bool PageDataTable::beginLoad(int key) {
  std::lock_guard<std::mutex> lock(mutex_);
  return states_.emplace(key, PageDataState::Loading).second;
}

void PageDataTable::markLoaded(int key) {
  std::lock_guard<std::mutex> lock(mutex_);
  states_[key] = PageDataState::Loaded;
}

void PageDataTable::forget(int key) {
  std::lock_guard<std::mutex> lock(mutex_);
  states_.erase(key);
}

std::optional<PageDataState> PageDataTable::state(int key) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = states_.find(key);
  if (it == states_.end()) return std::nullopt;
  return it->second;
}

void PageDataTable::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  states_.clear();
}

}  // namespace zorvik
