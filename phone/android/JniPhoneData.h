#pragma once
// The phone's data from Android's own providers, through JNI: contacts, groups, text messages,
// the call log and the device facts. Contact changes go to the contacts provider as one
// ContentProviderOperation batch, so a change that fails changes nothing. What the phone refuses
// (a SecurityException: a permission not granted or revoked; deleting messages while another app
// is the default SMS app) is answered as the area's refusal, never as an empty list; a provider
// that fails otherwise (it died mid-walk, say) is a refusal of reason Unknown. Folders come from the
// file system (phone/android/FileFolder.h). What current Android gives no app (the clock's alarms,
// a browser's bookmarks, other apps' processes) is refused as such; free memory is served. The
// installed applications come from the package manager (icons as PNG within the page's buffer) and
// start through their launch intent. The phone settings (JniSettings.cpp) come from Settings and
// AudioManager, and a change the phone allows no app is refused as such; the cleaner
// (JniCleaner.cpp) reads other apps' cache sizes through StorageStatsManager (with the usage
// access the PC grants) and clears only the agent's own cache. The start-up items are the receivers
// the package manager resolves for the page's events (JniStartup.cpp); an alarm is added through
// the clock app's intent (JniAlarms.cpp).
//
// Any thread may call in: threadEnv() attaches it to the JVM (and detaches it when it ends).
#include "phone/PhoneData.h"
#include "phone/android/jni/Jni.h"

namespace zorvik::phone {

// What the agent answers as 870002's client code.
inline constexpr int32_t kAndroidClientCode = 1001;

class JniPhoneData : public PhoneData {
 public:
  // context: the application's Context. loadLanguageClasses and loadFramework must have
  // succeeded before.
  JniPhoneData(JNIEnv* env, jobject context);

  Answer phoneInfo(PhoneInfo& out) override;
  Answer systemInfo(SystemInfo& out) override;

  Answer contacts(std::vector<ContactSummary>& out) override;
  Answer contactCard(int32_t id, ContactCard& out) override;
  Answer saveContact(const ContactEdit& edit, bool update, int32_t& status) override;
  Answer deleteContacts(const std::vector<int32_t>& ids, int32_t& status) override;

  Answer groups(std::vector<Group>& out) override;
  Answer addGroup(const std::string& title, int32_t& status) override;
  Answer renameGroup(int32_t id, const std::string& title, int32_t& status) override;
  Answer deleteGroups(const std::vector<int32_t>& ids, int32_t& status) override;
  Answer pickerContacts(std::vector<PickerContact>& out) override;

  Answer threads(std::vector<ThreadSummary>& out) override;
  Answer conversation(int32_t threadId, std::vector<ConversationMessage>& out) override;
  Answer sendMessage(const std::vector<std::string>& numbers, const std::string& text, int32_t& status) override;
  Answer deleteThreads(const std::vector<int32_t>& ids, int32_t& status) override;

  Answer calls(std::vector<Call>& out) override;
  Answer deleteCalls(const std::vector<int32_t>& ids, int32_t& status) override;
  Answer deleteAllCalls(int32_t& status) override;

  Answer alarms(std::vector<Alarm>& out) override;
  Answer saveAlarm(const Alarm& alarm, bool update, int32_t& status) override;
  Answer deleteAlarms(const std::vector<int32_t>& ids, int32_t& status) override;
  Answer folder(const std::string& folder, std::vector<FileEntry>& out) override;
  Answer bookmarks(std::vector<Bookmark>& out) override;
  Answer saveBookmark(const Bookmark& bookmark, bool update, int32_t& status) override;
  Answer deleteBookmarks(const std::vector<int32_t>& ids, int32_t& status) override;

  Answer applications(std::vector<Package>& out) override;
  Answer startApplication(const std::string& package, int32_t& status) override;

  Answer startupItems(std::vector<StartupEntry>& out) override;
  Answer settings(PhoneSettings& out) override;
  Answer changeSetting(int32_t number, int32_t value, int32_t& status) override;
  Answer cache(std::vector<CacheEntry>& out) override;
  Answer cleanCache(const CleanRequest& request, int32_t& status) override;

  Answer processes(std::vector<Process>& out) override;
  Answer endProcesses(const std::vector<std::string>& names, int32_t& status) override;
  Answer freeMemory(int64_t& bytes) override;

 private:
  jni::Global context_;
  jni::Global resolver_;
};

}  // namespace zorvik::phone
