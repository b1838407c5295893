#pragma once
// An HTTP POST of form fields and its reply text, the way the maker's web service expects it:
// each field written as name "=" value "&" with no percent-encoding (values are JSON texts the
// service reads as they are), the body sent with its terminating zero byte counted, and the reply
// returned as its lines, each followed by the four characters "/r/n".
#include <functional>
#include <optional>
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
// FormPost on a thread of its own, waited for until it answers, `deadlineMs` pass or `stop()`
// turns true; nullopt then (the post ends by itself later, its answer dropped). For callers that
// must not wait on a service that takes the request and never answers (the session's own
// time-outs do not always end that wait), such as a closing window's workers.
constexpr unsigned kFormPostDeadlineMs = 30000;  // the deadline the program's callers give it
std::optional<std::string> FormPostWithin(const std::string& url, const FormFields& fields, unsigned deadlineMs,
                                          const std::function<bool()>& stop);

}  // namespace zorvik
