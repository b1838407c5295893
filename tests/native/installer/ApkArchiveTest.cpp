// Member reading through minizip, from files and from memory, on whole, cut and damaged archives.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "AaptDump.h"
#include "installer/ApkArchive.h"
#include "installer/LittleEndian.h"

namespace zorvik {
namespace {

using test::fixture;

TEST(ApkArchive, FindsMembersIgnoringCase) {
  ApkArchive archive;
  ASSERT_TRUE(archive.openFile(fixture("basic.apk")));
  EXPECT_TRUE(archive.hasMember("androidmanifest.XML"));
  EXPECT_TRUE(archive.hasMember("RESOURCES.ARSC"));
  EXPECT_FALSE(archive.hasMember("classes.dex"));
  auto a = archive.readMember("AndroidManifest.xml");
  auto b = archive.readMember("ANDROIDMANIFEST.xml");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(*a, *b);
  EXPECT_GT(a->size(), 100u);
  EXPECT_FALSE(archive.readMember("missing.txt"));
  const auto names = archive.memberNames();
  EXPECT_NE(std::find(names.begin(), names.end(), "com/wiyun/ad/a.class"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "res/drawable/icon.png"), names.end());
}

TEST(ApkArchive, MemoryAndFileGiveTheSameBytes) {
  const std::string bytes = test::readFile(fixture("basic.apk"));
  ApkArchive file, memory;
  ASSERT_TRUE(file.openFile(fixture("basic.apk")));
  ASSERT_TRUE(memory.openMemory(bytes));
  for (const auto& name : file.memberNames()) EXPECT_EQ(file.readMember(name), memory.readMember(name)) << name;
  EXPECT_EQ(file.memberNames(), memory.memberNames());
}

TEST(ApkArchive, MovesOwnership) {
  ApkArchive a;
  ASSERT_TRUE(a.openFile(fixture("basic.apk")));
  ApkArchive b(std::move(a));
  EXPECT_FALSE(a.isOpen());
  EXPECT_TRUE(b.hasMember("resources.arsc"));
  ApkArchive c;
  c = std::move(b);
  EXPECT_TRUE(c.readMember("resources.arsc"));
  c.close();
  EXPECT_FALSE(c.hasMember("resources.arsc"));
}

TEST(ApkArchive, RefusesWhatIsNoArchive) {
  ApkArchive archive;
  EXPECT_FALSE(archive.openFile(fixture("missing.apk")));
  EXPECT_FALSE(archive.openFile(fixture("basic.xmltree")));
  EXPECT_FALSE(archive.openMemory(""));
  EXPECT_FALSE(archive.openMemory(std::string(1000, 'P')));
  EXPECT_FALSE(archive.readMember("AndroidManifest.xml"));
  EXPECT_TRUE(archive.memberNames().empty());
}

TEST(ApkArchive, DamagedDataIsRefused) {
  const std::string good = test::readFile(fixture("basic.apk"));
  const std::string manifest = test::member(fixture("basic.apk"), "AndroidManifest.xml");
  // The local header of the compressed manifest: its data follows the name and extra field.
  const size_t local = good.find(std::string("PK\x03\x04", 4));
  ASSERT_NE(local, std::string::npos);
  uint16_t nameLength = 0, extraLength = 0;
  uint32_t compressed = 0;
  readU32(good, local + 18, compressed);
  readU16(good, local + 26, nameLength);
  readU16(good, local + 28, extraLength);
  ASSERT_EQ(good.substr(local + 30, nameLength), "AndroidManifest.xml");
  const size_t data = local + 30 + nameLength + extraLength;
  for (size_t at = data; at < data + compressed; at += 7) {
    std::string bytes = good;
    bytes[at] = static_cast<char>(bytes[at] ^ 0x5A);
    ApkArchive archive;
    ASSERT_TRUE(archive.openMemory(bytes));
    auto read = archive.readMember("AndroidManifest.xml");
    if (read) {
      EXPECT_EQ(*read, manifest) << "damage at " << at;  // only a CRC-clean result is accepted
    }
  }
}

TEST(ApkArchive, AStoredSizeLieIsRefusedWithoutAHugeBuffer) {
  std::string bytes = test::readFile(fixture("basic.apk"));
  // Every central directory record of the manifest claims 3 GB.
  for (size_t at = bytes.find(std::string("PK\x01\x02", 4)); at != std::string::npos;
       at = bytes.find(std::string("PK\x01\x02", 4), at + 4)) {
    for (int i = 0; i < 4; ++i) bytes[at + 24 + static_cast<size_t>(i)] = static_cast<char>(i == 3 ? 0xC0 : 0);
  }
  ApkArchive archive;
  ASSERT_TRUE(archive.openMemory(bytes));
  EXPECT_FALSE(archive.readMember("AndroidManifest.xml"));
  EXPECT_FALSE(archive.readMember("resources.arsc"));
}

TEST(ApkArchive, CutAnywhereOpensNothingOrReadsTrueBytes) {
  const std::string good = test::readFile(fixture("nointernet.apk"));
  const std::string manifest = test::member(fixture("nointernet.apk"), "AndroidManifest.xml");
  for (size_t n = 0; n < good.size(); ++n) {
    const std::string cut = good.substr(0, n);
    ApkArchive archive;
    if (!archive.openMemory(cut)) continue;
    auto read = archive.readMember("AndroidManifest.xml");
    if (read) {
      EXPECT_EQ(*read, manifest) << "cut at " << n;
    }
    archive.memberNames();
  }
}

}  // namespace
}  // namespace zorvik

