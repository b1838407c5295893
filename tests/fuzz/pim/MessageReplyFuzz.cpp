// Message, thread and picker replies from a confused or hostile phone: every walk ends inside the
// body and no phone text becomes markup in the pages built from it.
#include "pim/MessageWire.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto threads = zorvik::parseThreadList(data, size);
  const auto messages = zorvik::parseConversation(data, size);
  zorvik::parsePickerGroups(data, size);
  zorvik::parsePickerEntries(data, size);
  const std::string list = zorvik::buildThreadListHtml(threads.records, {});
  const std::string talk = zorvik::buildConversationHtml(messages.records);
  if (list.find("<script") != std::string::npos || talk.find("<script") != std::string::npos) std::abort();
  const std::string recipients(reinterpret_cast<const char*>(data), size);
  for (const std::string& n : zorvik::splitRecipients(recipients))
    if (n.size() > size || n.find(';') != std::string::npos) std::abort();
  // The picker's edits: what was added is named afterwards, what was removed is not.
  const std::string added = zorvik::addRecipient(recipients, "x", "123");
  const auto named = zorvik::recipientNumbers(added);
  if (std::find(named.begin(), named.end(), "123") == named.end()) std::abort();
  const auto left = zorvik::recipientNumbers(zorvik::removeRecipient(added, "123"));
  if (std::find(left.begin(), left.end(), "123") != left.end()) std::abort();
  zorvik::parseThreadLink(recipients);
  if (zorvik::splitRecipients(zorvik::recipientText(recipients, "55")) != std::vector<std::string>{"55"}) std::abort();
  return 0;
}
