#include "pim/MessageWire.h"

#include <cstdio>

#include "common/HtmlEscape.h"
#include "common/TextConv.h"
#include "common/TimeFormat.h"

namespace zorvik {

WireList<ThreadRecord> parseThreadList(const unsigned char* body, size_t length) {
  return readAgentList<ThreadRecord>(body, length, [](FieldReader& reader, ThreadRecord& r) {
    r.threadId = static_cast<int32_t>(reader.readInt64());
    auto name = reader.readListUtf8TextOrEnd();
    if (!name) return false;
    r.nameUtf8 = std::move(*name);
    r.numberUtf8 = reader.readUtf8Text();
    r.date = reader.readInt64();
    reader.readInt32();
    reader.readInt32();
    r.snippet = reader.readText();
    if (!reader.ok()) return false;
    r.name = toAnsi(r.nameUtf8);
    r.number = toAnsi(r.numberUtf8);
    return true;
  });
}

WireList<MessageRecord> parseConversation(const unsigned char* body, size_t length) {
  return readAgentList<MessageRecord>(body, length, [](FieldReader& reader, MessageRecord& m) {
    reader.readInt64();
    m.received = reader.readInt32() == 1;
    auto address = reader.readListUtf8TextOrEnd();
    if (!address) return false;
    m.addressUtf8 = std::move(*address);
    m.date = reader.readInt64();
    reader.readInt32();
    m.textUtf8 = reader.readUtf8Text();
    reader.readInt32();
    if (!reader.ok()) return false;
    m.address = toAnsi(m.addressUtf8);
    m.text = toAnsi(m.textUtf8);
    return true;
  });
}

WireList<PickerGroup> parsePickerGroups(const unsigned char* body, size_t length) {
  return readAgentList<PickerGroup>(body, length, [](FieldReader& reader, PickerGroup& g) {
    g.groupId = static_cast<int32_t>(reader.readInt64());
    auto name = reader.readListTextOrEnd();
    if (!name) return false;
    g.name = std::move(*name);
    return true;
  });
}

WireList<PickerEntry> parsePickerEntries(const unsigned char* body, size_t length) {
  return readAgentList<PickerEntry>(body, length, [](FieldReader& reader, PickerEntry& e) {
    e.groupId = static_cast<int32_t>(reader.readInt64());
    auto name = reader.readListTextOrEnd();
    if (!name) return false;
    e.name = std::move(*name);
    e.number = reader.readText();
    return reader.ok();
  });
}

Bytes conversationRequest(int32_t threadId) { return codeAndValueRequest(AgentCommand::ListMessages, threadId); }

Bytes deleteThreadRequest(int32_t threadId) {
  return framedRequest(AgentCommand::DeleteMessages, AgentArgs().int32(1).int32(threadId));
}

Bytes sendMessageRequest(const std::vector<std::string>& numbers, const std::string& ansiText) {
  return sendUtf8MessageRequest(numbers, toUtf8(ansiText));
}

Bytes sendUtf8MessageRequest(const std::vector<std::string>& numbers, const std::string& utf8Text) {
  AgentArgs args;
  args.int32(static_cast<int32_t>(numbers.size()));
  for (const std::string& n : numbers) args.int32(static_cast<int32_t>(n.size())).raw(n.data(), n.size());
  args.utf8Text(utf8Text);
  return framedRequest(AgentCommand::SendMessage, args);
}

std::vector<std::string> splitRecipients(const std::string& text) {
  std::vector<std::string> numbers;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t semi = text.find(';', start);
    const std::string piece = text.substr(start, semi == std::string::npos ? std::string::npos : semi - start);
    if (piece.empty()) break;
    const size_t open = piece.find('<');
    if (open == std::string::npos) {
      numbers.push_back(piece);
    } else {
      const size_t close = piece.find('>', open + 1);
      numbers.push_back(piece.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1));
    }
    if (semi == std::string::npos) break;
    start = semi + 1;
  }
  return numbers;
}

namespace {
std::string trimmed(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  const size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}
}  // namespace

std::string pickerNumber(const std::string& number) {
  std::string out;
  for (const char c : number) {
    if (c == ',' || c == ';') break;
    if (c != '<' && c != '>' && c != '"') out += c;
  }
  return trimmed(out);
}

std::string recipientText(const std::string& name, const std::string& number) {
  // A name and a number are the phone's data: their own ";", "<", ">" or quote would cut the
  // field into pieces that are sent as numbers. (Byte-wise safe on GBK: trail bytes are 0x40 and
  // above.)
  std::string shown = name;
  for (char& c : shown)
    if (c == ';' || c == '<' || c == '>' || c == '"') c = ' ';
  return "\"" + shown + "\" <" + pickerNumber(number) + ">;";
}