namespace zorvik {
namespace {

TEST(ApkArchive, StoredMembersAreSeenInPlace) {
  for (const std::string& path : {test::fixture("basic.apk"), std::string(test::kFramework)}) {
    ApkArchive archive;
    ASSERT_TRUE(archive.openFile(path));
    auto view = archive.storedMemberView("Resources.arsc");
    ASSERT_TRUE(view) << path;
    EXPECT_EQ(std::string(*view), archive.readMember("resources.arsc").value_or("")) << path;
    // The manifest is compressed: it can only be read.
    EXPECT_FALSE(archive.storedMemberView("AndroidManifest.xml"));
    EXPECT_FALSE(archive.storedMemberView("missing"));
  }
}

}  // namespace
}  // namespace zorvik

#include <zlib.h>

namespace zorvik {
namespace {

// The in-place walk against minizip's: the same names and bytes, and on real packages no
// hand-over to minizip.
TEST(ApkArchive, TheInPlaceWalkAgreesWithMinizipOnRealPackages) {
  for (const char* name : {"basic.apk", "utf16.apk", "locales.apk", "nomanifest.apk"}) {
    for (const std::string& path : {test::fixture(name), std::string(test::kFramework)}) {
      ApkArchive inPlace, minizip;
      const std::string bytes = test::readFile(path);
      ASSERT_TRUE(inPlace.openMemory(bytes));
      ASSERT_TRUE(minizip.openMemory(bytes, ApkArchive::Walk::kMinizip));
      EXPECT_TRUE(inPlace.walkedInPlace()) << path;
      EXPECT_FALSE(minizip.walkedInPlace());
      const auto names = inPlace.memberNames();
      ASSERT_EQ(names, minizip.memberNames()) << path;
      for (size_t i = 0; i < names.size(); i += 97) EXPECT_EQ(inPlace.readMember(names[i]), minizip.readMember(names[i]));
    }
  }
}

// A small stored archive, built field by field so that single fields can then be falsified.
struct TestZip {
  std::string bytes;
  size_t directory = 0;            // offset of the first central header
  std::vector<size_t> headers;     // offset of every central header
  size_t end = 0;                  // offset of the end record
};

void put16(std::string& out, uint32_t v) { out += {static_cast<char>(v), static_cast<char>(v >> 8)}; }
void put32(std::string& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}
void set16(std::string& bytes, size_t at, uint32_t v) {
  bytes[at] = static_cast<char>(v);
  bytes[at + 1] = static_cast<char>(v >> 8);
}
void set32(std::string& bytes, size_t at, uint32_t v) {
  set16(bytes, at, v & 0xFFFF);
  set16(bytes, at + 2, v >> 16);
}

TestZip makeZip(const std::vector<std::pair<std::string, std::string>>& members, const std::string& extra = "") {
  TestZip zip;
  std::vector<size_t> locals;
  for (const auto& [name, data] : members) {
    locals.push_back(zip.bytes.size());
    const uint32_t crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    put32(zip.bytes, 0x04034b50);
    for (uint32_t v : {20u, 0u, 0u, 0u, 0u}) put16(zip.bytes, v);
    for (uint32_t v : {crc, uint32_t(data.size()), uint32_t(data.size())}) put32(zip.bytes, v);
    put16(zip.bytes, static_cast<uint32_t>(name.size()));
    put16(zip.bytes, 0);
    zip.bytes += name + data;
  }
  zip.directory = zip.bytes.size();
  for (size_t i = 0; i < members.size(); ++i) {
    const auto& [name, data] = members[i];
    zip.headers.push_back(zip.bytes.size());
    const uint32_t crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    put32(zip.bytes, 0x02014b50);
    for (uint32_t v : {20u, 20u, 0u, 0u, 0u, 0u}) put16(zip.bytes, v);
    for (uint32_t v : {crc, uint32_t(data.size()), uint32_t(data.size())}) put32(zip.bytes, v);
    for (uint32_t v : {uint32_t(name.size()), uint32_t(extra.size()), 0u, 0u, 0u}) put16(zip.bytes, v);
    put32(zip.bytes, 0);
    put32(zip.bytes, static_cast<uint32_t>(locals[i]));
    zip.bytes += name + extra;
  }
  zip.end = zip.bytes.size();
  put32(zip.bytes, 0x06054b50);
  for (uint32_t v : {0u, 0u, uint32_t(members.size()), uint32_t(members.size())}) put16(zip.bytes, v);
  put32(zip.bytes, static_cast<uint32_t>(zip.end - zip.directory));
  put32(zip.bytes, static_cast<uint32_t>(zip.directory));
  put16(zip.bytes, 0);
  return zip;
}

const std::vector<std::pair<std::string, std::string>> kMembers = {
    {"AndroidManifest.xml", "first manifest"}, {"res/a.png", "png"}, {"androidmanifest.XML", "second manifest"}};

// Each falsified directory: the in-place walk opens exactly what minizip's walk opens, lists the
// same names, and hands over to minizip whenever it does not take the directory on itself.
TEST(ApkArchive, ADamagedDirectoryOpensAsMinizipWouldOpenIt) {
  struct Case {
    const char* what;
    std::function<void(TestZip&)> damage;
    bool inPlace;  // still walked in place
    bool opens;
  };
  const Case cases[] = {
      {"sound", [](TestZip&) {}, true, true},
      {"entry past the end", [](TestZip& z) { set32(z.bytes, z.headers[1] + 42, 0x7FFFFFF0); }, true, true},
      {"directory cut short", [](TestZip& z) { z.bytes.erase(z.headers[2], 10); }, false, false},
      {"directory size too large", [](TestZip& z) { set32(z.bytes, z.end + 12, 0x1000); }, false, false},
      {"count one short", [](TestZip& z) { set16(z.bytes, z.end + 8, 2), set16(z.bytes, z.end + 10, 2); }, false, true},
      {"count one over", [](TestZip& z) { set16(z.bytes, z.end + 8, 4), set16(z.bytes, z.end + 10, 4); }, false, false},
      {"counts disagree", [](TestZip& z) { set16(z.bytes, z.end + 8, 2); }, false, false},
      {"no entries", [](TestZip& z) { set16(z.bytes, z.end + 8, 0), set16(z.bytes, z.end + 10, 0); }, false, false},
      {"bad header signature", [](TestZip& z) { z.bytes[z.headers[1]] = 'Q'; }, false, false},
      {"name runs past the directory", [](TestZip& z) { set16(z.bytes, z.headers[2] + 28, 200); }, false, false},
      {"ZIP64 directory offset", [](TestZip& z) { set32(z.bytes, z.end + 16, 0xFFFFFFFF); }, false, false},
      {"ZIP64 member size", [](TestZip& z) { set32(z.bytes, z.headers[0] + 24, 0xFFFFFFFF); }, false, true},
      {"comment longer than the file", [](TestZip& z) { set16(z.bytes, z.end + 20, 40); }, false, true},
      {"bytes before the archive", [](TestZip& z) { z.bytes.insert(0, "MZ stub"); }, false, true},
  };
  for (const Case& c : cases) {
    TestZip zip = makeZip(kMembers);
    c.damage(zip);
    ApkArchive inPlace, minizip;
    const bool opened = inPlace.openMemory(zip.bytes);
    EXPECT_EQ(opened, c.opens) << c.what;
    EXPECT_EQ(opened, minizip.openMemory(zip.bytes, ApkArchive::Walk::kMinizip)) << c.what;
    EXPECT_EQ(inPlace.walkedInPlace(), c.inPlace) << c.what;
    EXPECT_EQ(inPlace.memberNames(), minizip.memberNames()) << c.what;
    for (const auto& [name, data] : kMembers) EXPECT_EQ(inPlace.readMember(name), minizip.readMember(name)) << c.what;
  }
}

// A ZIP64 archive: sizes and offsets in the 64-bit extra fields, the 64-bit end record and its
// locator before the classic end record. Left to minizip's walk; a member is read true or not at all.
TEST(ApkArchive, AZip64ArchiveIsLeftToMinizip) {
  const std::string data = "zip64 manifest";
  const uint32_t crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
  const std::string name = "AndroidManifest.xml";
  auto put64 = [](std::string& out, uint64_t v) {
    put32(out, static_cast<uint32_t>(v));
    put32(out, static_cast<uint32_t>(v >> 32));
  };
  std::string zip;
  put32(zip, 0x04034b50);
  for (uint32_t v : {45u, 0u, 0u, 0u, 0u}) put16(zip, v);
  for (uint32_t v : {crc, 0xFFFFFFFFu, 0xFFFFFFFFu}) put32(zip, v);
  put16(zip, static_cast<uint32_t>(name.size()));
  put16(zip, 20);
  zip += name;
  for (uint32_t v : {1u, 16u}) put16(zip, v);
  put64(zip, data.size());
  put64(zip, data.size());
  zip += data;
  const size_t directory = zip.size();
  put32(zip, 0x02014b50);
  for (uint32_t v : {45u, 45u, 0u, 0u, 0u, 0u}) put16(zip, v);
  for (uint32_t v : {crc, 0xFFFFFFFFu, 0xFFFFFFFFu}) put32(zip, v);
  for (uint32_t v : {uint32_t(name.size()), 28u, 0u, 0u, 0u}) put16(zip, v);
  put32(zip, 0);
  put32(zip, 0xFFFFFFFF);
  zip += name;
  for (uint32_t v : {1u, 24u}) put16(zip, v);
  put64(zip, data.size());
  put64(zip, data.size());
  put64(zip, 0);
  const size_t end64 = zip.size();
  put32(zip, 0x06064b50);
  put64(zip, 44);
  for (uint32_t v : {45u, 45u}) put16(zip, v);
  put32(zip, 0);
  put32(zip, 0);
  for (uint64_t v : {uint64_t(1), uint64_t(1), uint64_t(end64 - directory), uint64_t(directory)}) put64(zip, v);
  put32(zip, 0x07064b50);
  put32(zip, 0);
  put64(zip, end64);
  put32(zip, 1);
  put32(zip, 0x06054b50);
  for (uint32_t v : {0u, 0u, 0xFFFFu, 0xFFFFu}) put16(zip, v);
  put32(zip, 0xFFFFFFFF);
  put32(zip, 0xFFFFFFFF);
  put16(zip, 0);

  ApkArchive inPlace, minizip;
  ASSERT_TRUE(inPlace.openMemory(zip));
  ASSERT_TRUE(minizip.openMemory(zip, ApkArchive::Walk::kMinizip));
  EXPECT_FALSE(inPlace.walkedInPlace());
  EXPECT_EQ(inPlace.memberNames(), minizip.memberNames());
  const auto read = inPlace.readMember(name);
  if (read) {
    EXPECT_EQ(*read, data);
  }
  EXPECT_EQ(read, minizip.readMember(name));
}

TEST(ApkArchive, DuplicateNamesReadTheFirstAndAnEntryPastTheEndReadsNothing) {
  TestZip zip = makeZip(kMembers);
  set32(zip.bytes, zip.headers[1] + 42, static_cast<uint32_t>(zip.bytes.size()));
  ApkArchive archive;
  ASSERT_TRUE(archive.openMemory(zip.bytes));
  EXPECT_EQ(archive.memberNames().size(), 3u);
  EXPECT_EQ(archive.readMember("ANDROIDMANIFEST.XML"), "first manifest");
  EXPECT_FALSE(archive.readMember("res/a.png"));
  EXPECT_FALSE(archive.storedMemberView("res/a.png"));
  EXPECT_EQ(archive.storedMemberView("AndroidManifest.xml"), "first manifest");
}

TEST(ApkArchive, ExtraFieldsAreWalkedWithinTheirHeader) {
  struct Case {
    std::string extra;
    bool inPlace;
  };
  const Case cases[] = {
      {std::string("\x55\x54\x05\x00\x01\x02\x03\x04\x05", 9), true},   // one whole block
      {std::string("\x55\x54\x09\x00\x01\x02\x03\x04\x05", 9), false},  // a block running past it
      {std::string("\x55\x54\x00", 3), false},                          // a cut block header
      {std::string("\x01\x00\x08\x00\x01\x02\x03\x04\x05\x06\x07\x08", 12), false},  // ZIP64 sizes
  };
  for (const Case& c : cases) {
    const TestZip zip = makeZip(kMembers, c.extra);
    ApkArchive inPlace, minizip;
    EXPECT_EQ(inPlace.openMemory(zip.bytes), minizip.openMemory(zip.bytes, ApkArchive::Walk::kMinizip));
    EXPECT_EQ(inPlace.walkedInPlace(), c.inPlace) << c.extra.size();
    EXPECT_EQ(inPlace.memberNames(), minizip.memberNames());
    EXPECT_EQ(inPlace.readMember("res/a.png"), minizip.readMember("res/a.png"));
  }
}

}  // namespace
}  // namespace zorvik
