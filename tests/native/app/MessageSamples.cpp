// Writes the messages page's HTML for a virtual-phone data set, as the page builds it: the 870201
// and 870202 replies, read by the page's own parsers, located with LocateNumber and turned into
// HTML by its own builders. The page-render check (app/html/render_samples.py) fills page 661 with
// the thread list and page 662 with conversations. Output (GBK fragments) in the given folder:
// threads.html, and conversation-<threadId>.html for the newest thread and the longest one.
//
//   message_samples <phone.json> <output folder>
#include "devlink/AgentCommand.h"
#include "devlink/AgentRequest.h"
#include "devlink/ByteOrder.h"
#include "pim/LocateNumber.h"
#include "pim/MessageWire.h"
#include "pim/PhoneTable.h"
#include "sim/AgentService.h"
#include "sim/PhoneState.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

bool replyBody(const std::string& reply, std::string& body) {
  if (reply.size() < 4) return false;
  const int32_t length = zorvik::getInt32(reinterpret_cast<const unsigned char*>(reply.data()));
  if (length < 0 || static_cast<size_t>(length) != reply.size() - 4) return false;
  body = reply.substr(4);
  return true;
}

std::string ask(zorvik::sim::PhoneState& phone, const zorvik::Bytes& request) {
  return zorvik::sim::answerAgentRequest(phone, request.data(), request.size(), 21);
}

bool write(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  return static_cast<bool>(out);
}

const unsigned char* bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: message_samples <phone.json> <output folder>\n");
    return 2;
  }
  zorvik::sim::PhoneState phone;
  std::string error, body;
  if (!zorvik::sim::loadPhoneState(argv[1], phone, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  if (!replyBody(ask(phone, zorvik::bareRequest(zorvik::AgentCommand::ListConversations)), body)) {
    std::fprintf(stderr, "the thread list reply is malformed\n");
    return 1;
  }
  const auto threads = zorvik::parseThreadList(bytes(body), body.size());
  if (threads.malformed || threads.records.empty()) {
    std::fprintf(stderr, "the thread list holds no threads\n");
    return 1;
  }
  const zorvik::PhoneTable table;
  std::vector<std::string> locations;
  for (const zorvik::ThreadRecord& t : threads.records) locations.emplace_back(zorvik::LocateNumber(table, t.number));
  const std::string folder = argv[2];
  if (!write(folder + "/threads.html", zorvik::buildThreadListHtml(threads.records, locations))) return 1;

  // The newest thread, and the one with the most messages.
  size_t most = 0;
  int32_t longest = threads.records[0].threadId;
  for (const zorvik::ThreadRecord& t : threads.records) {
    if (!replyBody(ask(phone, zorvik::conversationRequest(t.threadId)), body)) return 1;
    const auto talk = zorvik::parseConversation(bytes(body), body.size());
    if (talk.malformed) {
      std::fprintf(stderr, "thread %d: the conversation ran past its reply\n", t.threadId);
      return 1;
    }
    if (talk.records.size() > most) {
      most = talk.records.size();
      longest = t.threadId;
    }
  }
  for (const int32_t id : {threads.records[0].threadId, longest}) {
    if (!replyBody(ask(phone, zorvik::conversationRequest(id)), body)) return 1;
    const auto talk = zorvik::parseConversation(bytes(body), body.size());
    if (!write(folder + "/conversation-" + std::to_string(id) + ".html", zorvik::buildConversationHtml(talk.records)))
      return 1;
  }
  std::printf("%zu threads, longest conversation %zu messages\n", threads.records.size(), most);
  return 0;
}
