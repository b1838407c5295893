// Contact list and card replies from a confused or hostile phone: every walk ends inside the body.
#include "pim/ContactCardHtml.h"
#include "pim/ContactWire.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const zorvik::WireList<zorvik::ContactRecord> list = zorvik::parseContactList(data, size);
  for (const auto& record : list.records)
    if (record.photo.size() > zorvik::kMaxContactPhoto || record.photo.size() > size) std::abort();
  zorvik::ContactCard card;
  zorvik::parseContactCard(data, size, card);
  const std::string html = zorvik::buildContactCardHtml(card);
  if (html.find("<script") != std::string::npos) std::abort();  // phone text never becomes markup
  return 0;
}
