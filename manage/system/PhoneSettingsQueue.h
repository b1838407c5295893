#pragma once
// The phone settings page's one line to the phone: reads (871501) and writes (871502) leave in the
// order they were asked for, one at a time, so two quick clicks never reach the phone reversed and
// a read asked after a click sees that click on the phone. Writes of one setting that are still
// waiting collapse into the latest: the older value is dropped and the new one goes last, so the
// phone receives each setting's last value in the order of the last clicks. A job that already
// left is never changed. Portable; the owner runs the jobs (one at a time) and reports their end.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

#include "manage/system/PhoneSettingsWire.h"

namespace zorvik {

struct PhoneSettingsJob {
  enum class Kind { Read, Write };
  Kind kind = Kind::Read;
  PhoneSetting number = kSettingWifi;  // writes only
  int32_t value = 0;                   // writes only
  bool operator==(const PhoneSettingsJob& o) const {
    return kind == o.kind && (kind == Kind::Read || (number == o.number && value == o.value));
  }
};

class PhoneSettingsQueue {
public:
  // Queues a write of `value`; a waiting write of the same setting is dropped.
  void write(PhoneSetting number, int32_t value);
  // Queues a read; false (nothing queued) when a read already waits or runs.
  bool read();
  // The next job, marked running; nothing while one runs or none waits.
  std::optional<PhoneSettingsJob> start();
  // The running job ended, whatever its outcome.
  void finish();
  // Drops every waiting job (the page goes); the running one still ends with finish().
  void clear() { waiting_.clear(); }

  bool running() const { return running_.has_value(); }
  bool readPending() const;  // a read waits or runs
  size_t writesPending() const;  // writes waiting or running
  const std::deque<PhoneSettingsJob>& waiting() const { return waiting_; }

private:
  std::deque<PhoneSettingsJob> waiting_;
  std::optional<PhoneSettingsJob> running_;
};

}  // namespace zorvik
