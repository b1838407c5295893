#pragma once
// Text messages on the wire: the thread list (870201), one thread (870202), sending (870204),
// deleting a thread (870206) and the recipient picker's groups (870120) and entries (870150); the
// splitting of a typed recipient text into numbers; the HTML of the thread list and of one
// conversation (every phone-supplied text escaped).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "devlink/AgentList.h"
#include "devlink/AgentRequest.h"

namespace zorvik {

// The texts are the program's ANSI copies (shown in the pages; GBK may have lost characters), and
// beside them the phone's own UTF-8 bytes, which exports write.
struct ThreadRecord {
  int32_t threadId = 0;  // low 32 bits
  std::string name, number, snippet;  // ANSI
  int64_t date = 0;  // milliseconds since 1970 UTC
  std::string nameUtf8, numberUtf8;
};

struct MessageRecord {
  bool received = false;  // direction 1
  std::string address;    // the other party's number (ANSI)
  int64_t date = 0;
  std::string text;       // ANSI
  std::string addressUtf8, textUtf8;
};

struct PickerGroup {
  int32_t groupId = 0;
  std::string name;
};

struct PickerEntry {
  int32_t groupId = 0;
  std::string name, number;
};

WireList<ThreadRecord> parseThreadList(const unsigned char* body, size_t length);
WireList<MessageRecord> parseConversation(const unsigned char* body, size_t length);
WireList<PickerGroup> parsePickerGroups(const unsigned char* body, size_t length);
WireList<PickerEntry> parsePickerEntries(const unsigned char* body, size_t length);

Bytes conversationRequest(int32_t threadId);  // code and the id, 8 bytes
Bytes deleteThreadRequest(int32_t threadId);  // 16 bytes
// Numbers travel as typed (no conversion); the text as UTF-8.
Bytes sendMessageRequest(const std::vector<std::string>& numbers, const std::string& ansiText);
// The same with the text in UTF-8 already (the compose box is read in Unicode).
Bytes sendUtf8MessageRequest(const std::vector<std::string>& numbers, const std::string& utf8Text);

// The recipient field: pieces split at ";" in order, up to the first empty one; a piece with "<"
// gives what stands between "<" and ">" (or the end), any other piece itself.
std::vector<std::string> splitRecipients(const std::string& text);
// How the picker writes a known recipient: "\"name\" <number>;" (the name's own ; < > " become
// spaces; the number is its pickerNumber).
std::string recipientText(const std::string& name, const std::string& number);
// A contact's number as a message recipient: the part before a pause or wait ("," or ";", after
// which a dialler sends tones, never part of the address), without the field's own "<", ">" and
// quotes, spaces around it trimmed. Empty when nothing is left to send to.
std::string pickerNumber(const std::string& number);

// Keeping the picker's ticks and the recipient field in step. Unlike the send split these look at
// every non-blank piece (the user may be half-way through typing), and compare numbers with the
// spaces around them trimmed.
std::vector<std::string> recipientNumbers(const std::string& text);
// The field with "\"name\" <number>;" appended, unless the number is in it already or its
// pickerNumber is empty.
std::string addRecipient(const std::string& text, const std::string& name, const std::string& number);
// The field without the pieces naming `number`; the other pieces keep their text, each ended by ";".
std::string removeRecipient(const std::string& text, const std::string& number);

// The confirmation of a thread delete: "您真的要删除选择的【 n 】个会话吗？"
std::string deleteThreadsQuestion(size_t count);

// An in-page command of the thread list: "vid=<id>" opens the thread, "did=<id>" deletes it.
enum class ThreadAction { None, Open, Delete };
struct ThreadLink {
  ThreadAction action = ThreadAction::None;
  int32_t threadId = 0;
};
// Anything else, and an id that is not a whole decimal number in range, is None.
ThreadLink parseThreadLink(const std::string& command);

// The inner HTML of "sms_ul" (page 661); locations[i] is the place of threads[i]'s number.
std::string buildThreadListHtml(const std::vector<ThreadRecord>& threads, const std::vector<std::string>& locations);
// The inner HTML of "conversation_list" (page 662).
std::string buildConversationHtml(const std::vector<MessageRecord>& messages);

}  // namespace zorvik
