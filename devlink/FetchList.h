#pragma once
// One list exchange with the agent as every page runs it: the request, the reply read whole, the
// parser over the body. What comes back is either the phone's whole list or none: a reply the
// parser calls malformed (a field ran past the body, or the end mark never came: readAgentList)
// is Malformed and its records are dropped, so no page shows part of a list as if it were whole.
// The agent's "no reply" word is a finished exchange with an empty list.
#include <type_traits>
#include <utility>

#include "devlink/AgentList.h"
#include "devlink/AgentSession.h"

namespace zorvik {

// The outcome of a list exchange. `list` is the parser's result when `result` is Ok, and empty
// (default-made) otherwise.
template <typename List>
struct Fetched {
  AgentResult result = AgentResult::Ok;
  List list{};
  // A finished exchange: Ok, or the agent's NoReply (the list is empty then).
  bool finished() const { return result == AgentResult::Ok || result == AgentResult::NoReply; }
};

// Exchange `request`, then `parse(body, length)` on the calling (worker) thread. `parse` returns
// a WireList (or a list built on one): a malformed one makes the outcome Malformed with no list.
template <typename Parse>
auto fetchList(const Bytes& request, Parse&& parse, const ExchangeCancel* cancel)
    -> Fetched<std::decay_t<decltype(parse(static_cast<const unsigned char*>(nullptr), size_t{0}))>> {
  using List = std::decay_t<decltype(parse(static_cast<const unsigned char*>(nullptr), size_t{0}))>;
  Fetched<List> out;
  AgentBody body;
  out.result = exchangeForBody(request, body, cancel);
  if (out.result != AgentResult::Ok) return out;
  List list = parse(body.bytes.data(), body.bytes.size());
  if (list.malformed) out.result = AgentResult::Malformed;
  else out.list = std::move(list);
  return out;
}

// fetchList for the pages that keep only the records: the whole list's records, or none.
template <typename Parse>
auto fetchRecords(const Bytes& request, Parse&& parse, const ExchangeCancel* cancel) {
  auto fetched = fetchList(request, std::forward<Parse>(parse), cancel);
  Fetched<decltype(fetched.list.records)> out;
  out.result = fetched.result;
  out.list = std::move(fetched.list.records);
  return out;
}

}  // namespace zorvik
