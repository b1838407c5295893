#pragma once
// The keyword of message 0x464 (store search), handed over inside the process. The message's
// lParam is no pointer: it is a ticket that depositStoreSearch gave for a keyword it keeps, so
// a window message from another program (which anyone may send or post to the main window)
// carries at most a number that names nothing, and no address is ever read from it.
// Portable, locked: any thread deposits, the UI thread collects.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace zorvik {

// A keyword longer than this is not kept (no store search needs one).
constexpr size_t kStoreSearchTextMax = 255;
// At most this many keywords wait at once; a new one beyond it drops the oldest.
constexpr size_t kStoreSearchPendingMax = 16;

// Keeps the keyword and returns its ticket (never 0), or 0 when the keyword is too long.
uintptr_t depositStoreSearch(const std::string& keyword);
// The keyword of a ticket, handed out once; nothing for a ticket this process did not give or
// already collected.
std::optional<std::string> collectStoreSearch(uintptr_t ticket);

}  // namespace zorvik
