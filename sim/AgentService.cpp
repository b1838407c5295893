// The agent's command table: for each code, how its request is framed and what answers it.
// Adding a command is one entry here and its function in AgentReplies.cpp or AgentChanges.cpp.
#include "sim/AgentService.h"

#include "devlink/AgentCommand.h"
#include "devlink/ByteOrder.h"
#include "sim/AgentReplies.h"
#include "sim/ReplyWriter.h"

#include <algorithm>
#include <iterator>

namespace zorvik::sim {

namespace {

using C = AgentCommand;
using namespace agent;

// How a request is framed after its code.
enum class Framing {
  Bare,            // the code alone
  Id,              // the code and one int32 (870202's thread id)
  Total,           // the code and the request's total length, then fields
  CountThenTotal,  // the code, a count of one, then the total (870805)
};

struct Asked {
  PhoneState& phone;
  FieldReader& request;  // after the code
  int32_t agentVersion;
};

struct Entry {
  AgentCommand command;
  Framing framing;
  std::string (*answer)(Asked&);
};

const Entry kCommands[] = {
    {C::PhoneInfo, Framing::Bare, [](Asked& c) { return phoneInfo(c.phone); }},
    {C::AgentVersion, Framing::Bare, [](Asked& c) { return statusWord(c.agentVersion); }},
    {C::SystemInfo, Framing::Bare, [](Asked& c) { return systemInfo(c.phone); }},
    {C::ListContacts, Framing::Bare, [](Asked& c) { return listContacts(c.phone); }},
    {C::ContactDetails, Framing::Total, [](Asked& c) { return contactDetails(c.phone, c.request); }},
    {C::AddContact, Framing::Total, [](Asked& c) { return statusWord(saveContact(c.phone, c.request, false)); }},
    {C::UpdateContact, Framing::Total, [](Asked& c) { return statusWord(saveContact(c.phone, c.request, true)); }},
    {C::DeleteContacts, Framing::Total, [](Asked& c) { return statusWord(deleteContacts(c.phone, c.request)); }},
    {C::ListPickerGroups, Framing::Bare, [](Asked& c) { return pickerGroups(c.phone); }},
    {C::AddGroup, Framing::Total, [](Asked& c) { return statusWord(addGroup(c.phone, c.request)); }},
    {C::RenameGroup, Framing::Total, [](Asked& c) { return statusWord(renameGroup(c.phone, c.request)); }},
    {C::DeleteGroups, Framing::Total, [](Asked& c) { return statusWord(deleteGroups(c.phone, c.request)); }},
    {C::ListGroups, Framing::Bare, [](Asked& c) { return listGroups(c.phone); }},
    {C::ListPickerContacts, Framing::Bare, [](Asked& c) { return pickerContacts(c.phone); }},
    {C::ListConversations, Framing::Bare, [](Asked& c) { return listThreads(c.phone); }},
    {C::ListMessages, Framing::Id, [](Asked& c) { return listMessages(c.phone, c.request); }},
    {C::SendMessage, Framing::Total, [](Asked& c) { return statusWord(sendMessage(c.phone, c.request)); }},
    {C::DeleteMessages, Framing::Total, [](Asked& c) { return statusWord(deleteThreads(c.phone, c.request)); }},
    {C::ListCalls, Framing::Bare, [](Asked& c) { return listCalls(c.phone); }},
    {C::DeleteCalls, Framing::Total, [](Asked& c) { return statusWord(deleteCalls(c.phone, c.request)); }},
    {C::DeleteAllCalls, Framing::Total, [](Asked& c) { return statusWord(deleteAllCalls(c.phone, c.request)); }},
    {C::ListAlarms, Framing::Bare, [](Asked& c) { return listAlarms(c.phone); }},
    {C::AddAlarm, Framing::Total, [](Asked& c) { return statusWord(saveAlarm(c.phone, c.request, false)); }},
    {C::UpdateAlarm, Framing::Total, [](Asked& c) { return statusWord(saveAlarm(c.phone, c.request, true)); }},
    {C::DeleteAlarms, Framing::Total, [](Asked& c) { return statusWord(deleteAlarms(c.phone, c.request)); }},
    {C::ListRoot, Framing::Bare, [](Asked& c) { return listFolder(c.phone, "/"); }},
    {C::ListFolder, Framing::Total, [](Asked& c) { return listFolder(c.phone, c.request); }},
    {C::ListBookmarks, Framing::Bare, [](Asked& c) { return listBookmarks(c.phone); }},
    {C::AddBookmark, Framing::Total, [](Asked& c) { return statusWord(saveBookmark(c.phone, c.request, false)); }},
    {C::UpdateBookmark, Framing::Total, [](Asked& c) { return statusWord(saveBookmark(c.phone, c.request, true)); }},
    {C::DeleteBookmarks, Framing::Total, [](Asked& c) { return statusWord(deleteBookmarks(c.phone, c.request)); }},
    {C::ListApplications, Framing::Bare, [](Asked& c) { return listApplications(c.phone); }},
    {C::StartApplication, Framing::CountThenTotal,
     [](Asked& c) { return statusWord(startApplication(c.phone, c.request)); }},
    {C::ReadSettings, Framing::Bare, [](Asked& c) { return readSettings(c.phone); }},
    {C::ChangeSetting, Framing::Total, [](Asked& c) { return statusWord(changeSetting(c.phone, c.request)); }},
    {C::ScanCache, Framing::Bare, [](Asked& c) { return scanCache(c.phone); }},
    {C::CleanCache, Framing::Total, [](Asked& c) { return statusWord(cleanCache(c.phone, c.request)); }},
    {C::ListStartupItems, Framing::Bare, [](Asked& c) { return listStartup(c.phone); }},
    {C::ListProcesses, Framing::Bare, [](Asked& c) { return listProcesses(c.phone); }},
    {C::EndProcesses, Framing::Total, [](Asked& c) { return statusWord(endProcesses(c.phone, c.request)); }},
    {C::FreeMemory, Framing::Bare, [](Asked& c) { return statusWord(freeMemory(c.phone)); }},
};

const Entry* entryFor(int32_t code) {
  const auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                               [&](const Entry& e) { return commandCode(e.command) == code; });
  return it == std::end(kCommands) ? nullptr : it;
}

}  // namespace

