// The agent's command table: for each code, how its request is framed, how it is parsed, what
// the data source is asked and which writer answers. Adding a command is one entry here, its
// parser in AgentRequests.cpp, its writer in AgentReplies.cpp and its method in PhoneData.
#include "phone/AgentService.h"

#include "devlink/ByteOrder.h"
#include "phone/AgentReplies.h"
#include "phone/ReplyWriter.h"

#include <algorithm>
#include <iterator>

namespace zorvik::phone {

namespace {

using C = AgentCommand;

// How a request is framed after its code.
enum class Framing {
  Bare,            // the code alone
  Id,              // the code and one int32 (870202's thread id)
  Total,           // the code and the request's total length, then fields
  CountThenTotal,  // the code, a count of one, then the total (870805)
};

struct Asked {
  PhoneData& data;
  FieldReader& request;  // after the code
  int32_t agentVersion;
};

struct Entry {
  AgentCommand command;
  Framing framing;
  std::string (*answer)(Asked&);
};

// What stands for a reply the data source did not serve.
std::string unserved(Answer a) { return a.isRefused() ? refusedReply(a.reason()) : reply::noReply(); }

// A body reply: the data source fills out, write turns it into bytes.
template <class Out, class Ask, class Write>
std::string body(Ask ask, Write write) {
  Out out{};
  const Answer a = ask(out);
  return a.isServed() ? write(out) : unserved(a);
}

// A status reply: 0 for a request that does not add up (the data source is not asked).
template <class Ask>
std::string status(bool parsed, Ask ask) {
  if (!parsed) return statusWord(0);
  int32_t word = 0;
  const Answer a = ask(word);
  return a.isServed() ? statusWord(word) : unserved(a);
}

std::string contactCard(Asked& c) {
  int32_t id = 0;
  if (!request::contactId(c.request, id)) return reply::noReply();
  return body<ContactCard>([&](ContactCard& o) { return c.data.contactCard(id, o); }, reply::contactCard);
}

std::string conversation(Asked& c) {
  int32_t id = 0;
  if (!request::threadId(c.request, id)) return reply::noReply();
  return body<std::vector<ConversationMessage>>([&](auto& o) { return c.data.conversation(id, o); },
                                                reply::conversation);
}

std::string folder(PhoneData& data, const std::string& path) {
  const std::string dir = normaliseFolder(path);
  return body<std::vector<FileEntry>>([&](auto& o) { return data.folder(dir, o); },
                                      [&](const std::vector<FileEntry>& o) { return reply::folder(dir, o); });
}

std::string folder(Asked& c) {
  std::string path;
  if (!request::folderPath(c.request, path)) return reply::noReply();
  return folder(c.data, path);
}

std::string saveContact(Asked& c, bool update) {
  ContactEdit edit;
  const bool parsed = request::contactEdit(c.request, update, edit);
  return status(parsed, [&](int32_t& s) { return c.data.saveContact(edit, update, s); });
}

// A delete by an id list, with the data source's method for it.
std::string deleteIds(Asked& c, Answer (PhoneData::*remove)(const std::vector<int32_t>&, int32_t&)) {
  std::vector<int32_t> ids;
  const bool parsed = request::idList(c.request, ids);
  return status(parsed, [&](int32_t& s) { return (c.data.*remove)(ids, s); });
}

std::string addGroup(Asked& c) {
  std::string title;
  const bool parsed = request::groupTitle(c.request, title);
  return status(parsed, [&](int32_t& s) { return c.data.addGroup(title, s); });
}

std::string renameGroup(Asked& c) {
  int32_t id = 0;
  std::string title;
  const bool parsed = request::groupRename(c.request, id, title);
  return status(parsed, [&](int32_t& s) { return c.data.renameGroup(id, title, s); });
}

std::string sendMessage(Asked& c) {
  std::vector<std::string> numbers;
  std::string text;
  const bool parsed = request::message(c.request, numbers, text);
  return status(parsed, [&](int32_t& s) { return c.data.sendMessage(numbers, text, s); });
}

std::string deleteAllCalls(Asked& c) {
  return status(request::deleteAllCalls(c.request), [&](int32_t& s) { return c.data.deleteAllCalls(s); });
}

std::string saveAlarm(Asked& c, bool update) {
  Alarm a;
  const bool parsed = request::alarm(c.request, update, a);
  return status(parsed, [&](int32_t& s) { return c.data.saveAlarm(a, update, s); });
}

std::string saveBookmark(Asked& c, bool update) {
  Bookmark b;
  const bool parsed = request::bookmark(c.request, update, b);
  return status(parsed, [&](int32_t& s) { return c.data.saveBookmark(b, update, s); });
}

std::string startApplication(Asked& c) {
  std::string name;
  const bool parsed = request::packageName(c.request, name);
  return status(parsed, [&](int32_t& s) { return c.data.startApplication(name, s); });
}

std::string changeSetting(Asked& c) {
  int32_t number = 0, value = 0;
  const bool parsed = request::setting(c.request, number, value);
  return status(parsed, [&](int32_t& s) { return c.data.changeSetting(number, value, s); });
}

std::string cleanCache(Asked& c) {
  CleanRequest clean;
  const bool parsed = request::clean(c.request, clean);
  return status(parsed, [&](int32_t& s) { return c.data.cleanCache(clean, s); });
}

std::string endProcesses(Asked& c) {
  std::vector<std::string> names;
  const bool parsed = request::processNames(c.request, names);
  return status(parsed, [&](int32_t& s) { return c.data.endProcesses(names, s); });
}

std::string freeMemory(Asked& c) {
  int64_t bytes = 0;
  const Answer a = c.data.freeMemory(bytes);
  return a.isServed() ? statusWord(reply::freeMemoryWord(bytes)) : unserved(a);
}

// A list served by a PhoneData method, written by its writer.
template <class T, Answer (PhoneData::*Ask)(std::vector<T>&), std::string (*Write)(const std::vector<T>&)>
std::string list(Asked& c) {
  return body<std::vector<T>>([&](std::vector<T>& o) { return (c.data.*Ask)(o); }, Write);
}

const Entry kCommands[] = {
    {C::PhoneInfo, Framing::Bare,
     [](Asked& c) { return body<PhoneInfo>([&](PhoneInfo& o) { return c.data.phoneInfo(o); }, reply::phoneInfo); }},
    {C::AgentVersion, Framing::Bare, [](Asked& c) { return statusWord(c.agentVersion); }},
    {C::SystemInfo, Framing::Bare,
     [](Asked& c) { return body<SystemInfo>([&](SystemInfo& o) { return c.data.systemInfo(o); }, reply::systemInfo); }},
    {C::ListContacts, Framing::Bare, list<ContactSummary, &PhoneData::contacts, reply::contacts>},
    {C::ContactDetails, Framing::Total, contactCard},
    {C::AddContact, Framing::Total, [](Asked& c) { return saveContact(c, false); }},
    {C::UpdateContact, Framing::Total, [](Asked& c) { return saveContact(c, true); }},
    {C::DeleteContacts, Framing::Total, [](Asked& c) { return deleteIds(c, &PhoneData::deleteContacts); }},
    {C::ListPickerGroups, Framing::Bare, list<Group, &PhoneData::groups, reply::pickerGroups>},
    {C::AddGroup, Framing::Total, addGroup},
    {C::RenameGroup, Framing::Total, renameGroup},
    {C::DeleteGroups, Framing::Total, [](Asked& c) { return deleteIds(c, &PhoneData::deleteGroups); }},
    {C::ListGroups, Framing::Bare, list<Group, &PhoneData::groups, reply::groups>},
    {C::ListPickerContacts, Framing::Bare, list<PickerContact, &PhoneData::pickerContacts, reply::pickerContacts>},
    {C::ListConversations, Framing::Bare, list<ThreadSummary, &PhoneData::threads, reply::threads>},
    {C::ListMessages, Framing::Id, conversation},
    {C::SendMessage, Framing::Total, sendMessage},
    {C::DeleteMessages, Framing::Total, [](Asked& c) { return deleteIds(c, &PhoneData::deleteThreads); }},
    {C::ListCalls, Framing::Bare, list<Call, &PhoneData::calls, reply::calls>},
    {C::DeleteCalls, Framing::Total, [](Asked& c) { return deleteIds(c, &PhoneData::deleteCalls); }},
    {C::DeleteAllCalls, Framing::Total, deleteAllCalls},
    {C::ListAlarms, Framing::Bare, list<Alarm, &PhoneData::alarms, reply::alarms>},
    {C::AddAlarm, Framing::Total, [](Asked& c) { return saveAlarm(c, false); }},
    {C::UpdateAlarm, Framing::Total, [](Asked& c) { return saveAlarm(c, true); }},
    {C::DeleteAlarms, Framing::Total, [](Asked& c) { return deleteIds(c, &PhoneData::deleteAlarms); }},
    {C::ListRoot, Framing::Bare, [](Asked& c) { return folder(c.data, "/"); }},
    {C::ListFolder, Framing::Total, [](Asked& c) { return folder(c); }},
    {C::ListBookmarks, Framing::Bare, list<Bookmark, &PhoneData::bookmarks, reply::bookmarks>},
    {C::AddBookmark, Framing::Total, [](Asked& c) { return saveBookmark(c, false); }},
    {C::UpdateBookmark, Framing::Total, [](Asked& c) { return saveBookmark(c, true); }},
    {C::DeleteBookmarks, Framing::Total, [](Asked& c) { return deleteIds(c, &PhoneData::deleteBookmarks); }},
    {C::ListApplications, Framing::Bare, list<Package, &PhoneData::applications, reply::applications>},
    {C::StartApplication, Framing::CountThenTotal, startApplication},
    {C::ReadSettings, Framing::Bare,
     [](Asked& c) { return body<PhoneSettings>([&](PhoneSettings& o) { return c.data.settings(o); }, reply::settings); }},
    {C::ChangeSetting, Framing::Total, changeSetting},
    {C::ScanCache, Framing::Bare, list<CacheEntry, &PhoneData::cache, reply::cache>},
    {C::CleanCache, Framing::Total, cleanCache},
    {C::ListStartupItems, Framing::Bare, list<StartupEntry, &PhoneData::startupItems, reply::startupItems>},
    {C::ListProcesses, Framing::Bare, list<Process, &PhoneData::processes, reply::processes>},
    {C::EndProcesses, Framing::Total, endProcesses},
    {C::FreeMemory, Framing::Bare, freeMemory},
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

std::string answerAgentRequest(PhoneData& data, const unsigned char* request, size_t size, int32_t agentVersion) {
  if (size < 4) return reply::noReply();
  const Entry* entry = entryFor(getInt32(request));
  if (!entry) return reply::noReply();
  FieldReader r(request, size);  // starts after the code
  Asked asked{data, r, agentVersion};
  return entry->answer(asked);
}

}  // namespace zorvik::phone
