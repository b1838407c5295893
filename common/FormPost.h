#pragma once
// An HTTP POST of form fields and its reply text, the way the maker's web service expects it:
// each field written as name "=" value "&" with no percent-encoding (values are JSON texts the
// service reads as they are), the body sent with its terminating zero byte counted, and the reply
// returned as its lines, each followed by the four characters "/r/n".
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zorvik {

using FormFields = std::vector<std::pair<std::string, std::string>>;

// "name=value&" for each field in order.
std::string formBody(const FormFields& fields);
// The reply's lines (split on "\n", a "\r" before it dropped; a last line without one counts),
// each followed by "/r/n".
std::string formReplyText(std::string_view reply);

// POSTs `fields` to `url` (http or https) through the platform's Internet session (Windows build
// only). What was read when an Internet error struck is returned; an empty text when nothing was.
std::string FormPost(const std::string& url, const FormFields& fields);

}  // namespace zorvik
