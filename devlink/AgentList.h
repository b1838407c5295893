#pragma once
// The one shape of a list the phone-side agent sends, and the one walk over its reply body. Every
// list parser writes only how one record is read; where the list ends, what a cut or a hostile
// length means and which records are kept is decided here, the same for every list.
#include <cstddef>
#include <utility>
#include <vector>

#include "devlink/FieldReader.h"

namespace zorvik {

// The whole records before the end mark or before a cut, in reply order. `malformed` says the
// reply is not the phone's whole list (a field ran past the body, a length was impossible, or a
// list that must close with its end mark did not); the records before it are still kept here,
// and fetchList drops them.
template <typename R>
struct WireList {
  std::vector<R> records;
  bool ended = false;  // the end mark arrived
  bool malformed = false;
};

// How a list ends.
enum class ListEnd {
  MarkOrBody,  // at the end mark, or where fewer than two bytes remain
  Mark,        // only at the end mark: a body that stops before it was cut
};

// Walks `body` (header word first, see FieldReader) record by record. `readRecord(reader, record)`
// fills one record and returns true to keep it; it returns false at the end mark (read with
// readListTextOrEnd) or after a field that cannot be right. A record cut short is dropped and ends
// the walk; so does a record refused without the reader failing, which makes the list malformed
// (a refused record is never taken for the list's end).
template <typename R, typename ReadRecord>
WireList<R> readAgentList(const unsigned char* body, size_t length, ReadRecord&& readRecord,
                          ListEnd end = ListEnd::MarkOrBody) {
  WireList<R> list;
  FieldReader reader(body, length);
  while (reader.hasMoreRecords()) {
    R record;
    const bool kept = readRecord(reader, record);
    if (reader.listEnded()) break;
    if (!kept) reader.fail();
    if (!reader.ok()) break;
    list.records.push_back(std::move(record));
  }
  list.ended = reader.listEnded();
  list.malformed = reader.overran() || (end == ListEnd::Mark && !list.ended);
  return list;
}

}  // namespace zorvik
