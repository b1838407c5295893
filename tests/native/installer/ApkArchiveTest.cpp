// Member reading through minizip, from files and from memory, on whole, cut and damaged archives.
#include <gtest/gtest.h>

#include <algorithm>

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
