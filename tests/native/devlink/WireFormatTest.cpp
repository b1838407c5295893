// Request forms and the reply cursor: bytes on the wire as the agent expects them.
#include "devlink/AgentRequest.h"
#include "devlink/ByteOrder.h"
#include "devlink/FieldReader.h"
#include "support/BodyWriter.h"

#include <gtest/gtest.h>

#include <set>

namespace zorvik {
namespace {

using test::BodyWriter;

TEST(ByteOrder, BigEndianBothWays) {
  unsigned char b[8];
  putInt64(1, b);
  EXPECT_EQ(Bytes(b, b + 8), (Bytes{0, 0, 0, 0, 0, 0, 0, 1}));
  putInt64(-2, b);
  EXPECT_EQ(Bytes(b, b + 8), (Bytes{0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xfe}));
  EXPECT_EQ(getInt64(b), -2);
  putInt32(kAgentListEnd, b);
  EXPECT_EQ(Bytes(b, b + 4), (Bytes{0x0D, 0xF0, 0xAD, 0xBA}));
  EXPECT_EQ(getInt32(b), kAgentListEnd);
  const unsigned char high[4] = {0x80, 0, 0, 1};
  EXPECT_EQ(getInt32(high), INT32_MIN + 1);
  const unsigned char big[8] = {0x01, 0x02, 0x03, 0x04, 0xF5, 0x06, 0x07, 0x08};
  EXPECT_EQ(getInt64(big), 0x01020304F5060708LL);
}

TEST(AgentCommand, FortyOneDistinctCodesInTheirAreas) {
  std::set<int32_t> codes;
  for (AgentCommand c : kAllAgentCommands) {
    const int32_t code = commandCode(c);
    EXPECT_EQ(code / 10000, 87) << code;
    codes.insert(code);
  }
  EXPECT_EQ(codes.size(), 41u);
  EXPECT_EQ(kAgentNoReply, 0x075BCD17);
  EXPECT_EQ(kAgentListEnd, 0x0DF0ADBA);
}

TEST(AgentRequest, EveryFormHasItsLayout) {
  EXPECT_EQ(bareRequest(AgentCommand::ListContacts), (Bytes{0x00, 0x0D, 0x46, 0xD5}));
  EXPECT_EQ(framedRequest(AgentCommand::ContactDetails, AgentArgs().int32(1).int32(42)),
            (Bytes{0x00, 0x0D, 0x46, 0xD6, 0, 0, 0, 16, 0, 0, 0, 1, 0, 0, 0, 42}));
  EXPECT_EQ(framedRequest(AgentCommand::DeleteAllCalls, AgentArgs().int32(1)),
            (Bytes{0x00, 0x0D, 0x47, 0xA0, 0, 0, 0, 12, 0, 0, 0, 1}));
  EXPECT_EQ(codeAndValueRequest(AgentCommand::ListMessages, 5), (Bytes{0x00, 0x0D, 0x47, 0x3A, 0, 0, 0, 5}));
  EXPECT_EQ(idListRequest(AgentCommand::DeleteCalls, {}), (Bytes{0x00, 0x0D, 0x47, 0x9F, 0, 0, 0, 12, 0, 0, 0, 0}));
  const Bytes start = codeOneTotalRequest(AgentCommand::StartApplication, "com.a");
  EXPECT_EQ(start, (Bytes{0x00, 0x0D, 0x49, 0x95, 0, 0, 0, 1, 0, 0, 0, 21, 0, 0, 0, 5, 'c', 'o', 'm', '.', 'a'}));
}

TEST(AgentRequest, ChineseTextTravelsAsUtf8WithItsByteCount) {
  // "联系" in the program's GBK, as the compiler stores it.
  const std::string ansi = "联系";
  ASSERT_EQ(ansi, "\xc1\xaa\xcf\xb5");
  const Bytes request = framedRequest(AgentCommand::AddGroup, AgentArgs().int32(1).text(ansi));
  EXPECT_EQ(request, (Bytes{0x00, 0x0D, 0x46, 0xE9, 0, 0, 0, 22, 0, 0, 0, 1, 0, 0, 0, 6,
                            0xE8, 0x81, 0x94, 0xE7, 0xB3, 0xBB}));
}

TEST(FieldReader, WalksAListAndStopsAtTheEndMark) {
  auto w = BodyWriter::body();
  w.i64(11).i64(12).utf8("\xE5\xBC\xA0\xE4\xB8\x89").i32(5);  // 张三
  w.i64(21).i64(22).utf8("Bo").i32(6);
  w.i64(0).i64(0).i32(kAgentListEnd);
  FieldReader reader(w.bytes.data(), w.bytes.size());
  EXPECT_EQ(reader.position(), 4u);
  std::vector<std::string> names;
  while (reader.hasMoreRecords()) {
    reader.readInt64();
    reader.readInt64();
    auto name = reader.readListTextOrEnd();
    if (!name) break;
    reader.readInt32();
    names.push_back(*name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"张三", "Bo"}));
  EXPECT_TRUE(reader.listEnded());
  EXPECT_TRUE(reader.ok());
}

TEST(FieldReader, EndMarkInTheFirstRecordMeansAnEmptyList) {
  auto w = BodyWriter::body();
  w.i64(99).i64(98).i32(kAgentListEnd);
  FieldReader reader(w.bytes.data(), w.bytes.size());
  ASSERT_TRUE(reader.hasMoreRecords());
  reader.readInt64();
  reader.readInt64();
  EXPECT_FALSE(reader.readListTextOrEnd());
  EXPECT_TRUE(reader.listEnded());
  EXPECT_FALSE(reader.hasMoreRecords());
}

TEST(FieldReader, FieldsRunningPastTheBodyEndTheListWithoutReadingPastIt) {
  auto w = BodyWriter::body();
  w.i64(1).utf8("abc");
  // A text count that claims more than the body holds, at every possible cut.
  auto lying = BodyWriter::body();
  lying.i64(1).i32(1000).bytes.push_back('x');
  const Bytes* bodies[] = {&w.bytes, &lying.bytes};
  for (const Bytes* body : bodies) {
    for (size_t cut = 4; cut <= body->size(); ++cut) {
      const Bytes prefix(body->begin(), body->begin() + static_cast<long>(cut));
      FieldReader reader(prefix.data(), prefix.size());
      reader.readInt64();
      const auto text = reader.readListTextOrEnd();
      const bool whole = body == &w.bytes && cut == body->size();
      EXPECT_EQ(reader.ok(), whole) << cut;
      EXPECT_EQ(text.has_value(), whole) << cut;
      EXPECT_FALSE(reader.listEnded());
      EXPECT_LE(reader.position(), prefix.size());
      if (!whole) {
        EXPECT_FALSE(reader.hasMoreRecords());
        EXPECT_EQ(reader.readInt32(), 0);  // sticky: nothing more is read
      }
    }
  }
}

TEST(FieldReader, NegativeTextCountIsMalformed) {
  auto w = BodyWriter::body();
  w.i32(-1).i32(0).i32(0);
  FieldReader reader(w.bytes.data(), w.bytes.size());
  EXPECT_EQ(reader.readText(), "");
  EXPECT_FALSE(reader.ok());
}

TEST(FieldReader, HasMoreRecordsNeedsTwoUnreadBytes) {
  Bytes body{0, 0, 0, 0, 1};
  EXPECT_FALSE(FieldReader(body.data(), body.size()).hasMoreRecords());
  body.push_back(2);
  EXPECT_TRUE(FieldReader(body.data(), body.size()).hasMoreRecords());
  EXPECT_FALSE(FieldReader(body.data(), 2).hasMoreRecords());  // shorter than the header word
}

TEST(FieldReader, ReadAndSkipCopyExactlyWhatTheyAreAskedFor) {
  auto w = BodyWriter::body();
  w.i32(0x01020304).i32(0x05060708);
  FieldReader reader(w.bytes.data(), w.bytes.size());
  EXPECT_TRUE(reader.skip(2));
  std::string two;
  EXPECT_TRUE(reader.read(2, two));
  EXPECT_EQ(two, "\x03\x04");
  unsigned char four[4] = {};
  EXPECT_FALSE(reader.read(5, four));
  EXPECT_EQ(four[0], 0);
  EXPECT_EQ(reader.position(), 8u);
}

}  // namespace
}  // namespace zorvik
