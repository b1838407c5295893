#pragma once
// The process-wide page-data state table: page key -> loading (0) or loaded (1). A page loads its
// data while its key is absent. Loaders run on worker threads, so every access takes the lock.
#include <map>
#include <mutex>
#include <optional>

namespace zorvik {

enum class PageDataState : int { Loading = 0, Loaded = 1 };

class PageDataTable {
public:
  static PageDataTable& instance();

  // Inserts the key as Loading unless present; false when the key was already there (a load
  // already ran or runs), so two quick visits start one loader.
  bool beginLoad(int key);
  void markLoaded(int key);
  // A refresh or a failed load removes the key so the next visit loads again.
  void forget(int key);
  std::optional<PageDataState> state(int key) const;
  bool contains(int key) const { return state(key).has_value(); }
  void clear();

private:
  mutable std::mutex mutex_;
  std::map<int, PageDataState> states_;
};

}  // namespace zorvik
