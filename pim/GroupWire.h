#pragma once
// Contact groups on the wire: the list (870140), create (870121), rename (870122) and delete
// (870124); the texts the group manager shows.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "devlink/AgentList.h"
#include "devlink/AgentRequest.h"

namespace zorvik {

struct GroupRecord {
  int32_t groupId = 0;  // low 32 bits of the phone's id: the key for 870122/870124
  std::string title;    // ANSI
  std::string account;  // ANSI
  int32_t visible = 0;  // 1 = shown on the phone
};

// Walks a 870140 body. The end mark in the title's place ends the list; a record cut off by the
// end of the body is not returned.
WireList<GroupRecord> parseGroupList(const unsigned char* body, size_t length);

// "是" for exactly 1, else "【隐藏】".
const char* groupVisibleText(int32_t visible);

// The title is the program's ANSI text; it travels as UTF-8.
Bytes addGroupRequest(const std::string& title);
Bytes renameGroupRequest(int32_t groupId, const std::string& title);
Bytes deleteGroupsRequest(const std::vector<int32_t>& groupIds);

std::string deleteGroupsQuestion(size_t count);

}  // namespace zorvik
