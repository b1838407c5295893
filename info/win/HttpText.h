#pragma once
// A GET through the `Msxml2.XMLHTTP` object, for the weather and update fetches on their workers.
// The object is opened asynchronously and polled against a deadline (pumping this thread's
// messages, which the object needs in an apartment): a service that never answers ends the
// fetch instead of holding the worker for ever. Needs COM initialised on the calling thread.
#include <string>

namespace zorvik {

struct HttpText {
  bool ok = false;          // a reply arrived (any status)
  long status = 0;          // its HTTP status
  std::string utf8;         // the reply text, UTF-8
  std::string error;        // why not, for logs and tests
};

constexpr unsigned kHttpTextDeadlineMs = 15000;
HttpText httpGetText(const std::string& url, unsigned deadlineMs = kHttpTextDeadlineMs);

}  // namespace zorvik
