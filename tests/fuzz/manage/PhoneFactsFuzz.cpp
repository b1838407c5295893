// Facts and settings replies from a confused or hostile phone: the readers stay inside the body,
// and what they accept builds the information rows and the dashboard without raw markup.
#include "manage/system/PhoneFacts.h"
#include "manage/system/PhoneSettingsWire.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zorvik::PhoneFacts facts;
  if (zorvik::parsePhoneFacts(data, size, facts) == zorvik::FactsRead::Complete) {
    if (facts.model.size() > size || facts.sd.size() > size) std::abort();
    const auto rows = zorvik::systemInfoDetails(facts);
    if (rows[18] != "无") std::abort();
    const std::string html = zorvik::dashboardModelHtml(facts) + zorvik::dashboardWidgetsHtml(facts);
    if (html.find("<script") != std::string::npos) std::abort();
  }
  zorvik::PhoneSettingValues values;
  if (zorvik::parsePhoneSettings(data, size, values) && size < 48) std::abort();
  for (int32_t v : values.value) {
    const int t = zorvik::timeoutPosition(v);
    if (t < -1 || t >= zorvik::kTimeoutChoiceCount) std::abort();
    if (zorvik::volumePosition(v, zorvik::kMusicChoiceCount) >= zorvik::kMusicChoiceCount) std::abort();
  }
  return 0;
}
