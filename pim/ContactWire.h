#pragma once
// Contacts on the wire: the list (870101), one card (870102), add (870103), update (870104) and
// delete (870106).
#include "devlink/AgentList.h"
#include "devlink/AgentRequest.h"
#include "pim/Contact.h"

#include <vector>

namespace zorvik {

// Walks a 870101 body. A record cut off by the end of the body is not returned.
WireList<ContactRecord> parseContactList(const unsigned char* body, size_t length);

// Walks a 870102 body into card (which the caller has reset). Returns false when a field ran past
// the body; what was read before stays in the card.
bool parseContactCard(const unsigned char* body, size_t length, ContactCard& card);

Bytes contactDetailsRequest(int32_t contactId);
// Add: the card as the form built it (row ids and operations are not sent).
Bytes addContactRequest(const ContactCard& card);
// Update: every entry with its row id (sign-extended) and operation.
Bytes updateContactRequest(int32_t contactId, const ContactCard& card);
Bytes deleteContactsRequest(const std::vector<int32_t>& contactIds);

}  // namespace zorvik
