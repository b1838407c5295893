// The resource table reader, on tables aapt wrote and on hostile bytes derived from them.
#include <gtest/gtest.h>

#include "AaptDump.h"
#include "common/TextConv.h"
#include "installer/LittleEndian.h"
#include "installer/ResourceTable.h"
#include "installer/StringPool.h"

namespace zorvik {
namespace {

using test::fixture;

constexpr uint8_t kDrawable = 2, kString = 3;  // the type ids aapt gave the basic fixture

std::string tableOf(const std::string& apk) { return test::member(fixture(apk), "resources.arsc"); }

void putU32(std::string& bytes, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
}

// Offsets of every chunk of `type` inside the first package, in file order.
std::vector<size_t> chunksOfType(const std::string& bytes, uint16_t type) {
  std::vector<size_t> found;
  ChunkHeader table, pool, package;
  if (!readChunkHeader(bytes, 0, table) || !readChunkHeader(bytes, table.headerSize, pool)) return found;
  const size_t packageAt = table.headerSize + pool.size;
  if (!readChunkHeader(bytes, packageAt, package)) return found;
  size_t pos = packageAt + package.headerSize;
  ChunkHeader h;
  while (pos < packageAt + package.size && readChunkHeader(bytes, pos, h)) {
    if (h.type == type) found.push_back(pos);
    pos += h.size;
  }
  return found;
}

TEST(ResourceTable, Utf8AndUtf16PoolsGiveTheSameStrings) {
  const std::string utf8 = tableOf("basic.apk"), utf16 = tableOf("utf16.apk");
  uint32_t flags8 = 0, flags16 = 0;
  ASSERT_TRUE(readU32(utf8, 28, flags8));
  ASSERT_TRUE(readU32(utf16, 28, flags16));
  EXPECT_TRUE(flags8 & StringPool::kUtf8Flag);
  EXPECT_FALSE(flags16 & StringPool::kUtf8Flag);
  auto a = readResourceTable(utf8, kString, kDrawable);
  auto b = readResourceTable(utf16, kString, kDrawable);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->label, b->label);
  EXPECT_EQ(a->icon, b->icon);
  EXPECT_EQ(entryText(a->icon, 0), "res/drawable/icon.png");
  EXPECT_EQ(entryText(a->label, 1), "2.5.1-beta");
}

TEST(ResourceTable, TheConfigurationStoredLastWins) {
  auto table = readResourceTable(tableOf("basic.apk"), kString, kDrawable);
  ASSERT_TRUE(table);
  const std::string dump = test::readFile(fixture("basic.resources"));
  // "zh-rCN" follows the default in the file (literals here are GBK, the dump is UTF-8).
  EXPECT_EQ(toAnsi(test::lastResourceValue(dump, 0x7f030000)), "演示程序");
  EXPECT_EQ(entryText(table->label, 0), "演示程序");  // the program's own GBK text
  EXPECT_EQ(entryText(table->label, 2), "Not the label");
  EXPECT_EQ(table->label.size(), 3u);  // sized by the typeSpec chunk
  EXPECT_EQ(entryText(table->label, 3), "");
  EXPECT_EQ(entryText(table->label, 0xFFFF), "");
}

TEST(ResourceTable, ReadsLongUtf8Strings) {
  const std::string arsc = tableOf("plugin.apk");
  const std::string expected = test::lastResourceValue(test::readFile(fixture("plugin.resources")), 0x7f020000);
  ASSERT_GE(expected.size(), 300u);  // 199 characters, two length bytes in the pool
  auto table = readResourceTable(arsc, 2, 0);
  ASSERT_TRUE(table);
  EXPECT_EQ(entryText(table->label, 0), toAnsi(expected));
}

TEST(ResourceTable, OnlyThePackageAskedForIsRead) {
  const std::string arsc = tableOf("basic.apk");
  auto other = readResourceTable(arsc, kString, kDrawable, 0x01);
  ASSERT_TRUE(other);
  EXPECT_TRUE(other->label.empty());
  auto general = readResourceTypes(arsc, kAppPackageId, {kDrawable, kString, 9});
  ASSERT_TRUE(general);
  EXPECT_EQ(entryText((*general)[0], 0), "res/drawable/icon.png");
  EXPECT_EQ(entryText((*general)[1], 2), "Not the label");
  EXPECT_TRUE((*general)[2].empty());
}

TEST(ResourceTable, CutAnywhereIsRefusedOrReadsWithinTheBytes) {
  const std::string arsc = tableOf("basic.apk");
  for (size_t n = 0; n < arsc.size(); ++n) {
    // Cut copies live in their own buffer so ASan sees any read past the end.
    const std::string cut = arsc.substr(0, n);
    auto table = readResourceTable(cut, kString, kDrawable);
    EXPECT_FALSE(table) << "cut at " << n;  // the table header's size no longer fits
  }
  // With the header's size mended to fit, the reader walks what remains and stops cleanly.
  uint32_t poolSize = 0;
  ASSERT_TRUE(readU32(arsc, 16, poolSize));
  const size_t packageAt = 12 + poolSize;
  for (size_t n = 12; n < arsc.size(); ++n) {
    std::string cut = arsc.substr(0, n);
    putU32(cut, 4, static_cast<uint32_t>(n));
    auto table = readResourceTable(cut, kString, kDrawable);
    // A cut inside a chunk leaves its size pointing past the end: refused. Only the cut right
    // after the string pool (nothing of the package left) reads, as a table without the package.
    EXPECT_EQ(table.has_value(), n == packageAt) << "cut at " << n;
    if (table) {
      EXPECT_TRUE(table->label.empty() && table->icon.empty()) << "cut at " << n;
    }
  }
}

TEST(ResourceTable, RefusesHostileOffsetsAndCounts) {
  const std::string good = tableOf("basic.apk");
  const auto types = chunksOfType(good, kTypeChunk);
  const auto specs = chunksOfType(good, kTypeSpecChunk);
  ASSERT_EQ(types.size(), 3u);  // drawable, string default, string zh-rCN
  ASSERT_EQ(specs.size(), 3u);  // attr (no entries), drawable, string
  const size_t stringType = types[1];
  uint16_t headerSize = 0;
  readU16(good, stringType + 2, headerSize);

  auto refused = [&](const char* what, auto patch) {
    std::string bytes = good;
    patch(bytes);
    EXPECT_FALSE(readResourceTable(bytes, kString, kDrawable)) << what;
  };
  refused("global string count", [](std::string& b) { putU32(b, 20, 0x40000000); });
  refused("global strings start", [](std::string& b) { putU32(b, 32, 0x7FFFFFF0); });
  refused("package size", [&](std::string& b) {
    uint32_t poolSize = 0;
    readU32(b, 16, poolSize);
    putU32(b, 12 + poolSize + 4, 0x7FFFFFF0);
  });
  refused("type entry count", [&](std::string& b) { putU32(b, stringType + 12, 0x00FFFFFF); });
  refused("type entry count past the chunk", [&](std::string& b) { putU32(b, stringType + 12, 0xFFF0); });
  refused("entries start", [&](std::string& b) { putU32(b, stringType + 16, 0x7FFFFFF0); });
  refused("entry offset", [&](std::string& b) { putU32(b, stringType + headerSize, 0x7FFFFFF0); });
  refused("type chunk size", [&](std::string& b) { putU32(b, stringType + 4, 0x7FFFFFF0); });
  refused("typeSpec count", [&](std::string& b) { putU32(b, specs[2] + 12, 0x7FFFFFF0); });
  EXPECT_FALSE(readResourceTable("", kString, kDrawable));
  EXPECT_FALSE(readResourceTable(std::string(64, '\xFF'), kString, kDrawable));
}

TEST(ResourceTable, OnlyStringValuesNameStrings) {
  std::string bytes = tableOf("basic.apk");
  const size_t stringType = chunksOfType(bytes, kTypeChunk)[1];
  uint16_t headerSize = 0;
  uint32_t entriesStart = 0, offset = 0;
  readU16(bytes, stringType + 2, headerSize);
  readU32(bytes, stringType + 16, entriesStart);
  readU32(bytes, stringType + headerSize + 4, offset);  // entry 1, the version name
  const size_t entry = stringType + entriesStart + offset;
  bytes[entry + 11] = 0x1C;  // a colour: its data is no string index
  auto table = readResourceTable(bytes, kString, kDrawable);
  ASSERT_TRUE(table);
  EXPECT_EQ(entryText(table->label, 1), "");
  bytes[entry + 11] = 0x03;
  putU32(bytes, entry + 12, 0x00FFFFFF);  // a string index past the pool
  table = readResourceTable(bytes, kString, kDrawable);
  ASSERT_TRUE(table);
  EXPECT_EQ(entryText(table->label, 1), "");
  EXPECT_EQ(entryText(table->label, 0), "演示程序");
}

}  // namespace
}  // namespace zorvik

