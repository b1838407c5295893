#pragma once
// One list exchange with the agent as every page runs it: the request, the reply read whole, the
// parser over the body. What comes back is either the phone's whole list or none: a reply the
// parser could not walk to its end (a field ran past the body, or the end mark never came) is
// Malformed and its records are dropped, so no page shows part of a list as if it were all of it.
// The agent's "no reply" word is a finished exchange with an empty list.
#include <type_traits>
#include <utility>

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

namespace fetch_detail {
template <typename L, typename = void>
struct HasMalformed : std::false_type {};
template <typename L>
struct HasMalformed<L, std::void_t<decltype(std::declval<const L&>().malformed)>> : std::true_type {};
template <typename L, typename = void>
struct HasRecords : std::false_type {};
template <typename L>
struct HasRecords<L, std::void_t<decltype(std::declval<L&>().records)>> : std::true_type {};
template <typename L, typename = void>
struct HasEnded : std::false_type {};
template <typename L>
struct HasEnded<L, std::void_t<decltype(std::declval<const L&>().ended)>> : std::true_type {};
}  // namespace fetch_detail

// Whether a parsed list is the whole of what the phone sent: a list that says whether a field
// ran past the body is whole unless it did; a list that only says whether the end mark arrived is
// whole when it did; anything else (a parser with its own rule, e.g. a bool) is taken as whole.
template <typename List>
bool wholeList(const List& list) {
  if constexpr (fetch_detail::HasMalformed<List>::value) return !list.malformed;
  else if constexpr (fetch_detail::HasEnded<List>::value) return list.ended;
  else return true;
}

// Exchange `request`, then `parse(body, length)` on the calling (worker) thread. `parse` returns
// the list type; `whole(list)` decides whether it is the phone's whole list (by default
// wholeList above).
template <typename Parse, typename Whole>
auto fetchList(const Bytes& request, Parse&& parse, const ExchangeCancel* cancel, Whole&& whole)
    -> Fetched<std::decay_t<decltype(parse(static_cast<const unsigned char*>(nullptr), size_t{0}))>> {
  using List = std::decay_t<decltype(parse(static_cast<const unsigned char*>(nullptr), size_t{0}))>;
  Fetched<List> out;
  AgentBody body;
  out.result = exchangeForBody(request, body, cancel);
  if (out.result != AgentResult::Ok) return out;
  List list = parse(body.bytes.data(), body.bytes.size());
  if (whole(static_cast<const List&>(list))) out.list = std::move(list);
  else out.result = AgentResult::Malformed;
  return out;
}

template <typename Parse>
auto fetchList(const Bytes& request, Parse&& parse, const ExchangeCancel* cancel) {
  using List = std::decay_t<decltype(parse(static_cast<const unsigned char*>(nullptr), size_t{0}))>;
  return fetchList(request, std::forward<Parse>(parse), cancel, [](const List& l) { return wholeList(l); });
}

// The records of a parsed list, whichever name its parser gives them (`records` or `rows`).
template <typename List>
auto& listRecords(List& list) {
  if constexpr (fetch_detail::HasRecords<List>::value) return list.records;
  else return list.rows;
}

// fetchList for the pages that keep only the records: the whole list's records, or none.
template <typename Parse>
auto fetchRecords(const Bytes& request, Parse&& parse, const ExchangeCancel* cancel) {
  auto fetched = fetchList(request, std::forward<Parse>(parse), cancel);
  using Records = std::decay_t<decltype(listRecords(fetched.list))>;
  Fetched<Records> out;
  out.result = fetched.result;
  out.list = std::move(listRecords(fetched.list));
  return out;
}

}  // namespace zorvik
