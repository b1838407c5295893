#include "manage/system/PhoneSettingsQueue.h"

#include <algorithm>

namespace zorvik {

namespace {
bool isWriteOf(const PhoneSettingsJob& job, PhoneSetting number) {
  return job.kind == PhoneSettingsJob::Kind::Write && job.number == number;
}
}  // namespace

void PhoneSettingsQueue::write(PhoneSetting number, int32_t value) {
  waiting_.erase(std::remove_if(waiting_.begin(), waiting_.end(),
                                [number](const PhoneSettingsJob& job) { return isWriteOf(job, number); }),
                 waiting_.end());
  waiting_.push_back({PhoneSettingsJob::Kind::Write, number, value});
}

bool PhoneSettingsQueue::read() {
  if (readPending()) return false;
  waiting_.push_back({PhoneSettingsJob::Kind::Read});
  return true;
}

std::optional<PhoneSettingsJob> PhoneSettingsQueue::start() {
  if (running_ || waiting_.empty()) return std::nullopt;
  running_ = waiting_.front();
  waiting_.pop_front();
  return running_;
}

void PhoneSettingsQueue::finish() { running_.reset(); }

bool PhoneSettingsQueue::readPending() const {
  const auto isRead = [](const PhoneSettingsJob& job) { return job.kind == PhoneSettingsJob::Kind::Read; };
  return (running_ && isRead(*running_)) || std::any_of(waiting_.begin(), waiting_.end(), isRead);
}

size_t PhoneSettingsQueue::writesPending() const {
  const auto isWrite = [](const PhoneSettingsJob& job) { return job.kind == PhoneSettingsJob::Kind::Write; };
  return static_cast<size_t>(std::count_if(waiting_.begin(), waiting_.end(), isWrite)) +
         (running_ && isWrite(*running_) ? 1 : 0);
}

}  // namespace zorvik
