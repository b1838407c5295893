// The phone settings' exchanges: 871502 byte for byte (always 20 bytes, edge values), the 871501
// reply in its own order with cut bodies, and the rules that turn read values into positions.
#include "manage/system/PhoneSettingsWire.h"

#include <gtest/gtest.h>

#include <climits>

#include "support/BodyWriter.h"

namespace zorvik {
namespace {

using test::BodyWriter;

TEST(PhoneSettingsWire, ReadIsTheBareCode) {
  const Bytes want = {0x00, 0x0D, 0x4C, 0x4D};  // 871501
  EXPECT_EQ(readSettingsRequest(), want);
}

TEST(PhoneSettingsWire, BluetoothOffIsExactlyTwentyBytes) {
  BodyWriter want = BodyWriter::request();
  want.i32(871502).i32(20).i32(1).i32(1).i32(0);
  const Bytes got = changeSettingRequest(kSettingBluetooth, 0);
  ASSERT_EQ(got.size(), 20u);
  EXPECT_EQ(got, want.bytes);
}

TEST(PhoneSettingsWire, TenMinutesSendsSettingSixWith600000) {
  BodyWriter want = BodyWriter::request();
  want.i32(871502).i32(20).i32(1).i32(6).i32(600000);
  EXPECT_EQ(choiceValue(kSettingTimeout, 4), 600000);
  EXPECT_EQ(changeSettingRequest(kSettingTimeout, choiceValue(kSettingTimeout, 4)), want.bytes);
}

TEST(PhoneSettingsWire, EdgeValuesKeepTheirBytesAndLength) {
  for (int32_t v : {INT32_MIN, -1, 0, 1800000, INT32_MAX}) {
    BodyWriter want = BodyWriter::request();
    want.i32(871502).i32(20).i32(1).i32(10).i32(v);
    EXPECT_EQ(changeSettingRequest(kSettingDateFormat, v), want.bytes) << v;
  }
  const Bytes last = changeSettingRequest(kSettingDateFormat, INT32_MIN);
  EXPECT_EQ(last[16], 0x80);
  EXPECT_EQ(last[19], 0x00);
}

TEST(PhoneSettingsWire, ReplyOrderPutsDateFormatBeforeTheClock) {
  BodyWriter w = BodyWriter::body();
  for (int32_t v : {1, 0, 0, 1, 1, 0, 30000, 5, 9, 2, 1}) w.i32(v);
  PhoneSettingValues s;
  ASSERT_TRUE(parsePhoneSettings(w.bytes.data(), w.bytes.size(), s));
  EXPECT_EQ(s.value[kSettingWifi], 1);
  EXPECT_EQ(s.value[kSettingVibrate], 0);
  EXPECT_EQ(s.value[kSettingTimeout], 30000);
  EXPECT_EQ(s.value[kSettingRinger], 5);
  EXPECT_EQ(s.value[kSettingMusic], 9);
  EXPECT_EQ(s.value[kSettingDateFormat], 2);
  EXPECT_EQ(s.value[kSettingTime24], 1);
}

TEST(PhoneSettingsWire, EveryCutReplyLeavesTheValues) {
  BodyWriter w = BodyWriter::body();
  for (int i = 0; i < 11; ++i) w.i32(7);
  for (size_t n = 0; n < w.bytes.size(); ++n) {
    PhoneSettingValues s;
    s.value[0] = 42;
    EXPECT_FALSE(parsePhoneSettings(w.bytes.data(), n, s)) << n;
    EXPECT_EQ(s.value[0], 42);
  }
}

TEST(PhoneSettingsWire, TimeoutPositions) {
  EXPECT_EQ(timeoutPosition(15000), 0);
  EXPECT_EQ(timeoutPosition(15999), 0);  // whole seconds
  EXPECT_EQ(timeoutPosition(1800000), 5);
  EXPECT_EQ(timeoutPosition(45000), -1);
  EXPECT_EQ(timeoutPosition(0), -1);
  EXPECT_EQ(timeoutPosition(-15000), -1);
  EXPECT_EQ(timeoutPosition(INT32_MAX), -1);
}

TEST(PhoneSettingsWire, VolumeOutsideTheListSelectsZero) {
  EXPECT_EQ(volumePosition(16, kMusicChoiceCount), 0);
  EXPECT_EQ(volumePosition(15, kMusicChoiceCount), 15);
  EXPECT_EQ(volumePosition(8, kRingerChoiceCount), 0);
  EXPECT_EQ(volumePosition(-1, kRingerChoiceCount), 0);
  EXPECT_EQ(volumePosition(7, kRingerChoiceCount), 7);
  EXPECT_EQ(dateFormatPosition(3), -1);
  EXPECT_EQ(dateFormatPosition(2), 2);
}

TEST(PhoneSettingsWire, ChoiceTexts) {
  EXPECT_EQ(ringerChoiceText(0), "0 静音");
  EXPECT_EQ(ringerChoiceText(1), "1 最小");
  EXPECT_EQ(ringerChoiceText(4), "4 中");
  EXPECT_EQ(ringerChoiceText(7), "7 最大");
  EXPECT_EQ(ringerChoiceText(3), "3");
  EXPECT_EQ(musicChoiceText(7), "7 中");
  EXPECT_EQ(musicChoiceText(15), "15 最大");
  EXPECT_EQ(musicChoiceText(4), "4");
  EXPECT_EQ(choiceValue(kSettingMusic, 16), -1);
  EXPECT_EQ(choiceValue(kSettingWifi, 0), -1);
}

}  // namespace
}  // namespace zorvik
