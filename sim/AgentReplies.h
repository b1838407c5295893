#pragma once
// The agent's commands one by one, for the table in sim/AgentService.cpp: replies that read the
// phone's data (sim/AgentReplies.cpp) and changes that answer a status word (sim/AgentChanges.cpp).
// A change reads its request from just after the command code.
#include "devlink/FieldReader.h"
#include "sim/PhoneState.h"

#include <cstdint>
#include <string>

namespace zorvik::sim::agent {

// kAgentNoReply in place of a reply.
std::string noReply();

std::string phoneInfo(const PhoneState& p);
std::string systemInfo(const PhoneState& p);
std::string listContacts(const PhoneState& p);
std::string contactDetails(const PhoneState& p, FieldReader& r);
std::string pickerGroups(const PhoneState& p);
std::string listGroups(const PhoneState& p);
std::string pickerContacts(const PhoneState& p);
std::string listThreads(const PhoneState& p);
std::string listMessages(const PhoneState& p, FieldReader& r);
std::string listCalls(const PhoneState& p);
std::string listAlarms(const PhoneState& p);
std::string listFolder(const PhoneState& p, const std::string& folder);
std::string listFolder(const PhoneState& p, FieldReader& r);
std::string listBookmarks(const PhoneState& p);
std::string listApplications(const PhoneState& p);
std::string readSettings(const PhoneState& p);
std::string scanCache(const PhoneState& p);
std::string listStartup(const PhoneState& p);
std::string listProcesses(const PhoneState& p);
int32_t freeMemory(const PhoneState& p);

int32_t saveContact(PhoneState& p, FieldReader& r, bool update);
int32_t deleteContacts(PhoneState& p, FieldReader& r);
int32_t addGroup(PhoneState& p, FieldReader& r);
int32_t renameGroup(PhoneState& p, FieldReader& r);
int32_t deleteGroups(PhoneState& p, FieldReader& r);
int32_t sendMessage(PhoneState& p, FieldReader& r);
int32_t deleteThreads(PhoneState& p, FieldReader& r);
int32_t deleteCalls(PhoneState& p, FieldReader& r);
int32_t deleteAllCalls(PhoneState& p, FieldReader& r);
int32_t saveAlarm(PhoneState& p, FieldReader& r, bool update);
int32_t deleteAlarms(PhoneState& p, FieldReader& r);
int32_t saveBookmark(PhoneState& p, FieldReader& r, bool update);
int32_t deleteBookmarks(PhoneState& p, FieldReader& r);
int32_t startApplication(PhoneState& p, FieldReader& r);
int32_t changeSetting(PhoneState& p, FieldReader& r);
int32_t cleanCache(PhoneState& p, FieldReader& r);
int32_t endProcesses(PhoneState& p, FieldReader& r);

}  // namespace zorvik::sim::agent
