#pragma once
// The agent's reply bodies, one writer per command, from a data source's records
// (phone/AgentReplies.cpp), and the parsers of the change requests (phone/AgentRequests.cpp),
// for the command table in phone/AgentService.cpp. A parser reads its request from just after the
// command code and answers false for a request that does not add up.
#include "devlink/FieldReader.h"
#include "phone/FolderPath.h"
#include "phone/PhoneRecords.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zorvik::phone {

namespace reply {

// kAgentNoReply in place of a reply.
std::string noReply();

std::string phoneInfo(const PhoneInfo& info);
std::string systemInfo(const SystemInfo& facts);
std::string contacts(const std::vector<ContactSummary>& list);
std::string contactCard(const ContactCard& card);
std::string pickerGroups(const std::vector<Group>& list);
std::string groups(const std::vector<Group>& list);
std::string pickerContacts(const std::vector<PickerContact>& list);
std::string threads(const std::vector<ThreadSummary>& list);
std::string conversation(const std::vector<ConversationMessage>& list);
std::string calls(const std::vector<Call>& list);
std::string alarms(const std::vector<Alarm>& list);
std::string folder(const std::string& folder, const std::vector<FileEntry>& entries);
std::string bookmarks(const std::vector<Bookmark>& list);
std::string applications(const std::vector<Package>& list);
std::string settings(const PhoneSettings& settings);
std::string cache(const std::vector<CacheEntry>& list);
std::string startupItems(const std::vector<StartupEntry>& list);
std::string processes(const std::vector<Process>& list);
int32_t freeMemoryWord(int64_t bytes);

}  // namespace reply

namespace request {

// The arguments of 870102 (T, 1, id), 870202 (id) and 870602 (T, 1, path).
bool contactId(FieldReader& r, int32_t& id);
bool threadId(FieldReader& r, int32_t& id);
bool folderPath(FieldReader& r, std::string& path);

// An id list (T, n, n ids) of the delete commands.
bool idList(FieldReader& r, std::vector<int32_t>& ids);
bool contactEdit(FieldReader& r, bool update, ContactEdit& edit);
bool groupTitle(FieldReader& r, std::string& title);                  // 870121
bool groupRename(FieldReader& r, int32_t& id, std::string& title);    // 870122
bool message(FieldReader& r, std::vector<std::string>& numbers, std::string& text);  // 870204
bool deleteAllCalls(FieldReader& r);                                  // 870304
bool alarm(FieldReader& r, bool update, Alarm& alarm);                // 870402, 870403
bool bookmark(FieldReader& r, bool update, Bookmark& bookmark);       // 870702, 870703
bool packageName(FieldReader& r, std::string& name);                  // 870805
bool setting(FieldReader& r, int32_t& number, int32_t& value);        // 871502
bool clean(FieldReader& r, CleanRequest& clean);                      // 871602
bool processNames(FieldReader& r, std::vector<std::string>& names);   // 871804

}  // namespace request

}  // namespace zorvik::phone
