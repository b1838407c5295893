#pragma once
// The contact card shown beside the contacts list, as HTML for the card page's element "block".
#include "pim/Contact.h"

#include <string>

namespace zorvik {

const char* phoneLabel(int32_t kind);
const char* emailLabel(int32_t kind);
const char* addressLabel(int32_t kind);
const char* organizationLabel(int32_t kind);
const char* imLabel(int32_t protocol);

// Every text taken from the card is HTML-escaped: a name is the phone's data, not markup.
std::string buildContactCardHtml(const ContactCard& card);

}  // namespace zorvik
