#pragma once
// Text messages written out for the user to keep or open elsewhere: a plain text file and a CSV
// table, both UTF-8 with a byte-order mark (spreadsheet programs then read Chinese correctly).
#include <string>
#include <vector>

#include "pim/MessageWire.h"

namespace zorvik {

// One thread with its messages, as the parsers give them: the phone's UTF-8 bytes are written
// (the ANSI copies only for records that lack them).
struct ConversationExport {
  ThreadRecord thread;
  std::vector<MessageRecord> messages;
};

// Per thread a heading "==== name <number> (n 条) ====", then one line per message
// "time  who 对您说：/我说：text" (line breaks inside a text continue indented), a blank line
// between threads; CRLF line ends.
std::string conversationsText(const std::vector<ConversationExport>& conversations);
// Header "会话,联系人,号码,方向,时间,内容", one row per message, CRLF row ends; see csvField.
std::string conversationsCsv(const std::vector<ConversationExport>& conversations);
// One CSV cell: quoted (inner quotes doubled) when it holds a comma, quote, line break or leading
// or trailing space. With `guardFormula`, a cell a spreadsheet would take for a formula (starting
// with = + - @, tab or CR) gets a leading "'" first: a received text must not run as a formula.
std::string csvField(const std::string& text, bool guardFormula);

}  // namespace zorvik
