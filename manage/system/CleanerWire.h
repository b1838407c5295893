#pragma once
// The cleaner's exchanges: the applications holding cached data (871601) and the clear request
// (871602), plus the three fixed history rows the list always starts with. Portable.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "devlink/AgentList.h"
#include "devlink/AgentRequest.h"

namespace zorvik {

// An icon larger than this is dropped (the row stays, without a picture).
constexpr size_t kMaxCleanIcon = 262144;
constexpr int kCleanFixedRowCount = 3;

struct CleanFixedRow {
  const char* item;
  const char* description;
  const char* period;
};
extern const CleanFixedRow kCleanFixedRows[kCleanFixedRowCount];

constexpr const char* kCleanerIdleText = "扫描系统搜索历史记录和应用缓存";
constexpr const char* kCleanerScanningText = "正在获取应用的缓存信息，整个过程需要5秒左右，请稍等...";
constexpr const char* kCleanerDoneText = "扫描完成";

struct CacheRecord {
  int64_t size = 0;
  std::string label;    // ANSI; may be empty
  std::string package;  // ANSI
  std::vector<unsigned char> icon;  // empty when absent or too large
};

Bytes scanCacheRequest();
// Reads a reply body (header word first): records until the end mark or until fewer than two
// bytes remain. A record cut short or with a negative length is dropped and ends the walk; without
// the end mark the list is malformed.
WireList<CacheRecord> parseCacheList(const unsigned char* body, size_t length);

// 871602: the check states of the three fixed rows, then the packages to clear.
Bytes cleanRequest(const std::array<bool, kCleanFixedRowCount>& fixedChecked,
                   const std::vector<std::string>& packages);

}  // namespace zorvik
