#pragma once
// Text that pages write into HTML documents is data, never markup: a contact's name or a
// received message must not be able to add elements or script to the page.
#include <string>
#include <string_view>

namespace zorvik {

// Escapes & < > " ' for element content and quoted attribute values. Works byte-wise on GBK
// text: GBK trail bytes are 0x40..0xFE and never equal an escaped ASCII character.
std::string htmlEscape(std::string_view text);

// For href="vko:..." values built from data: escapes as above and refuses schemes other than
// "vko:" and "http(s):" (a "javascript:" address from the phone becomes "#").
std::string htmlSafeHref(std::string_view address);

// In-page commands: true when `address` starts with "vko:" in any case; `command` receives the
// rest of the address.
bool splitAppCommand(std::string_view address, std::string& command);

}  // namespace zorvik
