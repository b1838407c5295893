#include "pim/GroupWire.h"

#include <cstdio>


namespace zorvik {

WireList<GroupRecord> parseGroupList(const unsigned char* body, size_t length) {
  return readAgentList<GroupRecord>(body, length, [](FieldReader& reader, GroupRecord& record) {
    record.groupId = static_cast<int32_t>(reader.readInt64());
    auto title = reader.readListTextOrEnd();
    if (!title) return false;
    record.title = std::move(*title);
    record.account = reader.readText();
    record.visible = reader.readInt32();
    return reader.ok();
  });
}

const char* groupVisibleText(int32_t visible) { return visible == 1 ? "是" : "【隐藏】"; }

Bytes addGroupRequest(const std::string& title) {
  return framedRequest(AgentCommand::AddGroup, AgentArgs().int32(1).text(title));
}

Bytes renameGroupRequest(int32_t groupId, const std::string& title) {
  return framedRequest(AgentCommand::RenameGroup, AgentArgs().int32(1).int32(groupId).text(title));
}

Bytes deleteGroupsRequest(const std::vector<int32_t>& groupIds) {
  return idListRequest(AgentCommand::DeleteGroups, groupIds);
}

std::string deleteGroupsQuestion(size_t count) {
  char text[96];
  std::snprintf(text, sizeof text, "您真的要删除选择的【 %d 】条联系人分组吗？", static_cast<int>(count));
  return text;
}

}  // namespace zorvik