bool agentKnows(int32_t code) { return entryFor(code) != nullptr; }

int32_t requestCode(const unsigned char* data, size_t size) { return size < 4 ? 0 : getInt32(data); }

RequestFrame frameAgentRequest(const unsigned char* data, size_t size) {
  if (size < 4) return {FrameStatus::NeedMore, 0, 4};
  const Entry* entry = entryFor(getInt32(data));
  // An unknown code is answered on its own (with kAgentNoReply).
  if (!entry || entry->framing == Framing::Bare) return {FrameStatus::Complete, 4, 4};
  if (entry->framing == Framing::Id) {
    if (size < 8) return {FrameStatus::NeedMore, 0, 8};
    return {FrameStatus::Complete, 8, 8};
  }
  const size_t totalAt = entry->framing == Framing::CountThenTotal ? 8 : 4;
  if (size < totalAt + 4) return {FrameStatus::NeedMore, 0, totalAt + 4};
  const int32_t total = getInt32(data + totalAt);
  if (total < static_cast<int32_t>(totalAt + 4) || total > kMaxAgentRequest) return {FrameStatus::Malformed, 0, 0};
  if (size < static_cast<size_t>(total)) return {FrameStatus::NeedMore, 0, static_cast<size_t>(total)};
  return {FrameStatus::Complete, static_cast<size_t>(total), static_cast<size_t>(total)};
}

std::string answerAgentRequest(PhoneState& p, const unsigned char* request, size_t size, int32_t agentVersion) {
  if (size < 4) return noReply();
  const Entry* entry = entryFor(getInt32(request));
  if (!entry) return noReply();
  FieldReader r(request, size);  // starts after the code
  Asked asked{p, r, agentVersion};
  return entry->answer(asked);
}

}  // namespace zorvik::sim
