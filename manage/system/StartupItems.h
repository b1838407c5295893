#pragma once
// The start-up items of the phone (871701): for each system event, the software the phone starts
// on it. Portable: the page (StartupPage) shows what parseStartupItems gives.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "devlink/AgentList.h"
#include "devlink/AgentRequest.h"

namespace zorvik {

constexpr int kStartupEventCount = 145;

// The table's text for an event index; nullptr outside 0..144.
const char* startupEventTableText(int index);
// The text a root node shows: the table's text, or "未知事件（N）" for an index the table lacks
// (a newer phone may know more events than we do).
std::string startupEventText(int32_t index);

struct StartupEntry {
  int32_t event = 0;
  std::string entryText;   // ANSI
  std::string detailText;  // ANSI
};

Bytes startupItemsRequest();

// Reads a reply body (header word first) up to the end mark, entries in arrival order. A record
// cut short or with a negative length is dropped and ends the walk; without the end mark the list
// is malformed.
WireList<StartupEntry> parseStartupItems(const unsigned char* body, size_t length);

// Event index -> its entries in arrival order; iteration gives ascending event indices.
using StartupTree = std::map<int32_t, std::vector<StartupEntry>>;
StartupTree startupTree(std::vector<StartupEntry> entries);

}  // namespace zorvik