namespace {

// Every non-blank piece of the field between ";" (trimmed).
std::vector<std::string> pieces(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t semi = text.find(';', start);
    if (semi == std::string::npos) semi = text.size();
    std::string piece = trimmed(text.substr(start, semi - start));
    if (!piece.empty()) out.push_back(std::move(piece));
    start = semi + 1;
  }
  return out;
}

std::string numberOf(const std::string& piece) {
  const size_t open = piece.find('<');
  if (open == std::string::npos) return trimmed(piece);
  const size_t close = piece.find('>', open + 1);
  return trimmed(piece.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1));
}
}  // namespace

std::vector<std::string> recipientNumbers(const std::string& text) {
  std::vector<std::string> numbers;
  for (const std::string& piece : pieces(text)) {
    std::string n = numberOf(piece);
    if (!n.empty()) numbers.push_back(std::move(n));
  }
  return numbers;
}

std::string addRecipient(const std::string& text, const std::string& name, const std::string& number) {
  const std::string wanted = pickerNumber(number);
  if (wanted.empty()) return text;
  for (const std::string& n : recipientNumbers(text))
    if (n == wanted) return text;
  std::string out = trimmed(text);
  if (!out.empty() && out.back() != ';') out += ';';
  return out + recipientText(name, number);
}

std::string removeRecipient(const std::string& text, const std::string& number) {
  std::string out;
  const std::string gone = pickerNumber(number);
  for (const std::string& piece : pieces(text))
    if (numberOf(piece) != gone) out += piece + ";";
  return out;
}

std::string deleteThreadsQuestion(size_t count) {
  char text[96];
  std::snprintf(text, sizeof text, "您真的要删除选择的【 %d 】个会话吗？", static_cast<int>(count));
  return text;
}

ThreadLink parseThreadLink(const std::string& command) {
  ThreadLink link;
  if (command.size() < 5) return link;
  const std::string head = command.substr(0, 4), digits = command.substr(4);
  size_t i = digits[0] == '-' ? 1 : 0;
  if (i == digits.size() || digits.size() > 11) return link;
  long long v = 0;
  for (; i < digits.size(); ++i) {
    if (digits[i] < '0' || digits[i] > '9') return link;
    v = v * 10 + (digits[i] - '0');
  }
  if (digits[0] == '-') v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return link;
  if (head == "vid=") link.action = ThreadAction::Open;
  else if (head == "did=") link.action = ThreadAction::Delete;
  else return link;
  link.threadId = static_cast<int32_t>(v);
  return link;
}

namespace {
std::string idText(const char* form, int32_t id) {
  char text[32];
  std::snprintf(text, sizeof text, form, static_cast<int>(id));
  return text;
}
}  // namespace

std::string buildThreadListHtml(const std::vector<ThreadRecord>& threads, const std::vector<std::string>& locations) {
  std::string html;
  html.reserve(30000);
  for (size_t i = 0; i < threads.size(); ++i) {
    const ThreadRecord& t = threads[i];
    const std::string vid = idText("vko:vid=%d", t.threadId);
    html += "<li><span class=tool><a href='";
    html += idText("vko:did=%d", t.threadId);
    html += "'>删除</a> </span> <span class=sender><a href='";
    html += vid;
    html += "'>";
    html += htmlEscape(t.name);
    html += "</a></span><span class=location>[";
    html += htmlEscape(t.number);
    html += " ";
    html += htmlEscape(i < locations.size() ? locations[i] : std::string());
    html += "]</span><span class='time'>";
    html += formatPhoneTime(t.date, "N/A");
    html += "</span><p class=text><span><a href='javascript:void(0)'><img src='s_checked.gif'></a> </span><a href='";
    html += vid;
    html += "'>";
    html += htmlEscape(t.snippet);
    html += "</a></p></li>";
  }
  return html;
}

std::string buildConversationHtml(const std::vector<MessageRecord>& messages) {
  std::string html;
  html.reserve(15000);
  for (const MessageRecord& m : messages) {
    html += "<div class='entry'><ul class='detail_ul'><li><strong>";
    html += m.received ? htmlEscape(m.address) : std::string("本机");
    html += "</strong><span>[";
    html += formatPhoneTime(m.date, "N/A");
    html += m.received ? "]</span></li><li><dl class='remote'><dd><span>对您说：</span>"
                       : "]</span></li><li><dl class='me'><dd><span>我说：</span>";
    html += htmlEscape(m.text);
    html += "<div></div></dd></dl></li></ul><div class='clear'></div></div>";
  }
  return html;
}

}  // namespace zorvik
