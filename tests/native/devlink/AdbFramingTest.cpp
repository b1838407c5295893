// The smart-socket codec: frames cut anywhere come out whole and in order, hostile lengths are
// refused before their bytes are awaited, and the encoders write what the decoders read.
#include "devlink/AdbFraming.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zorvik {
namespace {

using Decoder = AdbFrame (*)(std::string_view);

// Decodes a stream delivered in two pieces cut at `cut`, as a reader does: decode what it has,
// read more when told, drop what a frame consumed.
std::vector<std::string> decodeCut(const std::string& wire, size_t cut, Decoder decode, bool& malformed) {
  std::vector<std::string> texts;
  std::string buffer = wire.substr(0, cut);
  size_t next = cut;
  malformed = false;
  for (;;) {
    const AdbFrame f = decode(buffer);
    if (f.status == AdbDecode::Malformed) {
      malformed = true;
      return texts;
    }
    if (f.status == AdbDecode::NeedMore) {
      EXPECT_GT(f.wanted, buffer.size()) << "cut " << cut;
      if (next == wire.size()) return texts;
      buffer += wire.substr(next);
      next = wire.size();
      continue;
    }
    EXPECT_LE(f.consumed, buffer.size());
    texts.emplace_back(f.text);
    buffer.erase(0, f.consumed);
  }
}

TEST(AdbFraming, RequestsCutAtEveryOffsetComeOutWhole) {
  const std::string wire = "000chost:version0012host:transport-any0005sync:";
  const std::vector<std::string> want = {"host:version", "host:transport-any", "sync:"};
  for (size_t cut = 0; cut <= wire.size(); ++cut) {
    bool malformed = true;
    EXPECT_EQ(decodeCut(wire, cut, [](std::string_view d) { return decodeAdbRequest(d); }, malformed), want) << cut;
    EXPECT_FALSE(malformed);
  }
}

TEST(AdbFraming, HostileRequestLengthsAreRefusedBeforeTheirBytes) {
  EXPECT_EQ(decodeAdbRequest("ffff").status, AdbDecode::Malformed);  // no waiting for 64 KB
  EXPECT_EQ(decodeAdbRequest("1001").status, AdbDecode::Malformed);  // one over the ceiling
  EXPECT_EQ(decodeAdbRequest("0000").status, AdbDecode::Malformed);  // no service
  EXPECT_EQ(decodeAdbRequest("00g1x").status, AdbDecode::Malformed);
  EXPECT_EQ(decodeAdbRequest("-001x").status, AdbDecode::Malformed);
  EXPECT_EQ(decodeAdbRequest(" 01x").status, AdbDecode::Malformed);
  const AdbFrame atCeiling = decodeAdbRequest("1000");
  EXPECT_EQ(atCeiling.status, AdbDecode::NeedMore);
  EXPECT_EQ(atCeiling.wanted, 4u + kAdbServiceMax);
  EXPECT_EQ(decodeAdbRequest("000Ahost:devic").status, AdbDecode::Complete);  // either case of digits
  EXPECT_EQ(decodeAdbRequest("00").wanted, 4u);
}

TEST(AdbFraming, AnswersCutAtEveryOffset) {
  const std::string fail = "FAIL000edevice offline";
  for (size_t cut = 0; cut < fail.size(); ++cut) {
    const AdbFrame f = decodeAdbAnswer(std::string_view(fail).substr(0, cut));
    EXPECT_EQ(f.status, AdbDecode::NeedMore) << cut;
    EXPECT_GT(f.wanted, cut);
  }
  const std::string received = fail + "trailing";  // the frame's text is a view into it
  const AdbFrame f = decodeAdbAnswer(received);
  ASSERT_EQ(f.status, AdbDecode::Complete);
  EXPECT_FALSE(f.okay);
  EXPECT_EQ(f.text, "device offline");
  EXPECT_EQ(f.consumed, fail.size());

  const AdbFrame okay = decodeAdbAnswer("OKAYshell output");
  EXPECT_TRUE(okay.okay);
  EXPECT_EQ(okay.consumed, 4u);  // what follows belongs to the service
  const AdbFrame version = decodeAdbAnswer("OKAY00040029", true);
  EXPECT_EQ(version.text, "0029");
  EXPECT_EQ(decodeAdbAnswer("OKAY0004002", true).status, AdbDecode::NeedMore);
  EXPECT_EQ(decodeAdbAnswer("OKA").status, AdbDecode::NeedMore);

  EXPECT_EQ(decodeAdbAnswer("HTTP/1.1 200").status, AdbDecode::Malformed);
  EXPECT_EQ(decodeAdbAnswer("okay").status, AdbDecode::Malformed);
  EXPECT_EQ(decodeAdbAnswer("FAIL0100", false, 255).status, AdbDecode::Malformed);  // over the caller's ceiling
  EXPECT_EQ(decodeAdbAnswer("FAILzzzz").status, AdbDecode::Malformed);
}

TEST(AdbFraming, TrackDevicesStreamCutAtEveryOffset) {
  // After its OKAY, host:track-devices sends the list again after every change; an empty list is
  // a message of its own.
  const std::string lists[] = {"0123456789ABCDEF\tdevice\n", "0123456789ABCDEF\toffline\nSECOND01\tdevice\n", ""};
  std::string wire;
  for (const std::string& l : lists) wire += adbLengthPrefixed(l);
  for (size_t cut = 0; cut <= wire.size(); ++cut) {
    bool malformed = true;
    EXPECT_EQ(decodeCut(wire, cut, [](std::string_view d) { return decodeAdbText(d); }, malformed),
              std::vector<std::string>(std::begin(lists), std::end(lists)))
        << cut;
    EXPECT_FALSE(malformed);
  }
  EXPECT_EQ(decodeAdbText("0400", 255).status, AdbDecode::Malformed);
  EXPECT_EQ(decodeAdbText("ffff").wanted, 4u + 0xFFFF);
}

TEST(AdbFraming, EncodersWriteWhatTheDecodersRead) {
  EXPECT_EQ(adbFail("device offline"), "FAIL000edevice offline");
  EXPECT_EQ(adbOkayWithText("0029"), "OKAY00040029");
  EXPECT_EQ(adbOkay(), "OKAY");
  EXPECT_EQ(adbLengthPrefix(0x3f, AdbHexCase::Upper), "003F");
  EXPECT_EQ(adbLengthPrefix(0x3f), "003f");
  EXPECT_EQ(encodeAdbRequest("host:version"), "000chost:version");
  EXPECT_EQ(encodeAdbRequest(""), "");
  EXPECT_EQ(encodeAdbRequest(std::string(kAdbServiceMax + 1, 'x')), "");
  EXPECT_EQ(decodeAdbRequest(encodeAdbRequest(std::string(kAdbServiceMax, 'x'))).status, AdbDecode::Complete);
  // A text beyond what four digits can say is cut, so the prefix never lies about what follows.
  const std::string huge = adbLengthPrefixed(std::string(0x10005, 'y'));
  EXPECT_EQ(huge.size(), 4u + 0xFFFF);
  EXPECT_EQ(huge.substr(0, 4), "ffff");
  EXPECT_EQ(decodeAdbText(huge).consumed, huge.size());
}

TEST(AdbFraming, SyncHeaders) {
  std::string wire;
  appendAdbSyncText(wire, "SEND", "/sdcard/a.apk,33188");
  appendAdbSync(wire, "DONE", 0x01020304);
  for (size_t cut = 0; cut < kAdbSyncHeaderSize; ++cut)
    EXPECT_EQ(decodeAdbSyncHeader(std::string_view(wire).substr(0, cut)).status, AdbDecode::NeedMore) << cut;
  const AdbSyncHeader send = decodeAdbSyncHeader(wire);
  EXPECT_TRUE(send.is("SEND"));
  EXPECT_EQ(send.value, 19u);
  const AdbSyncHeader done = decodeAdbSyncHeader(std::string_view(wire).substr(kAdbSyncHeaderSize + 19));
  EXPECT_TRUE(done.is("DONE"));
  EXPECT_EQ(done.value, 0x01020304u);
  EXPECT_EQ(wire.substr(wire.size() - 4), std::string("\x04\x03\x02\x01", 4));  // little-endian
}

}  // namespace
}  // namespace zorvik
