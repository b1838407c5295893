#pragma once
// A list the phone sends whose records each carry a phone number, fetched with every number's
// location looked up on the same worker (the call log, the contacts).
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "devlink/FetchList.h"
#include "pim/LocateNumber.h"
#include "pim/PhoneTable.h"

namespace zorvik {

// A record and its number's location ("北京 移动", or empty).
template <typename Record>
struct Located : Record {
  std::string location;
};

// fetchRecords, then the location of each record's `number` member; the table is opened by the
// first list that has records.
template <typename Parse, typename Record>
Fetched<std::vector<Located<Record>>> fetchLocated(const Bytes& request, Parse&& parse, std::string Record::*number,
                                                   LazyPhoneTable& table, const ExchangeCancel* cancel) {
  auto records = fetchRecords(request, std::forward<Parse>(parse), cancel);
  Fetched<std::vector<Located<Record>>> out;
  out.result = records.result;
  if (records.list.empty()) return out;
  const std::shared_ptr<const PhoneTable> phone = table.get();
  out.list.reserve(records.list.size());
  for (Record& r : records.list) {
    Located<Record> row;
    row.location = LocateNumber(*phone, r.*number);
    static_cast<Record&>(row) = std::move(r);
    out.list.push_back(std::move(row));
  }
  return out;
}

}  // namespace zorvik
