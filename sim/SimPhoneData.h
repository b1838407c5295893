#pragma once
// The virtual phone's data source for the agent: the protocol core (phone/) asks, this answers
// from a PhoneState and applies the changes to it. The caller holds whatever lock guards the state.
#include "phone/PhoneData.h"
#include "sim/PhoneState.h"

namespace zorvik::sim {

class SimPhoneData : public phone::PhoneData {
 public:
  explicit SimPhoneData(PhoneState& state) : p_(state) {}

  phone::Answer phoneInfo(phone::PhoneInfo& out) override;
  phone::Answer systemInfo(phone::SystemInfo& out) override;
  phone::Answer contacts(std::vector<phone::ContactSummary>& out) override;
  phone::Answer contactCard(int32_t id, phone::ContactCard& out) override;
  phone::Answer saveContact(const phone::ContactEdit& edit, bool update, int32_t& status) override;
  phone::Answer deleteContacts(const std::vector<int32_t>& ids, int32_t& status) override;
  phone::Answer groups(std::vector<Group>& out) override;
  phone::Answer addGroup(const std::string& title, int32_t& status) override;
  phone::Answer renameGroup(int32_t id, const std::string& title, int32_t& status) override;
  phone::Answer deleteGroups(const std::vector<int32_t>& ids, int32_t& status) override;
  phone::Answer pickerContacts(std::vector<phone::PickerContact>& out) override;
  phone::Answer threads(std::vector<phone::ThreadSummary>& out) override;
  phone::Answer conversation(int32_t threadId, std::vector<phone::ConversationMessage>& out) override;
  phone::Answer sendMessage(const std::vector<std::string>& numbers, const std::string& text, int32_t& status) override;
  phone::Answer deleteThreads(const std::vector<int32_t>& ids, int32_t& status) override;
  phone::Answer calls(std::vector<Call>& out) override;
  phone::Answer deleteCalls(const std::vector<int32_t>& ids, int32_t& status) override;
  phone::Answer deleteAllCalls(int32_t& status) override;
  phone::Answer alarms(std::vector<Alarm>& out) override;
  phone::Answer saveAlarm(const Alarm& alarm, bool update, int32_t& status) override;
  phone::Answer deleteAlarms(const std::vector<int32_t>& ids, int32_t& status) override;
  phone::Answer folder(const std::string& folder, std::vector<FileEntry>& out) override;
  phone::Answer bookmarks(std::vector<Bookmark>& out) override;
  phone::Answer saveBookmark(const Bookmark& bookmark, bool update, int32_t& status) override;
  phone::Answer deleteBookmarks(const std::vector<int32_t>& ids, int32_t& status) override;
  phone::Answer applications(std::vector<Package>& out) override;
  phone::Answer startApplication(const std::string& package, int32_t& status) override;
  phone::Answer settings(phone::PhoneSettings& out) override;
  phone::Answer changeSetting(int32_t number, int32_t value, int32_t& status) override;
  phone::Answer cache(std::vector<CacheEntry>& out) override;
  phone::Answer cleanCache(const phone::CleanRequest& request, int32_t& status) override;
  phone::Answer startupItems(std::vector<StartupEntry>& out) override;
  phone::Answer processes(std::vector<Process>& out) override;
  phone::Answer endProcesses(const std::vector<std::string>& names, int32_t& status) override;
  phone::Answer freeMemory(int64_t& bytes) override;

 private:
  PhoneState& p_;
};

}  // namespace zorvik::sim
