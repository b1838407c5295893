#include "common/FormPost.h"

namespace zorvik {

std::string formBody(const FormFields& fields) {
  std::string body;
  for (const auto& [name, value] : fields) body += name + "=" + value + "&";
  return body;
}

std::string formReplyText(std::string_view reply) {
  std::string text;
  while (!reply.empty()) {
    const size_t end = reply.find('\n');
    std::string_view line = reply.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    text.append(line).append("/r/n");
    if (end == std::string_view::npos) break;
    reply.remove_prefix(end + 1);
  }
  return text;
}

}  // namespace zorvik
