#pragma once
// Exchanges a page or dialog runs on worker threads, with the result handed back on the UI thread.
// The owner keeps one PageWork (every Page has one) and stops it before it goes: exchanges still
// waiting end at their next cancel check, results that arrive afterwards are dropped instead of
// reaching a window that is gone, and the owner can wait until no worker of its own runs any more.
//
// A worker holds the shared state only, never the owner: `work` must not capture the page (it
// runs on the worker and may outlive it); `done` may, since it runs only while the owner has not
// stopped.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>

#include "ui/UiThread.h"
#include "devlink/AgentSession.h"

namespace zorvik {

class PageWork {
public:
  // Posts a function to the UI thread, where it runs only while the owner has not stopped.
  using Post = std::function<void(std::function<void()>)>;

  PageWork() = default;
  PageWork(const PageWork&) = delete;
  PageWork& operator=(const PageWork&) = delete;
  ~PageWork() { stop(); }

  // Runs `work(ExchangeCancel*)` on a new thread, then `done(result&)` on the UI thread unless
  // stop() was called in between. `work` must not touch windows; `done` may.
  template <typename Work, typename Done>
  void run(Work work, Done done) {
    std::shared_ptr<State> state = state_;
    state->enter();
    std::thread([state, work = std::move(work), done = std::move(done)]() mutable {
      using Result = std::decay_t<decltype(work(&state->cancel))>;
      std::shared_ptr<Result> result;
      {
        Work local = std::move(work);  // what the work holds goes with it, before the worker counts as ended
        result = std::make_shared<Result>(local(&state->cancel));
      }
      postToUi([state, result, done = std::move(done)]() mutable {
        if (!state->stopped()) done(*result);
      });
      state->leave();
    }).detach();
  }

  // For progress from inside `work`: posts `fn` to the UI thread, where it runs only while the
  // owner has not stopped. Safe to call from any thread, before and after stop().
  Post poster() const {
    std::shared_ptr<State> state = state_;
    return [state](std::function<void()> fn) {
      if (state->stopped()) return;
      postToUi([state, fn = std::move(fn)] {
        if (!state->stopped()) fn();
      });
    };
  }

  // UI thread: ends waiting exchanges and drops results still to come (work started afterwards
  // finds itself cancelled at once and its result is dropped too). Does not wait.
  void stop() { state_->stop(); }
  bool stopped() const { return state_->stopped(); }
  // Workers started through this object that have not ended yet (a worker ends once its result
  // is posted or dropped).
  int liveWorkers() const { return state_->live(); }
  // Waits until no worker of this object runs, at most `timeoutMs`; true when none does.
  bool waitForWorkers(unsigned timeoutMs) const { return state_->waitIdle(timeoutMs); }

private:
  struct State {
    ExchangeCancel cancel;
    mutable std::mutex mutex;
    std::condition_variable idle;
    int workers = 0;
    bool ended = false;

    void enter() {
      std::lock_guard<std::mutex> lock(mutex);
      ++workers;
    }
    void leave() {
      std::lock_guard<std::mutex> lock(mutex);
      if (--workers == 0) idle.notify_all();
    }
    void stop() {
      {
        std::lock_guard<std::mutex> lock(mutex);
        ended = true;
      }
      cancel.cancel();
    }
    bool stopped() const {
      std::lock_guard<std::mutex> lock(mutex);
      return ended;
    }
    int live() const {
      std::lock_guard<std::mutex> lock(mutex);
      return workers;
    }
    bool waitIdle(unsigned timeoutMs) {
      std::unique_lock<std::mutex> lock(mutex);
      return idle.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return workers == 0; });
    }
  };
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace zorvik
