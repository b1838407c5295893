#pragma once
// The one way onto the user-interface thread. Workers build records and post a function that
// fills the controls; only the UI thread touches windows and the row vectors beside them.
#include <functional>

namespace zorvik {

// Creates the message-only window that receives posted work; call on the UI thread before any
// worker starts. Returns false when the window cannot be created.
bool startUiThreadQueue();
// Destroys the window; work posted afterwards, or still queued, is dropped (and freed) on purpose.
void stopUiThreadQueue();
bool onUiThread();
// Runs `fn` on the UI thread: inline when already there, otherwise queued. Returns false when
// the work was dropped because the queue is stopped.
bool postToUi(std::function<void()> fn);

}  // namespace zorvik
