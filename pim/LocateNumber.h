#pragma once
// Where a phone number is from, as the contact list, the message list and the call log show it:
// a city or province, the name of a well-known service number, or a class such as "<SP号码>".
#include <string_view>

#include "pim/PhoneTable.h"

namespace zorvik {

// The location text of a number as stored on the phone. Static GBK text; never allocates.
const char* LocateNumber(const PhoneTable& table, std::string_view number);

}  // namespace zorvik
