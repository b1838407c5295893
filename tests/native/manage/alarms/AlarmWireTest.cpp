// The alarm exchanges: 870402/870403/870405 byte for byte (totals, empty and Chinese texts, no
// ids), the 870401 reply with its end mark, cut and hostile bodies, the repeat texts and the
// editor's 12-hour clock.
#include "manage/alarms/AlarmWire.h"

#include <gtest/gtest.h>

#include <climits>

#include "common/TextConv.h"
#include "devlink/AgentCommand.h"
#include "support/BodyWriter.h"

namespace zorvik {
namespace {

using test::BodyWriter;

WireList<AlarmRow> parse(const BodyWriter& w) { return parseAlarmList(w.bytes.data(), w.bytes.size()); }

BodyWriter& alarm(BodyWriter& w, int64_t id, int32_t hour, int32_t minute, int32_t days, const std::string& title,
                  const std::string& tone = "Argon", const std::string& uri = "content://media/internal/audio/media/7") {
  w.i64(id).i32(hour).i32(minute).i32(days).i32(1).i32(0);
  return w.utf8(toUtf8(title)).utf8(toUtf8(tone)).i64(7).utf8(toUtf8(uri));
}
BodyWriter& endMark(BodyWriter& w) { return w.i64(0).i32(0).i32(0).i32(0).i32(0).i32(0).i32(kAgentListEnd); }

TEST(AlarmWire, ListIsTheBareCode) {
  const Bytes want = {0x00, 0x0D, 0x48, 0x01};  // 870401
  EXPECT_EQ(listAlarmsRequest(), want);
}

TEST(AlarmWire, AddCarriesFortyEightPlusTitleAndRingtoneBytes) {
  AlarmEdit a;
  a.title = "起床";  // two characters, six UTF-8 bytes
  a.hour = 15;
  a.minute = 5;
  a.daysMask = 65;
  a.enabled = true;
  a.vibrate = false;
  const std::string tone = kDefaultAlarmRingtone;
  BodyWriter want = BodyWriter::request();
  want.i32(870402).i32(48 + 6 + static_cast<int32_t>(tone.size())).i32(1).i32(15).i32(5).i32(65).i64(0);
  want.i32(1).i32(0).utf8("\xE8\xB5\xB7\xE5\xBA\x8A").utf8(tone);
  EXPECT_EQ(addAlarmRequest(a), want.bytes);
}

TEST(AlarmWire, AddWithEmptyTextsIsFortyEightBytes) {
  AlarmEdit a;
  a.title.clear();
  a.ringtone.clear();
  a.vibrate = true;
  BodyWriter want = BodyWriter::request();
  want.i32(870402).i32(48).i32(1).i32(8).i32(0).i32(0).i64(0).i32(0).i32(1).i32(0).i32(0);
  EXPECT_EQ(addAlarmRequest(a), want.bytes);
}

TEST(AlarmWire, ChangePutsTheIdsLowBitsAfterTheOneAndCountsFiftyTwo) {
  AlarmEdit a;
  a.title = "会";
  a.ringtone = "r";
  a.hour = 0;
  a.minute = 59;
  a.daysMask = 127;
  a.enabled = false;
  a.vibrate = true;
  const int64_t id = (5LL << 32) | 0x80000001LL;
  BodyWriter want = BodyWriter::request();
  want.i32(870403).i32(52 + 3 + 1).i32(1).i32(static_cast<int32_t>(0x80000001u)).i32(0).i32(59).i32(127).i64(0);
  want.i32(0).i32(1).utf8("\xE4\xBC\x9A").utf8("r");
  EXPECT_EQ(updateAlarmRequest(static_cast<int32_t>(id), a), want.bytes);
}

TEST(AlarmWire, DeletingTwoSendsTwentyAndNothingSendsTwelve) {
  BodyWriter two = BodyWriter::request();
  two.i32(870405).i32(20).i32(2).i32(3).i32(-1);
  EXPECT_EQ(deleteAlarmsRequest({3, -1}), two.bytes);
  BodyWriter none = BodyWriter::request();
  none.i32(870405).i32(12).i32(0);
  EXPECT_EQ(deleteAlarmsRequest({}), none.bytes);
  EXPECT_EQ(deleteAlarmsQuestion(2), "您真的要删除选择的【 2 】条闹铃提醒吗？");
}

TEST(AlarmWire, RepeatTexts) {
  EXPECT_EQ(alarmDaysText(0), "无重复");
  EXPECT_EQ(alarmDaysText(127), "每天");
  EXPECT_EQ(alarmDaysText(65), "一 日 ");
  EXPECT_EQ(alarmDaysText(31), "一 二 三 四 五 ");
  EXPECT_EQ(alarmDaysText(0x80 | 2), "二 ");  // bits above Sunday name no day
  EXPECT_STREQ(alarmPeriodText(0), "仅一次");
  EXPECT_STREQ(alarmPeriodText(96), "有重复");
  EXPECT_EQ(alarmTimeText(7, 5), "07:05");
}

TEST(AlarmWire, RecordsUpToTheEndMark) {
  BodyWriter w = BodyWriter::body();
  alarm(w, (9LL << 32) | 4, 15, 5, 65, "开会提醒", "默认铃声");
  alarm(w, 2, 7, 0, 0, "");
  endMark(w);
  WireList<AlarmRow> list = parse(w);
  EXPECT_TRUE(list.ended);
  EXPECT_FALSE(list.malformed);
  ASSERT_EQ(list.records.size(), 2u);
  const AlarmRow& a = list.records[0];
  EXPECT_EQ(a.alarmId, (9LL << 32) | 4);
  EXPECT_EQ(a.timeText, "15:05");
  EXPECT_EQ(a.daysText, "一 日 ");
  EXPECT_EQ(a.title, "开会提醒");
  EXPECT_EQ(a.ringtoneName, "默认铃声");
  EXPECT_EQ(a.ringtoneValue, 7);
  EXPECT_EQ(a.ringtoneUri, "content://media/internal/audio/media/7");
  EXPECT_EQ(a.enabled, 1);
  EXPECT_EQ(a.vibrate, 0);
  EXPECT_EQ(list.records[1].title, "");
  EXPECT_EQ(list.records[1].daysText, "无重复");
}

TEST(AlarmWire, EndMarkAloneAndHeaderOnlyGiveNothing) {
  BodyWriter w = BodyWriter::body();
  endMark(w);
  EXPECT_TRUE(parse(w).records.empty());
  EXPECT_TRUE(parse(w).ended);
  const BodyWriter header = BodyWriter::body();
  EXPECT_TRUE(parse(header).records.empty());
  EXPECT_FALSE(parse(header).malformed);
  EXPECT_TRUE(parseAlarmList(nullptr, 0).records.empty());
}

TEST(AlarmWire, EveryCutKeepsOnlyTheWholeRecordsBeforeIt) {
  BodyWriter w = BodyWriter::body();
  alarm(w, 1, 6, 30, 31, "一");
  const size_t first = w.bytes.size();
  alarm(w, 2, 22, 0, 127, "二号闹钟");
  const size_t second = w.bytes.size();
  endMark(w);
  for (size_t cut = 4; cut < w.bytes.size(); ++cut) {
    WireList<AlarmRow> list = parseAlarmList(w.bytes.data(), cut);
    EXPECT_EQ(list.records.size(), cut >= second ? 2u : cut >= first ? 1u : 0u) << cut;
    EXPECT_FALSE(list.ended) << cut;
  }
}

TEST(AlarmWire, HostileLengthsEndTheWalkWithoutReadingPastTheBody) {
  for (int32_t bad : {-1, INT32_MIN, INT32_MAX, 1 << 30}) {
    BodyWriter w = BodyWriter::body();
    alarm(w, 1, 6, 30, 31, "好");
    w.i64(2).i32(1).i32(2).i32(0).i32(1).i32(1).i32(bad).raw("xyz");
    WireList<AlarmRow> list = parse(w);
    EXPECT_EQ(list.records.size(), 1u) << bad;
    EXPECT_TRUE(list.malformed) << bad;
  }
}

TEST(AlarmClock, EveryHourOfTheDayHasOnePositionAndComesBack) {
  for (int32_t h = 0; h < 24; ++h) {
    const AlarmClock c = alarmClockFor(h, 0);
    EXPECT_GE(c.hourIndex, 0);
    EXPECT_LE(c.hourIndex, 11);
    EXPECT_EQ(alarmHourFor(c.afternoon, c.hourIndex), h) << h;
  }
}

TEST(AlarmClock, MidnightIsMorningTwelveNoonIsAfternoonTwelve) {
  AlarmClock midnight = alarmClockFor(0, 0);
  EXPECT_FALSE(midnight.afternoon);
  EXPECT_EQ(midnight.hourIndex, 11);
  AlarmClock noon = alarmClockFor(12, 30);
  EXPECT_TRUE(noon.afternoon);
  EXPECT_EQ(noon.hourIndex, 11);
  EXPECT_EQ(noon.minuteIndex, 30);
  EXPECT_EQ(alarmHourFor(false, 11), 0);
  EXPECT_EQ(alarmHourFor(true, 11), 12);  // never 24
  AlarmClock c = alarmClockFor(15, 5);
  EXPECT_TRUE(c.afternoon);
  EXPECT_EQ(c.hourIndex + 1, 3);
  EXPECT_EQ(c.minuteIndex, 5);
}

TEST(AlarmClock, HoursAndMinutesOutsideTheDayStillGiveAPosition) {
  EXPECT_EQ(alarmHourFor(alarmClockFor(24, 0).afternoon, alarmClockFor(24, 0).hourIndex), 0);
  const AlarmClock odd = alarmClockFor(-1, 99);
  EXPECT_TRUE(odd.afternoon);
  EXPECT_EQ(odd.hourIndex, 10);  // 23:59 -> 下午 11
  EXPECT_EQ(odd.minuteIndex, 59);
  EXPECT_EQ(alarmClockFor(INT32_MIN, INT32_MIN).minuteIndex, 0);
  EXPECT_EQ(alarmHourFor(false, 99), 0);  // clamped to "12"
}

}  // namespace
}  // namespace zorvik
