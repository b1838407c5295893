#pragma once
// Command codes of the phone-side agent: 87xxyy, xx the data area, yy the operation.
#include <cstdint>

namespace zorvik {

enum class AgentCommand : uint32_t {
  PhoneInfo = 870002,
  AgentVersion = 870003,
  SystemInfo = 870004,
  ListContacts = 870101,
  ContactDetails = 870102,
  AddContact = 870103,
  UpdateContact = 870104,
  DeleteContacts = 870106,
  ListPickerGroups = 870120,
  AddGroup = 870121,
  RenameGroup = 870122,
  DeleteGroups = 870124,
  ListGroups = 870140,
  ListPickerContacts = 870150,
  ListConversations = 870201,
  ListMessages = 870202,
  SendMessage = 870204,
  DeleteMessages = 870206,
  ListCalls = 870301,
  DeleteCalls = 870303,
  DeleteAllCalls = 870304,
  ListAlarms = 870401,
  AddAlarm = 870402,
  UpdateAlarm = 870403,
  DeleteAlarms = 870405,
  ListRoot = 870601,
  ListFolder = 870602,
  ListBookmarks = 870701,
  AddBookmark = 870702,
  UpdateBookmark = 870703,
  DeleteBookmarks = 870705,
  ListApplications = 870802,
  StartApplication = 870805,
  ReadSettings = 871501,
  ChangeSetting = 871502,
  ScanCache = 871601,
  CleanCache = 871602,
  ListStartupItems = 871701,
  ListProcesses = 871801,
  EndProcesses = 871804,
  FreeMemory = 871806,
};

// Every code the agent knows, in table order (41).
inline constexpr AgentCommand kAllAgentCommands[] = {
    AgentCommand::PhoneInfo,        AgentCommand::AgentVersion,     AgentCommand::SystemInfo,
    AgentCommand::ListContacts,     AgentCommand::ContactDetails,   AgentCommand::AddContact,
    AgentCommand::UpdateContact,    AgentCommand::DeleteContacts,   AgentCommand::ListPickerGroups,
    AgentCommand::AddGroup,         AgentCommand::RenameGroup,      AgentCommand::DeleteGroups,
    AgentCommand::ListGroups,       AgentCommand::ListPickerContacts, AgentCommand::ListConversations,
    AgentCommand::ListMessages,     AgentCommand::SendMessage,      AgentCommand::DeleteMessages,
    AgentCommand::ListCalls,        AgentCommand::DeleteCalls,      AgentCommand::DeleteAllCalls,
    AgentCommand::ListAlarms,       AgentCommand::AddAlarm,         AgentCommand::UpdateAlarm,
    AgentCommand::DeleteAlarms,     AgentCommand::ListRoot,         AgentCommand::ListFolder,
    AgentCommand::ListBookmarks,    AgentCommand::AddBookmark,      AgentCommand::UpdateBookmark,
    AgentCommand::DeleteBookmarks,  AgentCommand::ListApplications, AgentCommand::StartApplication,
    AgentCommand::ReadSettings,     AgentCommand::ChangeSetting,    AgentCommand::ScanCache,
    AgentCommand::CleanCache,       AgentCommand::ListStartupItems, AgentCommand::ListProcesses,
    AgentCommand::EndProcesses,     AgentCommand::FreeMemory,
};

// Stands in place of a reply's length word: the agent has nothing to return.
inline constexpr int32_t kAgentNoReply = 123456791;
// Stands in place of the byte count of a list record's first text: the list is over.
inline constexpr int32_t kAgentListEnd = 233876922;

// The agent's port on the phone, and the PC port forwarded to it.
inline constexpr uint16_t kAgentPort = 50505;

// The lowest agent version that this program works with.
inline constexpr int32_t kAgentMinimumVersion = 20;

inline constexpr int32_t commandCode(AgentCommand command) { return static_cast<int32_t>(command); }

}  // namespace zorvik
