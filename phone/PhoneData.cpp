// What a data source does not override it does not serve.
#include "phone/PhoneData.h"

namespace zorvik::phone {

Answer PhoneData::phoneInfo(PhoneInfo&) { return unserved(); }
Answer PhoneData::systemInfo(SystemInfo&) { return unserved(); }
Answer PhoneData::contacts(std::vector<ContactSummary>&) { return unserved(); }
Answer PhoneData::contactCard(int32_t, ContactCard&) { return unserved(); }
Answer PhoneData::saveContact(const ContactEdit&, bool, int32_t&) { return unserved(); }
Answer PhoneData::deleteContacts(const std::vector<int32_t>&, int32_t&) { return unserved(); }
Answer PhoneData::groups(std::vector<Group>&) { return unserved(); }
Answer PhoneData::addGroup(const std::string&, int32_t&) { return unserved(); }
Answer PhoneData::renameGroup(int32_t, const std::string&, int32_t&) { return unserved(); }
Answer PhoneData::deleteGroups(const std::vector<int32_t>&, int32_t&) { return unserved(); }
Answer PhoneData::pickerContacts(std::vector<PickerContact>&) { return unserved(); }
Answer PhoneData::threads(std::vector<ThreadSummary>&) { return unserved(); }
Answer PhoneData::conversation(int32_t, std::vector<ConversationMessage>&) { return unserved(); }
Answer PhoneData::sendMessage(const std::vector<std::string>&, const std::string&, int32_t&) { return unserved(); }
Answer PhoneData::deleteThreads(const std::vector<int32_t>&, int32_t&) { return unserved(); }
Answer PhoneData::calls(std::vector<Call>&) { return unserved(); }
Answer PhoneData::deleteCalls(const std::vector<int32_t>&, int32_t&) { return unserved(); }
Answer PhoneData::deleteAllCalls(int32_t&) { return unserved(); }
Answer PhoneData::alarms(std::vector<Alarm>&) { return unserved(); }
Answer PhoneData::saveAlarm(const Alarm&, bool, int32_t&) { return unserved(); }
Answer PhoneData::deleteAlarms(const std::vector<int32_t>&, int32_t&) { return unserved(); }
Answer PhoneData::folder(const std::string&, std::vector<FileEntry>&) { return unserved(); }
Answer PhoneData::bookmarks(std::vector<Bookmark>&) { return unserved(); }
Answer PhoneData::saveBookmark(const Bookmark&, bool, int32_t&) { return unserved(); }
Answer PhoneData::deleteBookmarks(const std::vector<int32_t>&, int32_t&) { return unserved(); }
Answer PhoneData::applications(std::vector<Package>&) { return unserved(); }
Answer PhoneData::startApplication(const std::string&, int32_t&) { return unserved(); }
Answer PhoneData::settings(PhoneSettings&) { return unserved(); }
Answer PhoneData::changeSetting(int32_t, int32_t, int32_t&) { return unserved(); }
Answer PhoneData::cache(std::vector<CacheEntry>&) { return unserved(); }
Answer PhoneData::cleanCache(const CleanRequest&, int32_t&) { return unserved(); }
Answer PhoneData::startupItems(std::vector<StartupEntry>&) { return unserved(); }
Answer PhoneData::processes(std::vector<Process>&) { return unserved(); }
Answer PhoneData::endProcesses(const std::vector<std::string>&, int32_t&) { return unserved(); }
Answer PhoneData::freeMemory(int64_t&) { return unserved(); }

}  // namespace zorvik::phone
