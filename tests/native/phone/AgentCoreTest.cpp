// The protocol core's own decisions, apart from any data set: refusals and "nothing" on the wire
// for every command, and requests that do not add up never reaching the data source.
#include "devlink/AgentRequest.h"
#include "devlink/ByteOrder.h"
#include "phone/AgentService.h"

#include <gtest/gtest.h>

#include <string>

namespace zorvik::phone {
namespace {

using C = AgentCommand;

std::string words(std::initializer_list<int32_t> list) {
  std::string out;
  for (int32_t w : list) {
    unsigned char b[4];
    putInt32(w, b);
    out.append(reinterpret_cast<const char*>(b), 4);
  }
  return out;
}

// A well-formed request for every command, in the form its page sends.
Bytes sampleRequest(AgentCommand c) {
  switch (c) {
    case C::ContactDetails: return framedRequest(c, AgentArgs().int32(1).int32(5));
    case C::AddContact:
    case C::UpdateContact: {
      AgentArgs a;
      a.int32(1);
      if (c == C::UpdateContact) a.int32(5);
      a.int32(0).int32(0).int32(0).int32(0).int32(0);
      for (int i = 0; i < 7; ++i) a.int32(0);
      return framedRequest(c, a);
    }
    case C::AddGroup: return framedRequest(c, AgentArgs().int32(1).utf8Text("g"));
    case C::RenameGroup: return framedRequest(c, AgentArgs().int32(1).int32(3).utf8Text("g"));
    case C::ListMessages: return codeAndValueRequest(c, 4);
    case C::SendMessage: return framedRequest(c, AgentArgs().int32(1).utf8Text("10086").utf8Text("hi"));
    case C::DeleteContacts:
    case C::DeleteGroups:
    case C::DeleteMessages:
    case C::DeleteCalls:
    case C::DeleteAlarms:
    case C::DeleteBookmarks: return idListRequest(c, {1, 2});
    case C::DeleteAllCalls: return framedRequest(c, AgentArgs().int32(1));
    case C::AddAlarm:
    case C::UpdateAlarm: {
      AgentArgs a;
      a.int32(1);
      if (c == C::UpdateAlarm) a.int32(2);
      a.int32(7).int32(30).int32(0).int64(0).int32(1).int32(0).utf8Text("t").utf8Text("u");
      return framedRequest(c, a);
    }
    case C::ListFolder: return framedRequest(c, AgentArgs().int32(1).utf8Text("/sdcard"));
    case C::AddBookmark:
    case C::UpdateBookmark: {
      AgentArgs a;
      a.int32(1);
      if (c == C::UpdateBookmark) a.int32(2);
      a.int32(0).utf8Text("t").utf8Text("http://u");
      return framedRequest(c, a);
    }
    case C::StartApplication: return codeOneTotalRequest(c, "com.example");
    case C::ChangeSetting: return framedRequest(c, AgentArgs().int32(1).int32(2).int32(1));
    case C::CleanCache: {
      const unsigned char flags[3] = {1, 0, 0};
      return framedRequest(c, AgentArgs().int32(1).raw(flags, 3).utf8Text("com.example"));
    }
    case C::EndProcesses: return framedRequest(c, AgentArgs().int32(1).utf8Text("com.example"));
    default: return bareRequest(c);
  }
}

std::string answer(PhoneData& data, const Bytes& request) {
  const RequestFrame frame = frameAgentRequest(request.data(), request.size());
  EXPECT_EQ(frame.status, FrameStatus::Complete);
  EXPECT_EQ(frame.size, request.size());
  return answerAgentRequest(data, request.data(), request.size(), 23);
}

TEST(AgentCore, EveryCommandButTheVersionAnswersTheRefusalAndItsReason) {
  PhoneData smsRefused(AgentRefusal::SmsRead), unserved;
  for (AgentCommand c : kAllAgentCommands) {
    const Bytes request = sampleRequest(c);
    if (c == C::AgentVersion) {
      EXPECT_EQ(answer(smsRefused, request), words({23}));
      continue;
    }
    EXPECT_EQ(answer(smsRefused, request), words({kAgentRefused, static_cast<int32_t>(AgentRefusal::SmsRead)}))
        << commandCode(c);
    EXPECT_EQ(answer(unserved, request), words({kAgentRefused, static_cast<int32_t>(AgentRefusal::NotServed)}))
        << commandCode(c);
  }
}

// Counts what reaches it; serves one contact card and nothing else.
class Recording : public PhoneData {
 public:
  int asked = 0;
  Answer contactCard(int32_t id, ContactCard& out) override {
    ++asked;
    if (id != 5) return Answer::nothing();
    out.id = 5;
    return Answer::served();
  }
  Answer deleteCalls(const std::vector<int32_t>& ids, int32_t& status) override {
    ++asked;
    status = static_cast<int32_t>(ids.size());
    return Answer::served();
  }
};

TEST(AgentCore, RequestsThatDoNotAddUpNeverReachTheDataSource) {
  Recording data;
  // The id list's total does not match its count; the card request's count is not 1.
  Bytes badIds = idListRequest(C::DeleteCalls, {1, 2});
  putInt32(3, badIds.data() + 8);
  EXPECT_EQ(answer(data, badIds), words({0}));
  EXPECT_EQ(answer(data, framedRequest(C::ContactDetails, AgentArgs().int32(2).int32(5))), words({kAgentNoReply}));
  EXPECT_EQ(data.asked, 0);

  EXPECT_EQ(answer(data, idListRequest(C::DeleteCalls, {1, 2, 3})), words({3}));
  // Nothing for an unknown id is kAgentNoReply, never an empty card or a refusal.
  EXPECT_EQ(answer(data, framedRequest(C::ContactDetails, AgentArgs().int32(1).int32(6))), words({kAgentNoReply}));
  const std::string card = answer(data, framedRequest(C::ContactDetails, AgentArgs().int32(1).int32(5)));
  ASSERT_GE(card.size(), 16u);
  EXPECT_EQ(getInt32(reinterpret_cast<const unsigned char*>(card.data())), static_cast<int32_t>(card.size() - 4));
  EXPECT_EQ(getInt64(reinterpret_cast<const unsigned char*>(card.data()) + 8), 5);
  EXPECT_EQ(data.asked, 3);
}

}  // namespace
}  // namespace zorvik::phone