namespace zorvik {
namespace {

TEST(ResourceTable, ResolvingSomeEntriesAgreesWithTheWholeTables) {
  for (const std::string apk : {"basic.apk", "utf16.apk"}) {
    const std::string arsc = tableOf(apk);
    auto whole = readResourceTable(arsc, kString, kDrawable);
    ASSERT_TRUE(whole);
    auto some = resolveResourceStrings(arsc, kAppPackageId,
                                       {{kString, 0}, {kString, 1}, {kDrawable, 0}, {0, 0}, {kString, 999}, {7, 0}});
    ASSERT_TRUE(some);
    EXPECT_EQ(*some, (std::vector<std::string>{entryText(whole->label, 0), entryText(whole->label, 1),
                                                entryText(whole->icon, 0), "", "", ""}));
    EXPECT_EQ((*some)[0], "演示程序");
  }
}

}  // namespace
}  // namespace zorvik

namespace zorvik {
namespace {

// The default-configuration string chunk of the basic table rewritten in the sparse form that
// newer build tools write: (entry number, offset / 4) pairs for the entries kept.
std::string withSparseStrings(const std::string& good, const std::vector<uint16_t>& keep) {
  const size_t at = chunksOfType(good, kTypeChunk)[1];
  uint16_t headerSize = 0;
  uint32_t size = 0, entriesStart = 0;
  readU16(good, at + 2, headerSize);
  readU32(good, at + 4, size);
  readU32(good, at + 16, entriesStart);
  std::string chunk = good.substr(at, headerSize);
  chunk[9] = static_cast<char>(chunk[9] | 0x01);
  putU32(chunk, 12, static_cast<uint32_t>(keep.size()));
  for (uint16_t entry : keep) {
    uint32_t offset = 0;
    readU32(good, at + headerSize + entry * 4u, offset);
    std::string pair(4, '\0');
    putU32(pair, 0, entry | (offset / 4) << 16);
    chunk += pair;
  }
  putU32(chunk, 16, static_cast<uint32_t>(chunk.size()));
  chunk += good.substr(at + entriesStart, size - entriesStart);
  putU32(chunk, 4, static_cast<uint32_t>(chunk.size()));
  std::string out = good.substr(0, at) + chunk + good.substr(at + size);
  const int32_t grown = static_cast<int32_t>(chunk.size()) - static_cast<int32_t>(size);
  uint32_t poolSize = 0, packageSize = 0;
  readU32(out, 16, poolSize);
  const size_t packageAt = 12 + poolSize;
  readU32(out, packageAt + 4, packageSize);
  putU32(out, packageAt + 4, packageSize + grown);
  putU32(out, 4, static_cast<uint32_t>(out.size()));
  return out;
}

TEST(ResourceTable, ReadsSparseTypeChunks) {
  const std::string sparse = withSparseStrings(tableOf("basic.apk"), {0, 2});
  auto table = readResourceTable(sparse, kString, kDrawable);
  ASSERT_TRUE(table);
  EXPECT_EQ(entryText(table->label, 0), "演示程序");  // the localised chunk still follows
  EXPECT_EQ(entryText(table->label, 1), "");         // not in the sparse chunk
  EXPECT_EQ(entryText(table->label, 2), "Not the label");
  auto some = resolveResourceStrings(sparse, kAppPackageId, {{kString, 2}, {kString, 1}});
  ASSERT_TRUE(some);
  EXPECT_EQ(*some, (std::vector<std::string>{"Not the label", ""}));
  // A sparse pair whose offset runs past the chunk is refused.
  std::string bad = sparse;
  const size_t at = chunksOfType(bad, kTypeChunk)[1];
  uint16_t headerSize = 0;
  readU16(bad, at + 2, headerSize);
  putU32(bad, at + headerSize, 0xFFFF0000u);
  EXPECT_FALSE(readResourceTable(bad, kString, kDrawable));
}

}  // namespace
}  // namespace zorvik

