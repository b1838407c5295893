#include "pim/MessageExport.h"

#include <cstdio>

#include "common/TextConv.h"
#include "common/TimeFormat.h"

namespace zorvik {

namespace {
const char kBom[] = "\xEF\xBB\xBF";

// Line breaks of a message as CRLF, each continuation line indented under the text.
std::string withLineBreaks(const std::string& text, const char* indent) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\r\n";
      out += indent;
    } else {
      out += c;
    }
  }
  return out;
}

// A text as the phone holds it: its own UTF-8 bytes when the record has them, else the ANSI copy
// converted (records built by hand).
std::string utf8Of(const std::string& ansi, const std::string& utf8) { return utf8.empty() ? toUtf8(ansi) : utf8; }

std::string who(const ConversationExport& c, const MessageRecord& m) {
  if (!m.received) return toUtf8("本机");
  const std::string name = utf8Of(c.thread.name, c.thread.nameUtf8);
  return name.empty() ? utf8Of(m.address, m.addressUtf8) : name;
}
}  // namespace

std::string conversationsText(const std::vector<ConversationExport>& conversations) {
  std::string utf8 = kBom;
  for (size_t i = 0; i < conversations.size(); ++i) {
    const ConversationExport& c = conversations[i];
    if (i) utf8 += "\r\n";
    char count[32];
    std::snprintf(count, sizeof count, " (%d ", static_cast<int>(c.messages.size()));
    utf8 += "==== " + withLineBreaks(utf8Of(c.thread.name, c.thread.nameUtf8), "") + " <" +
            utf8Of(c.thread.number, c.thread.numberUtf8) + ">" + count + toUtf8("条") + ") ====\r\n";
    for (const MessageRecord& m : c.messages) {
      utf8 += formatPhoneTime(m.date, "N/A") + "  " + who(c, m) + toUtf8(m.received ? " 对您说：" : " 我说：");
      utf8 += withLineBreaks(utf8Of(m.text, m.textUtf8), "    ") + "\r\n";
    }
  }
  return utf8;
}

std::string csvField(const std::string& text, bool guardFormula) {
  std::string cell = text;
  if (guardFormula && !cell.empty() && std::string("=+-@\t\r").find(cell[0]) != std::string::npos)
    cell.insert(0, "'");
  const bool quote = cell.find_first_of(",\"\r\n") != std::string::npos ||
                     (!cell.empty() && (cell.front() == ' ' || cell.back() == ' '));
  if (!quote) return cell;
  std::string out = "\"";
  for (char c : cell) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string conversationsCsv(const std::vector<ConversationExport>& conversations) {
  std::string utf8 = kBom + toUtf8("会话,联系人,号码,方向,时间,内容") + "\r\n";
  for (const ConversationExport& c : conversations) {
    const std::string thread = std::to_string(c.thread.threadId);
    const std::string name = csvField(utf8Of(c.thread.name, c.thread.nameUtf8), true);
    // A number is guarded only against what no number starts with: "+86..." stays a number.
    const std::string rawNumber = utf8Of(c.thread.number, c.thread.numberUtf8);
    const std::string number = csvField(rawNumber, rawNumber.find_first_of("=@") == 0);
    for (const MessageRecord& m : c.messages) {
      utf8 += thread + "," + name + "," + number + "," + toUtf8(m.received ? "接收" : "发送") + "," +
              formatPhoneTime(m.date, "N/A") + "," + csvField(utf8Of(m.text, m.textUtf8), true) + "\r\n";
    }
  }
  return utf8;
}

}  // namespace zorvik
