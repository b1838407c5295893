#pragma once
// The feedback form of the "使用帮助" page without its window: the phone's facts from 870002, the
// checks of the form, the JSON sent to the maker's web service, and the per-run limit.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zorvik {

// The platform list's entries and what each sends.
constexpr int kFeedbackPlatformCount = 2;
extern const char* const kFeedbackPlatformCaptions[kFeedbackPlatformCount];  // "Android (谷歌)", "Ophone (中移动)"
// "Android" for 0, "Ophone" for 1; with no selection (or any other index) "Android", the list's
// first entry.
const char* feedbackPlatformText(int index);

// The form as read from its controls (GBK).
struct FeedbackForm {
  int platformIndex = 0;
  std::string firmware, model, content, qq, email;
  int32_t clientCode = 0;
  int pc = 0;  // feedbackPc
};

// Windows major × 10 + minor (XP: 51, 7: 61).
int feedbackPc(unsigned major, unsigned minor);

using Md5Hex = std::string (*)(std::string_view bytes);

struct FeedbackRequest {
  const char* refusal = nullptr;  // a validation text; nothing is sent
  std::string json;               // the styled JSON of the members, UTF-8
};
// Checks the form (content ≥ 4 bytes, firmware ≥ 2, model ≥ 2) and builds the JSON with its
// CheckSum: 16 characters from position 3 of md5(md5(platform) + md5(content)), both inner
// digests over UTF-8 bytes.
FeedbackRequest buildFeedbackRequest(const FeedbackForm& form, Md5Hex md5);
std::string feedbackCheckSum(const std::string& platformUtf8, const std::string& contentUtf8, Md5Hex md5);

// "%s%s%s%s" of the base address, "feedback/", "feedback", ".php".
std::string feedbackUrl(const std::string& serviceBase);
// The reply counts as received when, without surrounding blanks and FormPost's "/r/n" line ends,
// it is "ok" in any case.
bool feedbackAccepted(std::string_view reply);

constexpr const char* kFeedbackSending = "正在提交，请稍等...";
constexpr const char* kFeedbackTooShort = "您的反馈内容过少";
constexpr const char* kFeedbackBadFirmware = "请输入有效的固件版本";
constexpr const char* kFeedbackBadModel = "请输入有效的机型";
constexpr const char* kFeedbackThanks = "感谢您的支持，反馈信息我们已收到 :)";
constexpr const char* kFeedbackFailed = "提交失败，请稍后再试 :(";

// At most kFeedbackLimit submissions a run, one at a time (UI thread only).
class FeedbackGate {
 public:
  static constexpr int kFeedbackLimit = 5;
  // False (the click does nothing) while one runs or after the limit.
  bool tryStart();
  // A submission ended; `counted` is false for a validation failure.
  void finish(bool counted);
  bool running() const { return running_; }
  int count() const { return count_; }

 private:
  bool running_ = false;
  int count_ = 0;
};

}  // namespace zorvik