namespace zorvik {
namespace {

void putU16(std::string& bytes, size_t at, uint16_t v) {
  bytes[at] = static_cast<char>(v);
  bytes[at + 1] = static_cast<char>(v >> 8);
}

std::string chunk(uint16_t type, uint16_t headerSize, std::string body) {
  std::string c(8, '\0');
  putU16(c, 0, type);
  putU16(c, 2, headerSize);
  c += body;
  putU32(c, 4, static_cast<uint32_t>(c.size()));
  return c;
}

// A UTF-16 pool whose string offsets are `offsets` into `strings`.
std::string utf16Pool(const std::vector<uint32_t>& offsets, const std::string& strings) {
  std::string body(20, '\0');
  putU32(body, 0, static_cast<uint32_t>(offsets.size()));
  putU32(body, 12, static_cast<uint32_t>(28 + offsets.size() * 4));
  for (uint32_t o : offsets) {
    std::string word(4, '\0');
    putU32(word, 0, o);
    body += word;
  }
  return chunk(StringPool::kChunkType, 28, body + strings);
}

// A table of package 0x7F whose string type (3) has `entries` entries, entry i naming global
// string index(i); every entry shares one 16-byte entry record when index is constant.
std::string hostileTable(const std::string& pool, uint32_t entries, uint32_t (*index)(uint32_t)) {
  const std::string emptyPool = utf16Pool({}, "");
  std::string package(kPackageHeaderSize - 8, '\0');
  putU32(package, 0, kAppPackageId);
  package += emptyPool + emptyPool;
  std::string entryFlags(8 + entries * 4, '\0');
  entryFlags[0] = 3;
  putU32(entryFlags, 4, entries);
  package += chunk(kTypeSpecChunk, 16, entryFlags);
  const uint16_t typeHeader = 20 + 64;  // a default configuration of 64 bytes
  std::string type(typeHeader - 8, '\0');
  type[0] = 3;
  putU32(type, 4, entries);
  putU32(type, 12, 64);
  std::string offsets, records;
  for (uint32_t i = 0; i < entries; ++i) {
    std::string word(4, '\0'), record(16, '\0');
    const uint32_t n = index(i);
    putU32(word, 0, n == index(0) ? 0 : static_cast<uint32_t>(records.size()));
    putU16(record, 0, 8);
    putU16(record, 8, 8);
    record[11] = 0x03;
    putU32(record, 12, n);
    offsets += word;
    if (i == 0 || n != index(0)) records += record;
  }
  putU32(type, 8, typeHeader + static_cast<uint32_t>(offsets.size()));
  package += chunk(kTypeChunk, typeHeader, type + offsets + records);
  std::string head(4, '\0');
  putU32(head, 0, 1);
  return chunk(kTableChunk, 12, head + pool + chunk(kPackageChunk, kPackageHeaderSize, package));
}

std::string utf16Run(uint16_t unit, size_t units) {
  std::string s;
  for (size_t i = 0; i < units; ++i) s += std::string{static_cast<char>(unit), static_cast<char>(unit >> 8)};
  return s;
}

TEST(ResourceTable, EntriesNamingOneLongStringShareOneCopy) {
  // 60,000 bytes of text once in the file; every entry of the type names it. Reading used to copy
  // it for each entry (65,536 entries: near 4 GB from a file of a few hundred KB).
  std::string text(2, '\0');
  putU16(text, 0, 30000);
  text += utf16Run(0x4E2D, 30000) + std::string(2, '\0');
  const uint32_t kEntries = 4096;  // kept small: a regression costs a quarter gigabyte, not four
  const std::string bytes = hostileTable(utf16Pool({0}, text), kEntries, [](uint32_t) { return 0u; });
  auto table = readResourceTable(bytes, kString, kString);
  ASSERT_TRUE(table);
  ASSERT_EQ(table->label.size(), kEntries);
  EXPECT_EQ(table->label.at(0).size(), 60000u);
  EXPECT_EQ(table->label.at(0).substr(0, 2), "中");
  EXPECT_EQ(&table->label.at(0), &table->label.at(kEntries - 1));
  EXPECT_EQ(&table->label.at(7), &table->icon.at(7));
  auto some = resolveResourceStrings(bytes, kAppPackageId, {{kString, 0}, {kString, kEntries - 1}});
  ASSERT_TRUE(some);
  EXPECT_EQ((*some)[1], table->label.at(0));
}

TEST(ResourceTable, StringsOverlappingBeyondThePoolAreRefused) {
  // One run of 30,000 units, each read as a length: a string starting at every other byte claims
  // 57 KB, so 1,300 indices made 75 MB of text out of a 60 KB pool.
  const std::string run = utf16Run(0x7000, 30000);
  std::vector<uint32_t> offsets;
  for (uint32_t i = 0; i < 1300; ++i) offsets.push_back(2 * i);
  const std::string bytes = hostileTable(utf16Pool(offsets, run), 1300, [](uint32_t i) { return i; });
  EXPECT_FALSE(readResourceTable(bytes, kString, kDrawable));
  EXPECT_FALSE(resolveResourceStrings(bytes, kAppPackageId, {{kString, 0}, {kString, 1}, {kString, 2}}));
  // A few of them stay within what the pool holds and read.
  auto two = resolveResourceStrings(bytes, kAppPackageId, {{kString, 0}, {kString, 1}});
  ASSERT_TRUE(two);
  EXPECT_EQ((*two)[0].size(), 2u * 0x7000);
}

TEST(ResourceTable, ChineseIsPreferredAmongManyLanguages) {
  // aapt stores de, fr, zu, zh-rCN, zh-rTW in that order after the default.
  const std::string arsc = tableOf("locales.apk");
  auto table = readResourceTable(arsc, kString, kDrawable);
  ASSERT_TRUE(table);
  EXPECT_EQ(entryText(table->label, 0), "世界时钟");  // not zh-rTW, stored last
  EXPECT_EQ(entryText(table->label, 1), "4.2");      // the default, not zu stored after it
  EXPECT_EQ(entryText(table->icon, 0), "res/drawable-xhdpi-v4/icon.png");  // densities: the last
  // Chinese without a region before the default; no Chinese and no default: the last.
  EXPECT_EQ(entryText(readResourceTable(tableOf("zhonly.apk"), 2, 0)->label, 0), "笔记");
  EXPECT_EQ(entryText(readResourceTable(tableOf("nodefault.apk"), 2, 0)->label, 1), "Kude");
}

TEST(ResourceTable, ConfigurationRanks) {
  auto config = [](const char* language, const char* country, uint8_t density) {
    std::string c(64, '\0');
    putU32(c, 0, 64);
    c.replace(8, 2, language, 2);
    c.replace(10, 2, country, 2);
    c[14] = static_cast<char>(density);
    return c;
  };
  EXPECT_EQ(configRank(config("zh", "CN", 0)), ConfigRank::kChineseChina);
  EXPECT_EQ(configRank(config("zh", "CN", 240)), ConfigRank::kChineseChina);
  EXPECT_EQ(configRank(config("zh", "\0\0", 0)), ConfigRank::kChinese);
  EXPECT_EQ(configRank(config("zh", "TW", 0)), ConfigRank::kOther);
  EXPECT_EQ(configRank(config("\0\0", "\0\0", 0)), ConfigRank::kDefault);
  EXPECT_EQ(configRank(config("\0\0", "\0\0", 240)), ConfigRank::kOther);
  EXPECT_EQ(configRank(config("zu", "\0\0", 0)), ConfigRank::kOther);
  EXPECT_EQ(configRank(config("zh", "CN", 0).substr(0, 10)), ConfigRank::kOther);  // cut short
}

}  // namespace
}  // namespace zorvik

