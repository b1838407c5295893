// The feedback form: 870002, the checks, the JSON and its CheckSum, the per-run limit.
#include <gtest/gtest.h>
#include <json/json.h>

#include <string>

#include "common/TextConv.h"
#include "info/Feedback.h"

#include "devlink/BasicFacts.h"

namespace zorvik {
namespace {

// Stands in for md5hex so the composition can be read back (the digest itself is checked under
// Windows, where md5hex lives).
std::string fakeMd5(std::string_view bytes) { return "<" + std::string(bytes) + ">" + std::string(32, '.'); }

std::string bodyOf(int32_t client, int32_t sdk, int32_t count, const std::string& text) {
  std::string b(4, '\0');
  for (int32_t v : {client, sdk, count})
    for (int s = 24; s >= 0; s -= 8) b += static_cast<char>((static_cast<uint32_t>(v) >> s) & 0xFF);
  return b + text;
}
// The feedback form is filled only from a complete reply.
std::optional<BasicFacts> parse(const std::string& b) {
  BasicFacts facts;
  if (readBasicFacts(reinterpret_cast<const unsigned char*>(b.data()), b.size(), facts) != BasicFactsRead::Complete)
    return std::nullopt;
  return facts;
}

TEST(FeedbackFacts, ReadsClientSdkAndModel) {
  auto f = parse(bodyOf(7, 10, 6, "\xE5\xB0\x8F" "abc"));  // "小abc" in UTF-8
  ASSERT_TRUE(f);
  EXPECT_EQ(f->clientCode, 7);
  EXPECT_EQ(f->apiLevel, 10);
  EXPECT_EQ(f->modelName, "小abc");
}

TEST(FeedbackFacts, EndMarkShortAndCutBodiesFillNothing) {
  EXPECT_FALSE(parse(bodyOf(7, 10, 233876922, "")));
  EXPECT_FALSE(parse(bodyOf(7, 10, 9, "abc")));
  EXPECT_FALSE(parse(bodyOf(7, 10, -1, "abc")));
  const std::string whole = bodyOf(7, 10, 3, "abc");
  for (size_t n = 0; n < whole.size(); ++n) EXPECT_FALSE(parse(whole.substr(0, n))) << n;
}

FeedbackForm goodForm() {
  FeedbackForm f;
  f.platformIndex = 0;
  f.firmware = "Android 2.2";
  f.model = "Nexus One";
  f.content = "连接很慢";
  f.qq = "12345";
  f.email = "a@b.c";
  f.clientCode = 3;
  f.pc = feedbackPc(6, 1);
  return f;
}

TEST(FeedbackForm, ThreeBytesOfContentAreRefused) {
  FeedbackForm f = goodForm();
  f.content = "好a";  // two bytes and one
  FeedbackRequest r = buildFeedbackRequest(f, fakeMd5);
  EXPECT_STREQ(r.refusal, "您的反馈内容过少");
  EXPECT_TRUE(r.json.empty());
  f.content = "好好";
  EXPECT_EQ(buildFeedbackRequest(f, fakeMd5).refusal, nullptr);
}

TEST(FeedbackForm, ShortFirmwareThenShortModelAreRefused) {
  FeedbackForm f = goodForm();
  f.firmware = "2";
  f.model = "";
  EXPECT_STREQ(buildFeedbackRequest(f, fakeMd5).refusal, "请输入有效的固件版本");
  f.firmware = "22";
  EXPECT_STREQ(buildFeedbackRequest(f, fakeMd5).refusal, "请输入有效的机型");
}

TEST(FeedbackForm, WindowsSevenIsPc61AndXp51) {
  EXPECT_EQ(feedbackPc(6, 1), 61);
  EXPECT_EQ(feedbackPc(5, 1), 51);
}

Json::Value sent(const FeedbackForm& f) {
  FeedbackRequest r = buildFeedbackRequest(f, fakeMd5);
  Json::Value v;
  std::string errors;
  std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
  EXPECT_TRUE(reader->parse(r.json.data(), r.json.data() + r.json.size(), &v, &errors)) << errors;
  return v;
}

TEST(FeedbackForm, JsonMembersInUtf8WithTheCheckSum) {
  FeedbackForm f = goodForm();
  f.platformIndex = 1;
  Json::Value v = sent(f);
  EXPECT_EQ(v["Platform"].asString(), "Ophone");
  EXPECT_EQ(v["Pc"].asInt(), 61);
  EXPECT_EQ(v["Client"].asInt(), 3);
  EXPECT_EQ(v["Content"].asString(), toUtf8("连接很慢"));
  EXPECT_EQ(v["Model"].asString(), "Nexus One");
  EXPECT_EQ(v["Rom"].asString(), "Android 2.2");
  EXPECT_EQ(v["QQ"].asString(), "12345");
  EXPECT_EQ(v["Email"].asString(), "a@b.c");
  const std::string inner = fakeMd5("Ophone") + fakeMd5(toUtf8("连接很慢"));
  EXPECT_EQ(v["CheckSum"].asString(), fakeMd5(inner).substr(3, 16));
  EXPECT_EQ(v.size(), 9u);
}

TEST(FeedbackForm, NoPlatformSelectionSendsAndroid) {
  FeedbackForm f = goodForm();
  f.platformIndex = -1;
  EXPECT_EQ(sent(f)["Platform"].asString(), "Android");
}

// The JSON travels unencoded in a form body: '&' would end the field and '+'/'%' be decoded.
TEST(FeedbackForm, FormSyntaxInTheContentSurvivesAsJsonEscapes) {
  FeedbackForm f = goodForm();
  f.content = "a&b=c+d%20";
  FeedbackRequest r = buildFeedbackRequest(f, fakeMd5);
  EXPECT_EQ(r.json.find_first_of("&+%="), std::string::npos);
  EXPECT_EQ(sent(f)["Content"].asString(), "a&b=c+d%20");
}

TEST(FeedbackForm, AddressAndReply) {
  EXPECT_EQ(feedbackUrl("http://127.0.0.1:9/"), "http://127.0.0.1:9/feedback/feedback.php");
  for (const char* accepted : {"ok", " OK\r\n", "Ok\n", "\tok ", "ok/r/n", " OK /r/n/r/n"})
    EXPECT_TRUE(feedbackAccepted(accepted)) << accepted;
  for (const char* refused : {"", " \r\n", "o", "okay", "ok ok", "not ok", "<html>error</html>\r\n",
                              "<html><body>Please book your login</body></html>", "token=ok1", "ok/r/nok/r/n",
                              "/r/n", "<html>/r/nbook/r/n</html>/r/n"})
    EXPECT_FALSE(feedbackAccepted(refused)) << refused;
}

TEST(FeedbackGate, TheSixthClickDoesNothingWhateverTheResults) {
  FeedbackGate gate;
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(gate.tryStart()) << i;
    EXPECT_FALSE(gate.tryStart());  // one at a time
    gate.finish(true);
  }
  EXPECT_FALSE(gate.tryStart());
  EXPECT_EQ(gate.count(), 5);
}

TEST(FeedbackGate, RefusedFormsDoNotCount) {
  FeedbackGate gate;
  for (int i = 0; i < 10; ++i) {
    ASSERT_TRUE(gate.tryStart());
    gate.finish(false);
  }
  EXPECT_EQ(gate.count(), 0);
}

}  // namespace
}  // namespace zorvik
