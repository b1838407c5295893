// The maker's feedback endpoint: POST /feedback/feedback.php with the form field "feedback" (a
// JSON object, sent unencoded with a trailing "&" and a zero byte). Answers "ok" when the field
// holds a JSON object with a CheckSum, "error" otherwise; --record keeps the body as received.
#include <memory>

#include <json/json.h>

#include "sim/web/WebSim.h"

namespace zorvik::websim {

namespace {
bool acceptable(const std::string& body) {
  const std::string prefix = "feedback=";
  if (body.compare(0, prefix.size(), prefix) != 0) return false;
  std::string value = body.substr(prefix.size());
  while (!value.empty() && (value.back() == '\0' || value.back() == '&')) value.pop_back();
  Json::Value v;
  std::string errors;
  std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
  if (!reader->parse(value.data(), value.data() + value.size(), &v, &errors)) return false;
  return v.isObject() && v["CheckSum"].isString() && v["Content"].isString();
}
}  // namespace

void addFeedbackRoutes(httplib::Server& server, Context&) {
  server.Post("/feedback/feedback.php", [](const httplib::Request& request, httplib::Response& response) {
    response.set_content(acceptable(request.body) ? "ok" : "error", "text/plain");
  });
}

}  // namespace zorvik::websim