namespace zorvik {
namespace {

// The forms current tools write: aapt2's own sparse table, and the same table rewritten with
// 16-bit offsets and compact entries; every form reads alike, and as aapt listed the original.
class ModernTable : public ::testing::TestWithParam<const char*> {
 protected:
  const std::string dump = test::readFile(fixture("modern.resources"));
  uint32_t id(const char* name) const { return test::resourceIdNamed(dump, std::string("string/") + name); }
  std::string resolve(const std::string& arsc, const char* name) const {
    const uint32_t rid = id(name);
    auto one = resolveResourceStrings(arsc, kAppPackageId, {{static_cast<uint8_t>(rid >> 16), uint16_t(rid)}});
    return one ? (*one)[0] : "<refused>";
  }
};

TEST_P(ModernTable, ReferencesAreFollowedAsFarAsEightSteps) {
  const std::string arsc = tableOf(GetParam());
  ASSERT_NE(id("app_name"), 0u);
  EXPECT_EQ(resolve(arsc, "app_name"), "现代工具");  // two references, the last into zh-CN
  EXPECT_EQ(resolve(arsc, "app_name"), toAnsi(test::preferredResolvedValue(dump, id("app_name"))));
  EXPECT_EQ(resolve(arsc, "version_name"), "3.1.0");
  EXPECT_EQ(resolve(arsc, "plain"), "Plain");
  EXPECT_EQ(resolve(arsc, "hop2"), "End of the chain");  // eight references
  EXPECT_EQ(resolve(arsc, "hop1"), "");                  // nine
  for (const char* loop : {"loop_a", "loop_b", "self"}) EXPECT_EQ(resolve(arsc, loop), "") << loop;
  EXPECT_EQ(resolve(arsc, "to_framework"), "");  // another package's string is not in this table
  EXPECT_EQ(test::preferredResolvedValue(dump, id("hop1")), "");
  EXPECT_EQ(test::preferredResolvedValue(dump, id("hop2")), "End of the chain");
}

TEST_P(ModernTable, WholeTypesAgreeWithTheOriginalAndWithResolving) {
  const std::string arsc = tableOf(GetParam());
  const uint8_t stringType = static_cast<uint8_t>(id("plain") >> 16);
  auto mine = readResourceTable(arsc, stringType, stringType);
  auto original = readResourceTable(tableOf("modern.apk"), stringType, stringType);
  ASSERT_TRUE(mine && original);
  EXPECT_EQ(mine->label, original->label);
  ASSERT_GE(mine->label.size(), 20u);
  for (uint16_t e = 0; e < mine->label.size(); ++e) {
    auto one = resolveResourceStrings(arsc, kAppPackageId, {{stringType, e}});
    ASSERT_TRUE(one);
    EXPECT_EQ((*one)[0], mine->label.at(e)) << e;
  }
}

TEST_P(ModernTable, TheFormIsWhatItSays) {
  // Each type chunk's flags, and the first entry of every dense one.
  const std::string arsc = tableOf(GetParam());
  const std::string name = GetParam();
  int sparse = 0, offset16 = 0, compact = 0;
  for (size_t at : chunksOfType(arsc, kTypeChunk)) {
    const uint8_t flags = static_cast<uint8_t>(arsc[at + 9]);
    sparse += flags & 0x01;
    offset16 += (flags & 0x02) != 0;
    uint32_t entriesStart = 0;
    uint16_t entryFlags = 0;
    readU32(arsc, at + 16, entriesStart);
    readU16(arsc, at + entriesStart + 2, entryFlags);
    compact += (entryFlags & 0x08) != 0;
  }
  EXPECT_GE(sparse, 1);  // aapt2 wrote the zh-CN chunk sparse; the rewrites keep it so
  EXPECT_EQ(sparse == static_cast<int>(chunksOfType(arsc, kTypeChunk).size()), name == "sparse.apk");
  EXPECT_EQ(offset16 > 0, name == "offset16.apk" || name == "compact.apk");
  EXPECT_EQ(compact > 0, name == "compact.apk");
}

INSTANTIATE_TEST_SUITE_P(Forms, ModernTable,
                         ::testing::Values("modern.apk", "sparse.apk", "offset16.apk", "compact.apk"));

TEST(ResourceTable, CompactEntriesOfManyConfigurationsReadAsTheFullOnes) {
  auto full = readResourceTable(tableOf("locales.apk"), kString, kDrawable);
  auto compact = readResourceTable(tableOf("locales-compact.apk"), kString, kDrawable);
  ASSERT_TRUE(full && compact);
  EXPECT_EQ(full->label, compact->label);
  EXPECT_EQ(full->icon, compact->icon);
}

TEST(ResourceTable, RefusesHostileSixteenBitOffsetsAndSparsePairs) {
  const std::string dump = test::readFile(fixture("modern.resources"));
  const auto stringType = static_cast<uint8_t>(test::resourceIdNamed(dump, "string/plain") >> 16);
  const auto iconType = static_cast<uint8_t>(test::resourceIdNamed(dump, "drawable/icon") >> 16);
  // The default strings of the compact table (16-bit offsets) and of the all-sparse one.
  auto stringChunk = [&](const std::string& arsc, uint8_t flag) {
    for (size_t at : chunksOfType(arsc, kTypeChunk))
      if (static_cast<uint8_t>(arsc[at + 8]) == stringType && (arsc[at + 9] & flag)) return at;
    return size_t{0};
  };
  struct Case {
    const char* what;
    const char* apk;
    uint8_t flag;
    void (*patch)(std::string& bytes, size_t at, uint16_t header, uint32_t size, uint32_t entriesStart);
  };
  const Case cases[] = {
      {"16-bit offset past the chunk", "compact.apk", 0x02,
       [](std::string& b, size_t at, uint16_t h, uint32_t, uint32_t) { putU16(b, at + h, 0xFFFE); }},
      {"compact entry cut by the chunk's end", "compact.apk", 0x02,
       [](std::string& b, size_t at, uint16_t h, uint32_t size, uint32_t start) {
         putU16(b, at + h, static_cast<uint16_t>((size - start - 4) / 4));
       }},
      {"entry count past the offsets", "compact.apk", 0x02,
       [](std::string& b, size_t at, uint16_t, uint32_t, uint32_t) { putU32(b, at + 12, 0xF000); }},
      {"entries start inside the offsets", "compact.apk", 0x02,
       [](std::string& b, size_t at, uint16_t h, uint32_t, uint32_t) { putU32(b, at + 16, h); }},
      {"sparse numbers out of order", "sparse.apk", 0x01,
       [](std::string& b, size_t at, uint16_t h, uint32_t, uint32_t) {
         std::swap(b[at + h], b[at + h + 4]);  // the first two pairs' numbers (below 256)
       }},
      {"sparse number repeated", "sparse.apk", 0x01,
       [](std::string& b, size_t at, uint16_t h, uint32_t, uint32_t) { b[at + h + 4] = b[at + h]; }},
  };
  for (const Case& c : cases) {
    std::string bytes = tableOf(c.apk);
    const size_t at = stringChunk(bytes, c.flag);
    ASSERT_NE(at, 0u) << c.what;
    ASSERT_TRUE(readResourceTable(bytes, stringType, iconType)) << c.what;
    uint16_t header = 0;
    uint32_t size = 0, entriesStart = 0;
    readU16(bytes, at + 2, header);
    readU32(bytes, at + 4, size);
    readU32(bytes, at + 16, entriesStart);
    c.patch(bytes, at, header, size, entriesStart);
    EXPECT_FALSE(readResourceTable(bytes, stringType, iconType)) << c.what;
  }
}

TEST(ResourceTable, EveryConfigurationOfAnIconWithItsDensity) {
  const std::string dump = test::readFile(fixture("locales.resources"));
  const uint32_t icon = test::resourceIdNamed(dump, "drawable/icon");
  auto values = resourceValues(tableOf("locales.apk"), icon);
  ASSERT_TRUE(values);
  ASSERT_GE(values->size(), 2u);
  const std::pair<const char*, uint16_t> kDensities[] = {{"-ldpi", 120}, {"-mdpi", 160}, {"-hdpi", 240},
                                                         {"-xhdpi", 320}, {"-xxhdpi", 480}};
  for (const auto& v : *values) {
    uint16_t expected = 0;
    for (const auto& [qualifier, dpi] : kDensities)
      if (v.text.find(std::string(qualifier) + "-") != std::string::npos) expected = dpi;
    EXPECT_EQ(v.density, expected) << v.text;
    EXPECT_EQ(v.sdkVersion, v.text.find("-v4/") != std::string::npos ? 4 : 0) << v.text;
  }
  EXPECT_EQ(values->back().text, entryText(readResourceTable(tableOf("locales.apk"), kString, kDrawable)->icon, 0));
  EXPECT_TRUE(resourceValues(tableOf("locales.apk"), 0x7f7f0000)->empty());
  EXPECT_FALSE(resourceValues(std::string(64, '\xFF'), icon));
}

}  // namespace
}  // namespace zorvik

