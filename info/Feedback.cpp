#include "info/Feedback.h"

#include <json/json.h>

#include "common/TextConv.h"
#include "devlink/AgentCommand.h"
#include "devlink/DeviceTables.h"

namespace zorvik {

const char* const kFeedbackPlatformCaptions[kFeedbackPlatformCount] = {"Android (谷歌)", "Ophone (中移动)"};

const char* feedbackPlatformText(int index) { return index == 1 ? "Ophone" : "Android"; }

int feedbackPc(unsigned major, unsigned minor) { return static_cast<int>(major * 10 + minor); }

std::string feedbackCheckSum(const std::string& platformUtf8, const std::string& contentUtf8, Md5Hex md5) {
  const std::string outer = md5(md5(platformUtf8) + md5(contentUtf8));
  return outer.size() > 3 ? outer.substr(3, 16) : std::string();
}

namespace {
// The form body carries the JSON unencoded, so characters a form reader would take apart ('&' ends
// the field, '+' and '%' get decoded) are written as JSON escapes, which mean the same.
std::string guardForForm(const std::string& json) {
  std::string out;
  out.reserve(json.size());
  for (char c : json) {
    switch (c) {
      case '&': out += "\\u0026"; break;
      case '%': out += "\\u0025"; break;
      case '+': out += "\\u002b"; break;
      case '=': out += "\\u003d"; break;
      default: out += c;
    }
  }
  return out;
}
}  // namespace

FeedbackRequest buildFeedbackRequest(const FeedbackForm& form, Md5Hex md5) {
  FeedbackRequest request;
  if (form.content.size() < 4) {
    request.refusal = kFeedbackTooShort;
    return request;
  }
  const std::string platform = toUtf8(feedbackPlatformText(form.platformIndex));
  if (form.firmware.size() < 2) {
    request.refusal = kFeedbackBadFirmware;
    return request;
  }
  if (form.model.size() < 2) {
    request.refusal = kFeedbackBadModel;
    return request;
  }
  const std::string content = toUtf8(form.content);
  Json::Value v(Json::objectValue);
  v["CheckSum"] = feedbackCheckSum(platform, content, md5);
  v["Client"] = form.clientCode;
  v["Platform"] = platform;
  v["Model"] = toUtf8(form.model);
  v["Rom"] = toUtf8(form.firmware);
  v["Pc"] = form.pc;
  v["Content"] = content;
  v["QQ"] = toUtf8(form.qq);
  v["Email"] = toUtf8(form.email);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  Json::StyledWriter writer;
  request.json = guardForForm(writer.write(v));
#pragma GCC diagnostic pop
  return request;
}

std::string feedbackUrl(const std::string& serviceBase) {
  return serviceBase + "feedback/" + "feedback" + ".php";
}

// Only the service's own answer counts: an error page or a captive portal may well contain "ok"
// somewhere ("book", "token"), and must not thank the user for a report nobody received.
// FormPost ends each line of the reply with the four characters "/r/n"; those and blanks around
// the one line are not part of the answer.
bool feedbackAccepted(std::string_view reply) {
  constexpr std::string_view kLineEnd = "/r/n";
  std::string text = trimmed(reply);
  while (text.size() >= kLineEnd.size() && std::string_view(text).substr(text.size() - kLineEnd.size()) == kLineEnd)
    text = trimmed(std::string_view(text).substr(0, text.size() - kLineEnd.size()));
  return asciiLower(text) == "ok";
}

bool FeedbackGate::tryStart() {
  if (running_ || count_ >= kFeedbackLimit) return false;
  running_ = true;
  return true;
}

void FeedbackGate::finish(bool counted) {
  running_ = false;
  if (counted) ++count_;
}

}  // namespace zorvik
