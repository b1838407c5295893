#include "manage/system/PhoneSettingsWire.h"

#include "devlink/FieldReader.h"

namespace zorvik {

const char* const kTimeoutTexts[kTimeoutChoiceCount] = {"15 秒", "30 秒", "1 分钟", "2 分钟", "10 分钟", "30 分钟"};
const int32_t kTimeoutValues[kTimeoutChoiceCount] = {15000, 30000, 60000, 120000, 600000, 1800000};
const char* const kDateFormatTexts[kDateFormatChoiceCount] = {"XXXX年XX月XX日", "XX月XX日XXXX年", "XX日XX月XXXX年"};

Bytes readSettingsRequest() { return bareRequest(AgentCommand::ReadSettings); }

bool parsePhoneSettings(const unsigned char* body, size_t length, PhoneSettingValues& values) {
  static const PhoneSetting kReplyOrder[kPhoneSettingCount] = {
      kSettingWifi, kSettingBluetooth, kSettingAirplane, kSettingGps, kSettingRotation, kSettingVibrate,
      kSettingTimeout, kSettingRinger, kSettingMusic, kSettingDateFormat, kSettingTime24,
  };
  FieldReader r(body, length);
  PhoneSettingValues read;
  for (PhoneSetting s : kReplyOrder) read.value[static_cast<size_t>(s)] = r.readInt32();
  if (!r.ok()) return false;
  values = read;
  return true;
}

Bytes changeSettingRequest(PhoneSetting number, int32_t value) {
  AgentArgs args;
  args.int32(1).int32(number).int32(value);
  return framedRequest(AgentCommand::ChangeSetting, args);
}

namespace {
std::string volumeText(int position, int middle, int top) {
  std::string text = std::to_string(position);
  if (position == 0) text += " 静音";
  else if (position == 1) text += " 最小";
  else if (position == middle) text += " 中";
  else if (position == top) text += " 最大";
  return text;
}
}  // namespace

std::string ringerChoiceText(int position) { return volumeText(position, 4, 7); }
std::string musicChoiceText(int position) { return volumeText(position, 7, 15); }

int timeoutPosition(int32_t milliseconds) {
  const int32_t seconds = milliseconds / 1000;
  for (int i = 0; i < kTimeoutChoiceCount; ++i)
    if (seconds == kTimeoutValues[i] / 1000) return i;
  return -1;
}

int volumePosition(int32_t value, int positionCount) {
  return value >= 0 && value < positionCount ? static_cast<int>(value) : 0;
}

int dateFormatPosition(int32_t value) {
  return value >= 0 && value < kDateFormatChoiceCount ? static_cast<int>(value) : -1;
}

int32_t choiceValue(PhoneSetting number, int position) {
  switch (number) {
    case kSettingTimeout:
      return position >= 0 && position < kTimeoutChoiceCount ? kTimeoutValues[position] : -1;
    case kSettingRinger:
      return position >= 0 && position < kRingerChoiceCount ? position : -1;
    case kSettingMusic:
      return position >= 0 && position < kMusicChoiceCount ? position : -1;
    case kSettingDateFormat:
      return position >= 0 && position < kDateFormatChoiceCount ? position : -1;
    default:
      return -1;
  }
}

}  // namespace zorvik
