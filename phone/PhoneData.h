#pragma once
// The phone's data as the agent serves it: one method per kind of answer, filled into plain
// records (phone/PhoneRecords.h). The agent's dispatcher (phone/AgentService.h) parses each
// request, asks the data source, and writes the reply bytes itself; a data source never writes
// wire bytes. The virtual phone implements this over its data set, the package on a phone over
// Android's providers.
//
// Every method returns an Answer: served (the out parameters hold the data), nothing (the agent
// answers kAgentNoReply: an unknown id, say), or refused with a reason (a permission not granted,
// an area this data source does not serve): the agent then answers kAgentRefused and the reason.
// An empty list is a served answer and always means "there is nothing", never "not allowed".
// The base class refuses every area (as NotServed unless told another reason): a data source
// overrides what it serves.
//
// Ids in change requests travel as their low 32 bits (int32), as the pages send them. Status
// values are the ones the agent answers: 1 done, 0 refused by the data (an id that does not
// exist, say); counts where noted. Malformed requests never reach a data source.
//
// Threads: the listener calls a data source from one thread per connection, several at once;
// a data source guards its own state.
#include "devlink/AgentCommand.h"
#include "phone/PhoneRecords.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zorvik::phone {

class Answer {
 public:
  constexpr Answer() = default;
  static constexpr Answer served() { return Answer(kServed, AgentRefusal::Unknown); }
  static constexpr Answer nothing() { return Answer(kNothing, AgentRefusal::Unknown); }
  static constexpr Answer refused(AgentRefusal why) { return Answer(kRefused, why); }

  constexpr bool isServed() const { return kind_ == kServed; }
  constexpr bool isNothing() const { return kind_ == kNothing; }
  constexpr bool isRefused() const { return kind_ == kRefused; }
  constexpr AgentRefusal reason() const { return reason_; }

 private:
  enum Kind { kServed, kNothing, kRefused };
  constexpr Answer(Kind kind, AgentRefusal reason) : kind_(kind), reason_(reason) {}
  Kind kind_ = kServed;
  AgentRefusal reason_ = AgentRefusal::Unknown;
};

class PhoneData {
 public:
  // unserved: the reason the methods left alone refuse with.
  explicit PhoneData(AgentRefusal unserved = AgentRefusal::NotServed) : unserved_(unserved) {}
  virtual ~PhoneData() = default;

  // ---- device
  virtual Answer phoneInfo(PhoneInfo& out);    // 870002
  virtual Answer systemInfo(SystemInfo& out);  // 870004

  // ---- contacts
  virtual Answer contacts(std::vector<ContactSummary>& out);  // 870101, in list order
  // 870102: nothing() when no contact has the id.
  virtual Answer contactCard(int32_t id, ContactCard& out);
  // 870103 (update false, edit.id 0) and 870104: status 1 saved, 0 not (no such contact).
  virtual Answer saveContact(const ContactEdit& edit, bool update, int32_t& status);
  // 870106: status is the number of contacts deleted.
  virtual Answer deleteContacts(const std::vector<int32_t>& ids, int32_t& status);

  // ---- groups
  virtual Answer groups(std::vector<Group>& out);  // 870140 and the picker's groups (870120)
  virtual Answer addGroup(const std::string& title, int32_t& status);                 // 870121
  virtual Answer renameGroup(int32_t id, const std::string& title, int32_t& status);  // 870122
  virtual Answer deleteGroups(const std::vector<int32_t>& ids, int32_t& status);      // 870124
  virtual Answer pickerContacts(std::vector<PickerContact>& out);                     // 870150

  // ---- messages
  virtual Answer threads(std::vector<ThreadSummary>& out);  // 870201, newest first
  // 870202: the thread's messages in order; an unknown thread is an empty list.
  virtual Answer conversation(int32_t threadId, std::vector<ConversationMessage>& out);
  // 870204: one message to each non-empty number; status 1 sent.
  virtual Answer sendMessage(const std::vector<std::string>& numbers, const std::string& text, int32_t& status);
  // 870206: the conversations with these ids (the messages page deletes whole threads).
  virtual Answer deleteThreads(const std::vector<int32_t>& ids, int32_t& status);

  // ---- call log
  virtual Answer calls(std::vector<Call>& out);                                  // 870301
  virtual Answer deleteCalls(const std::vector<int32_t>& ids, int32_t& status);  // 870303
  virtual Answer deleteAllCalls(int32_t& status);                                // 870304

  // ---- alarms, files, bookmarks, applications
  virtual Answer alarms(std::vector<Alarm>& out);                                   // 870401
  virtual Answer saveAlarm(const Alarm& alarm, bool update, int32_t& status);       // 870402, 870403
  virtual Answer deleteAlarms(const std::vector<int32_t>& ids, int32_t& status);    // 870405
  // 870601 ("/") and 870602: the entries directly inside folder (no trailing '/', "/" for the
  // root); the way up is written by the agent.
  virtual Answer folder(const std::string& folder, std::vector<FileEntry>& out);
  virtual Answer bookmarks(std::vector<Bookmark>& out);                                // 870701
  virtual Answer saveBookmark(const Bookmark& bookmark, bool update, int32_t& status);  // 870702, 870703
  virtual Answer deleteBookmarks(const std::vector<int32_t>& ids, int32_t& status);     // 870705
  virtual Answer applications(std::vector<Package>& out);  // 870802: the packages the user installed
  virtual Answer startApplication(const std::string& package, int32_t& status);  // 870805

  // ---- settings, cleaner, start-up, processes
  virtual Answer settings(PhoneSettings& out);                                 // 871501
  // 871502: number is a SettingNumber (checked by the agent); status 1 changed.
  virtual Answer changeSetting(int32_t number, int32_t value, int32_t& status);
  virtual Answer cache(std::vector<CacheEntry>& out);  // 871601: entries with a size above 0
  virtual Answer cleanCache(const CleanRequest& request, int32_t& status);     // 871602
  virtual Answer startupItems(std::vector<StartupEntry>& out);                 // 871701
  virtual Answer processes(std::vector<Process>& out);                         // 871801
  // 871804: status is the number of processes ended.
  virtual Answer endProcesses(const std::vector<std::string>& names, int32_t& status);
  // 871806: the free memory in bytes (the agent caps it to what an int32 holds).
  virtual Answer freeMemory(int64_t& bytes);

 protected:
  Answer unserved() const { return Answer::refused(unserved_); }

 private:
  AgentRefusal unserved_;
};

}  // namespace zorvik::phone
