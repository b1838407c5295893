// The host:track-devices stream: messages cut anywhere, hostile lengths, and the tracker against a
// scripted server.
#include "devlink/AdbBridge.h"
#include "devlink/DeviceTracker.h"
#include "support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

namespace zorvik {
namespace {

using Devices = std::vector<TrackedDevice>;

TEST(TrackDecoder, MessagesCutAtEveryByteComeOutWhole) {
  const std::string stream = "0015S1\tdevice\nS2\toffline\n" "0000" "001dZX1B2\tunauthorized\nS1\tdevice\n";
  for (size_t cut = 1; cut < stream.size(); ++cut) {
    TrackDecoder decoder;
    std::vector<Devices> seen;
    for (size_t at = 0; at < stream.size(); at += cut) {
      decoder.feed(stream.data() + at, std::min(cut, stream.size() - at));
      Devices d;
      while (decoder.next(d) == TrackDecoder::Status::Message) seen.push_back(d);
    }
    ASSERT_EQ(seen.size(), 3u) << cut;
    EXPECT_EQ(seen[0], (Devices{{"S1", "device"}, {"S2", "offline"}}));
    EXPECT_TRUE(seen[1].empty());  // every device gone
    EXPECT_EQ(seen[2], (Devices{{"ZX1B2", "unauthorized"}, {"S1", "device"}}));
  }
}

TEST(TrackDecoder, ALengthThatIsNotHexBreaksTheStreamForGood) {
  TrackDecoder decoder;
  const std::string bad = "00g4abcd0004S\td\n";
  decoder.feed(bad.data(), bad.size());
  Devices d;
  EXPECT_EQ(decoder.next(d), TrackDecoder::Status::Malformed);
  decoder.feed("0000", 4);
  EXPECT_EQ(decoder.next(d), TrackDecoder::Status::Malformed);
}

TEST(TrackDecoder, TheLargestLengthWaitsForItsBytesAndNoMore) {
  TrackDecoder decoder;
  decoder.feed("ffff", 4);
  const std::string body(0xFFFE, 'x');
  decoder.feed(body.data(), body.size());
  Devices d;
  EXPECT_EQ(decoder.next(d), TrackDecoder::Status::NeedMore);
  decoder.feed("\n", 1);
  EXPECT_EQ(decoder.next(d), TrackDecoder::Status::Message);
  EXPECT_TRUE(d.empty());  // no tab: no device
}

TEST(DeviceStates, ListingLinesOfEveryState) {
  EXPECT_EQ(parseDeviceStates("List of devices attached\nS1\tdevice\r\nS2\tno permissions\n\tdevice\nS3 device\n"),
            (Devices{{"S1", "device"}, {"S2", "no permissions"}}));
}

TEST(DeviceTracker, FollowsTheServerAndEndsAtOnceWhenStopped) {
  const std::string request = adbHostRequest("host:track-devices");
  test::LoopbackServer server({{.requestSize = request.size(),
                                .reply = [] {
                                  const std::string r = "OKAY0010S1\tunauthorized\n000aS1\tdevice\n";
                                  return std::vector<unsigned char>(r.begin(), r.end());
                                }(),
                                .pieces = {7, 3}}});
  const uint16_t saved = adbServerPort();
  setAdbServerPort(server.port());
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<Devices> seen;
  DeviceTracker tracker([&](const Devices& d) {
    std::lock_guard lock(mutex);
    seen.push_back(d);
    changed.notify_all();
  });
  tracker.start();
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(5), [&] { return seen.size() == 2; }));
  }
  EXPECT_EQ(seen[0], (Devices{{"S1", "unauthorized"}}));
  EXPECT_EQ(seen[1], (Devices{{"S1", "device"}}));
  server.wait();
  const std::vector<unsigned char> sent = server.requests().at(0).bytes;
  EXPECT_EQ(std::string(sent.begin(), sent.end()), request);
  const auto t0 = std::chrono::steady_clock::now();
  tracker.stop();
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(500));
  setAdbServerPort(saved);
}

}  // namespace
}  // namespace zorvik
