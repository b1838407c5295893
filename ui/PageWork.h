#pragma once
// Exchanges a page or dialog runs on worker threads, with the result handed back on the UI thread.
// The owner keeps one PageWork as a member and calls stop() first in its destructor: exchanges
// still waiting end at their next cancel check, and results that arrive afterwards are dropped
// instead of reaching a window that is gone.
#include <functional>
#include <memory>
#include <thread>
#include <type_traits>
#include <utility>

#include "ui/UiThread.h"
#include "devlink/AgentSession.h"

namespace zorvik {

class PageWork {
public:
  PageWork() = default;
  PageWork(const PageWork&) = delete;
  PageWork& operator=(const PageWork&) = delete;
  ~PageWork() { stop(); }

  // Runs `work(ExchangeCancel*)` on a new thread, then `done(result&)` on the UI thread unless
  // stop() was called in between. `work` must not touch windows; `done` may.
  template <typename Work, typename Done>
  void run(Work work, Done done) {
    std::weak_ptr<int> alive = alive_;
    std::shared_ptr<ExchangeCancel> cancel = cancel_;
    std::thread([alive, cancel, work = std::move(work), done = std::move(done)]() mutable {
      using Result = std::decay_t<decltype(work(cancel.get()))>;
      auto result = std::make_shared<Result>(work(cancel.get()));
      postToUi([alive, result, done = std::move(done)]() mutable {
        if (!alive.expired()) done(*result);
      });
    }).detach();
  }

  // For progress from inside `work`: a function that posts `fn` to the UI thread, where it runs
  // only while the owner has not stopped. Safe to call from any thread.
  std::function<void(std::function<void()>)> poster() const {
    std::weak_ptr<int> alive = alive_;
    return [alive](std::function<void()> fn) {
      postToUi([alive, fn = std::move(fn)] {
        if (!alive.expired()) fn();
      });
    };
  }

  // UI thread: ends waiting exchanges and drops results still to come (work started afterwards
  // finds itself cancelled at once and its result is dropped too).
  void stop() {
    if (!alive_) return;
    alive_.reset();
    cancel_->cancel();
  }

private:
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
  std::shared_ptr<ExchangeCancel> cancel_ = std::make_shared<ExchangeCancel>();
};

}  // namespace zorvik