namespace zorvik {
namespace {

// `configs` one-entry chunks of the string type 3 (entry 0 names global string 0), and a type 4
// whose `references` entries all refer to that string: following every reference looks through
// every one of the string's chunks.
std::string manyReferencesTable(uint32_t configs, uint32_t references) {
  const std::string emptyPool = utf16Pool({}, "");
  std::string package(kPackageHeaderSize - 8, '\0');
  putU32(package, 0, kAppPackageId);
  package += emptyPool + emptyPool;
  auto typeChunk = [](uint8_t type, uint32_t entries, uint8_t valueType, uint32_t data) {
    const uint16_t header = 20 + 64;
    std::string head(header - 8, '\0');
    head[0] = static_cast<char>(type);
    putU32(head, 4, entries);
    putU32(head, 8, header + entries * 4);
    putU32(head, 12, 64);
    std::string record(16, '\0');
    putU16(record, 0, 8);
    putU16(record, 8, 8);
    record[11] = static_cast<char>(valueType);
    putU32(record, 12, data);
    return chunk(kTypeChunk, header, head + std::string(entries * 4, '\0') + record);  // every offset 0
  };
  for (uint32_t i = 0; i < configs; ++i) package += typeChunk(3, 1, 0x03, 0);
  package += typeChunk(4, references, 0x01, 0x7f030000);
  std::string text(2, '\0');
  putU16(text, 0, 1);
  text += utf16Run('x', 1) + std::string(2, '\0');
  std::string head(4, '\0');
  putU32(head, 0, 1);
  return chunk(kTableChunk, 12, head + utf16Pool({0}, text) + chunk(kPackageChunk, kPackageHeaderSize, package));
}

TEST(ResourceTable, FollowingReferencesHasABoundedCost) {
  // Few references through many configurations, or many through few, read...
  auto few = readResourceTypes(manyReferencesTable(1100, 64), kAppPackageId, {4});
  ASSERT_TRUE(few);
  EXPECT_EQ((*few)[0].at(63), "x");
  EXPECT_TRUE(readResourceTypes(manyReferencesTable(2, 8192), kAppPackageId, {4}));
  // ...but a table whose references would make over a million visits is refused, while the few
  // entries a package page asks for still resolve.
  const std::string heavy = manyReferencesTable(1100, 1024);
  EXPECT_FALSE(readResourceTypes(heavy, kAppPackageId, {4}));
  auto some = resolveResourceStrings(heavy, kAppPackageId, {{4, 0}, {4, 1023}});
  ASSERT_TRUE(some);
  EXPECT_EQ(*some, (std::vector<std::string>{"x", "x"}));
}

}  // namespace
}  // namespace zorvik
