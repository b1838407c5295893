#pragma once
// Command codes of the phone-side agent: 87xxyy, xx the data area, yy the operation.
#include <cstddef>
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

// Stands in place of a reply's length word (a body command) or its status word (a status
// command): the phone refused. An int32 reason (AgentRefusal) follows. Negative, so it is neither a
// length the PC accepts nor a status any command answers; agents before version 21 never send it.
inline constexpr int32_t kAgentRefused = -870000;

// What the phone refused, the int32 after kAgentRefused. The PC reads an absent reason (a reply
// cut after the refusal word) and a value it does not know as Unknown.
enum class AgentRefusal : int32_t {
  Unknown = 0,
  ContactsRead = 1,      // reading contacts or groups is not allowed
  ContactsWrite = 2,     // changing contacts or groups is not allowed
  SmsRead = 3,           // reading text messages is not allowed
  SmsSend = 4,           // sending text messages is not allowed
  SmsNotDefaultApp = 5,  // only the default SMS app may delete messages
  CallLogRead = 6,       // reading the call log is not allowed
  CallLogWrite = 7,      // changing the call log is not allowed
  PhoneState = 8,        // the phone's identity and network state are not allowed
  Storage = 9,           // the phone's files are not allowed
  NotServed = 10,        // this agent does not serve the command's area
  // What current Android gives no app at all, whatever it is granted:
  AlarmsNotOffered = 11,     // the clock app's alarms
  BookmarksNotOffered = 12,  // a browser's bookmarks
  ProcessesNotOffered = 13,  // other apps' processes
  // Settings and the cleaner:
  SettingNotChangeable = 14,  // the phone lets no app change this setting (Wi-Fi, airplane mode, ...)
  SystemSettingsAccess = 15,  // changing system settings needs the "modify system settings" access
  UsageAccess = 16,           // other apps' cache sizes need the usage access
  CleanNotOffered = 17,       // other apps' caches and the browsers' histories are no app's to clear
  CacheSizesNotOffered = 18,  // this Android gives no app other apps' cache sizes (before 8.0)
};
inline constexpr int32_t kAgentRefusalLast = 18;

// The most bytes of an encoded icon the applications page keeps for a row: the agent scales an
// icon down until it fits.
inline constexpr size_t kAgentMaxIconBytes = 262144;

// The agent's port on the phone, and the PC port forwarded to it.
inline constexpr uint16_t kAgentPort = 50505;

// The lowest agent version that this program works with.
inline constexpr int32_t kAgentMinimumVersion = 20;

// The abstract unix socket the agent listens on (the PC forwards tcp:50505 to
// "localabstract:" and this name); only peers of the shell or root uid are served.
inline constexpr const char* kAgentSocketName = "zorvik_agent";

inline constexpr int32_t commandCode(AgentCommand command) { return static_cast<int32_t>(command); }

}  // namespace zorvik
