// The settings page's queue: the order in which reads and writes leave, which waiting writes
// collapse, and that a job already sent is never changed.
#include "manage/system/PhoneSettingsQueue.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace zorvik {
namespace {

using Kind = PhoneSettingsJob::Kind;

}  // namespace

void PrintTo(const PhoneSettingsJob& job, std::ostream* os) {
  if (job.kind == Kind::Read) *os << "read";
  else *os << "write " << job.number << "=" << job.value;
}

namespace {

// One step of a case: ask a write or a read, start the next job (it is sent), or end the running one.
struct Step {
  enum Op { Write, Read, Start, Finish } op;
  PhoneSetting number = kSettingWifi;
  int32_t value = 0;
};
Step w(PhoneSetting n, int32_t v) { return {Step::Write, n, v}; }
const Step kRead{Step::Read};
const Step kStart{Step::Start};
const Step kFinish{Step::Finish};
PhoneSettingsJob sent(PhoneSetting n, int32_t v) { return {Kind::Write, n, v}; }
const PhoneSettingsJob kSentRead{Kind::Read};

struct Case {
  const char* name;
  std::vector<Step> steps;
  std::vector<PhoneSettingsJob> sent;  // in the order they left, the queue drained after the steps
  int readsRefused = 0;
};

const Case kCases[] = {
    {"TenClicksOfOneChoiceSendTheFirstAndTheLast",
     {w(kSettingMusic, 1), kStart, w(kSettingMusic, 2), w(kSettingMusic, 3), w(kSettingMusic, 4), w(kSettingMusic, 5),
      w(kSettingMusic, 6), w(kSettingMusic, 7), w(kSettingMusic, 8), w(kSettingMusic, 9), w(kSettingMusic, 10)},
     {sent(kSettingMusic, 1), sent(kSettingMusic, 10)}},
    {"OtherSettingsKeepClickOrder",
     {w(kSettingWifi, 1), w(kSettingGps, 0), w(kSettingTimeout, 600000)},
     {sent(kSettingWifi, 1), sent(kSettingGps, 0), sent(kSettingTimeout, 600000)}},
    {"ALaterClickOfAWaitingSettingGoesLast",
     {w(kSettingWifi, 1), w(kSettingBluetooth, 1), w(kSettingWifi, 0)},
     {sent(kSettingBluetooth, 1), sent(kSettingWifi, 0)}},
    {"TheSentWriteIsNotChangedItsSuccessorWaits",
     {w(kSettingGps, 1), kStart, w(kSettingGps, 0)},
     {sent(kSettingGps, 1), sent(kSettingGps, 0)}},
    {"AReadLeavesAfterTheWritesAskedBeforeIt",
     {w(kSettingAirplane, 1), kStart, w(kSettingVibrate, 0), kRead, w(kSettingRinger, 3)},
     {sent(kSettingAirplane, 1), sent(kSettingVibrate, 0), kSentRead, sent(kSettingRinger, 3)}},
    {"ASecondReadWhileOneWaitsOrRunsIsRefused",
     {kRead, kRead, kStart, kRead, kFinish, kRead},
     {kSentRead, kSentRead},
     2},
    // The read does not fill a control changed after it was asked for, so the older value need not leave.
    {"ALaterWriteCollapsesAcrossAWaitingRead",
     {w(kSettingMusic, 2), kRead, w(kSettingMusic, 5)},
     {kSentRead, sent(kSettingMusic, 5)}},
};

class PhoneSettingsQueueTest : public ::testing::TestWithParam<Case> {};

TEST_P(PhoneSettingsQueueTest, JobsLeaveInOrder) {
  const Case& c = GetParam();
  PhoneSettingsQueue q;
  std::vector<PhoneSettingsJob> got;
  int refused = 0;
  for (const Step& s : c.steps) {
    switch (s.op) {
      case Step::Write: q.write(s.number, s.value); break;
      case Step::Read: refused += q.read() ? 0 : 1; break;
      case Step::Start:
        if (auto job = q.start()) got.push_back(*job);
        EXPECT_FALSE(q.start()) << "one job at a time";
        break;
      case Step::Finish: q.finish(); break;
    }
  }
  for (;;) {
    q.finish();
    auto job = q.start();
    if (!job) break;
    got.push_back(*job);
  }
  EXPECT_EQ(got, c.sent);
  EXPECT_EQ(refused, c.readsRefused);
  EXPECT_EQ(q.writesPending(), 0u);
  EXPECT_FALSE(q.readPending());
}

INSTANTIATE_TEST_SUITE_P(Cases, PhoneSettingsQueueTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

TEST(PhoneSettingsQueue, CountsWhatWaitsAndRunsAndClearKeepsTheRunningJob) {
  PhoneSettingsQueue q;
  q.write(kSettingWifi, 1);
  q.write(kSettingGps, 1);
  ASSERT_TRUE(q.start());
  q.write(kSettingWifi, 0);
  EXPECT_EQ(q.writesPending(), 3u);
  q.clear();
  EXPECT_EQ(q.writesPending(), 1u);
  EXPECT_TRUE(q.running());
  q.finish();
  EXPECT_FALSE(q.start());
}

}  // namespace
}  // namespace zorvik
