#pragma once
// The phone settings' exchanges: reading all eleven (871501), writing one (871502), and the
// choice lists with the values they send and the rules that turn a read value into a position.
// Portable.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "devlink/AgentRequest.h"

namespace zorvik {

// The settings by their number in 871502.
enum PhoneSetting : int32_t {
  kSettingWifi = 0, kSettingBluetooth = 1, kSettingAirplane = 2, kSettingGps = 3, kSettingRotation = 4,
  kSettingVibrate = 5, kSettingTimeout = 6, kSettingRinger = 7, kSettingMusic = 8, kSettingTime24 = 9,
  kSettingDateFormat = 10,
};
constexpr int kPhoneSettingCount = 11;

// The values read by 871501, indexed by setting number (the reply's order differs: the date
// format comes before the 24-hour switch).
struct PhoneSettingValues {
  std::array<int32_t, kPhoneSettingCount> value{};
};

Bytes readSettingsRequest();
// Eleven int32 after the header word; false (values untouched) when the body is shorter.
bool parsePhoneSettings(const unsigned char* body, size_t length, PhoneSettingValues& values);
// code, 20, 1, number, value: exactly 20 bytes.
Bytes changeSettingRequest(PhoneSetting number, int32_t value);

// "背光时间": six positions and the milliseconds each sends.
constexpr int kTimeoutChoiceCount = 6;
extern const char* const kTimeoutTexts[kTimeoutChoiceCount];
extern const int32_t kTimeoutValues[kTimeoutChoiceCount];
constexpr int kRingerChoiceCount = 8;
constexpr int kMusicChoiceCount = 16;
std::string ringerChoiceText(int position);  // "0 静音", "1 最小", "4 中", "7 最大", else the number
std::string musicChoiceText(int position);   // "0 静音", "1 最小", "7 中", "15 最大", else the number
constexpr int kDateFormatChoiceCount = 3;
extern const char* const kDateFormatTexts[kDateFormatChoiceCount];

// Read value to position; -1 selects nothing.
int timeoutPosition(int32_t milliseconds);             // whole seconds 15..1800 of the list, else -1
int volumePosition(int32_t value, int positionCount);  // out of range selects 0
int dateFormatPosition(int32_t value);                 // out of range selects nothing
// A position's value to send for the choice of `number`; -1 for a position outside the list.
int32_t choiceValue(PhoneSetting number, int position);

}  // namespace zorvik
