// The compiled manifest decoder, on packages built by aapt and on hostile bytes derived from them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>

#include "AaptDump.h"
#include "installer/BinaryXml.h"
#include "installer/ChunkWalker.h"
#include "installer/LittleEndian.h"
#include "installer/StringPool.h"
#include "installer/XmlTree.h"

namespace zorvik {
namespace {

using test::fixture;
using test::member;

std::string manifestOf(const std::string& apk) { return member(fixture(apk), "AndroidManifest.xml"); }

std::string decoded(const std::string& apk) {
  auto text = decodeManifest(manifestOf(apk));
  EXPECT_TRUE(text.has_value()) << apk;
  return text.value_or(std::string());
}

// Offset of the first chunk with this word after the string pool.
size_t findChunk(const std::string& bytes, uint32_t word, size_t skip = 0) {
  uint32_t poolSize = 0;
  readU32(bytes, 12, poolSize);
  size_t pos = 8 + poolSize;
  ChunkHeader h;
  while (readChunkHeader(bytes, pos, h)) {
    if ((static_cast<uint32_t>(h.type) | static_cast<uint32_t>(h.headerSize) << 16) == word && skip-- == 0) return pos;
    pos += h.size;
  }
  return std::string::npos;
}

void putU32(std::string& bytes, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
}
void putU16(std::string& bytes, size_t at, uint16_t v) {
  bytes[at] = static_cast<char>(v);
  bytes[at + 1] = static_cast<char>(v >> 8);
}

// The walk under both decoders: whole chunks in order, then the end; a header that claims more
// than the view holds (the largest size included, which must not wrap the cursor), a header
// smaller than 8 bytes or larger than its chunk ends the walk as broken, not as the end.
TEST(ChunkWalker, HandsOutWholeChunksAndTellsABrokenHeaderFromTheEnd) {
  std::string two(24, '\0');
  putU16(two, 0, 0x0102);
  putU16(two, 2, 8);
  putU32(two, 4, 16);
  putU16(two, 16, 0x0103);
  putU16(two, 18, 8);
  putU32(two, 20, 8);
  ChunkWalker walk(two, 0);
  ChunkHeader h;
  std::string_view chunk;
  ASSERT_TRUE(walk.next(h, chunk));
  EXPECT_EQ(h.type, 0x0102);
  EXPECT_EQ(chunk.size(), 16u);
  ASSERT_TRUE(walk.next(h, chunk));
  EXPECT_EQ(h.type, 0x0103);
  EXPECT_EQ(chunk.data(), two.data() + 16);
  EXPECT_FALSE(walk.next(h, chunk));
  EXPECT_FALSE(walk.broken());
  EXPECT_FALSE(ChunkWalker(two, 100).next(h, chunk));

  for (auto [headerSize, size] : {std::pair<uint16_t, uint32_t>{8, 0xFFFFFFFFu}, {8, 9}, {4, 8}, {12, 8}}) {
    std::string bad = two;
    putU16(bad, 18, headerSize);
    putU32(bad, 20, size);
    ChunkWalker w(bad, 0);
    EXPECT_TRUE(w.next(h, chunk));
    EXPECT_FALSE(w.next(h, chunk)) << headerSize << " " << size;
    EXPECT_TRUE(w.broken()) << headerSize << " " << size;
    EXPECT_FALSE(w.next(h, chunk));
  }
}

TEST(DecodeManifest, AgreesWithAaptXmltreeOnEveryFixtureAndTheFramework) {
  for (const std::string name : {"basic", "utf16", "nointernet", "plugin", "customperm", "framework-res"}) {
    const std::string apk = name == "framework-res" ? test::kFramework
                                                    : fixture(name + ".apk");
    auto text = decodeManifest(member(apk, "AndroidManifest.xml"));
    ASSERT_TRUE(text) << name;
    XmlTree tree;
    ASSERT_EQ(parseXmlTree(*text, tree), XmlParseStatus::kOk) << name;
    const auto expected = test::parseXmltree(test::readFile(fixture(name + ".xmltree")));
    ASSERT_EQ(tree.elements.size(), expected.size()) << name;
    ASSERT_GT(expected.size(), 2u);
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(tree.elements[i].name, expected[i].name) << name << " element " << i;
      EXPECT_EQ(tree.elements[i].attributes, expected[i].attributes) << name << " element " << i;
    }
  }
}

TEST(DecodeManifest, WritesTheTextInItsLayout) {
  const std::string text = decoded("basic.apk");
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<manifest versionCode=\"7\" "
                       "versionName=\"@0x7f030001\" installLocation=\"2\"",
                       0),
            0u)
      << text.substr(0, 200);
  // Start tags end with a line feed; end tags do not; attribute names carry no prefix.
  EXPECT_NE(text.find("<uses-sdk minSdkVersion=\"10\" targetSdkVersion=\"15\">\n</uses-sdk>"), std::string::npos);
  EXPECT_NE(text.find("<application label=\"@0x7f030000\" icon=\"@0x7f020000\" debuggable=\"\">\n"), std::string::npos);
  EXPECT_NE(text.find("package=\"com.zorvik.demo\""), std::string::npos);
  EXPECT_EQ(text.find("android:"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 25), "</application></manifest>");
}

TEST(DecodeManifest, ReferencesHaveNoLeadingZeros) {
  auto decodedFramework = decodeManifest(member(test::kFramework, "AndroidManifest.xml"));
  ASSERT_TRUE(decodedFramework);
  const std::string& text = *decodedFramework;
  EXPECT_NE(text.find("label=\"@0x1040082\""), std::string::npos);
  EXPECT_NE(text.find("coreApp=\"\""), std::string::npos);  // a boolean
}

TEST(DecodeManifest, EscapesValuesSoTheTextStaysReadable) {
  const std::string basic = decoded("basic.apk");
  EXPECT_NE(basic.find("value=\"Tom &amp; Jerry &lt;3 &quot;quoted&quot;\""), std::string::npos);
  const std::string quiet = decoded("nointernet.apk");
  EXPECT_NE(quiet.find("versionName=\"1.0 &lt;alpha&gt; &amp; more\""), std::string::npos);
  EXPECT_NE(quiet.find("versionCode=\"-3\""), std::string::npos);  // signed decimal
  XmlTree tree;
  ASSERT_EQ(parseXmlTree(basic, tree), XmlParseStatus::kOk);
  EXPECT_EQ(*tree.elements[8].attribute("value"), "Tom & Jerry <3 \"quoted\"");
}

TEST(DecodeManifest, StringsComeOutAsAnsiText) {
  // The pool of the utf16 build and of the default build decode to the same text.
  EXPECT_EQ(decoded("basic.apk"), decoded("utf16.apk"));
}

// The manifest with its string pool written again in UTF-8, as newer build tools write it.
std::string withUtf8Pool(const std::string& manifest, const std::string& from = "", const std::string& to = "") {
  StringPool pool;
  EXPECT_TRUE(pool.open(manifest, 8));
  std::string offsets, strings;
  auto length = [](std::string& out, size_t n) {
    if (n > 0x7F) out += static_cast<char>(0x80 | n >> 8);
    out += static_cast<char>(n & 0xFF);
  };
  for (uint32_t i = 0; i < pool.count(); ++i) {
    std::string text = *pool.utf8(i);
    if (!from.empty() && text == from) text = to;
    std::string at(4, '\0');
    putU32(at, 0, static_cast<uint32_t>(strings.size()));
    offsets += at;
    length(strings, text.size());  // every fixture string is ASCII: characters = bytes
    length(strings, text.size());
    strings += text;
    strings += '\0';
  }
  while (strings.size() % 4) strings += '\0';
  std::string chunk(28, '\0');
  putU16(chunk, 0, StringPool::kChunkType);
  putU16(chunk, 2, 28);
  putU32(chunk, 4, static_cast<uint32_t>(28 + offsets.size() + strings.size()));
  putU32(chunk, 8, pool.count());
  putU32(chunk, 16, StringPool::kUtf8Flag);
  putU32(chunk, 20, static_cast<uint32_t>(28 + offsets.size()));
  chunk += offsets + strings;
  std::string out = manifest.substr(0, 8) + chunk + manifest.substr(8 + pool.chunkSize());
  putU32(out, 4, static_cast<uint32_t>(out.size()));
  return out;
}

TEST(DecodeManifest, Utf8PoolsDecodeAlike) {
  for (const std::string name : {"basic.apk", "plugin.apk", "nointernet.apk"}) {
    const std::string utf16 = manifestOf(name);
    const std::string utf8 = withUtf8Pool(utf16);
    ASSERT_NE(utf8, utf16);
    EXPECT_EQ(decodeManifest(utf8), decodeManifest(utf16)) << name;
  }
}

TEST(DecodeManifest, RefusesNamesThatWouldBeMarkup) {
  const std::string good = manifestOf("basic.apk");
  for (const char* bad : {"!DOCTYPE x [<!ENTITY a 'b'>]><manifest", "manifest a=\"1\"", "mani fest", "", "1st",
                          "a&b", "a/b", "a>b"}) {
    EXPECT_FALSE(decodeManifest(withUtf8Pool(good, "manifest", bad))) << bad;
    EXPECT_FALSE(decodeManifest(withUtf8Pool(good, "package", bad))) << bad;  // no resource id
    // An attribute the resource id map names is written by that name; its pool name never shows.
    auto byId = decodeManifest(withUtf8Pool(good, "versionCode", bad));
    ASSERT_TRUE(byId) << bad;
    EXPECT_NE(byId->find("<manifest versionCode=\"7\""), std::string::npos) << bad;
    if (*bad) {
      EXPECT_EQ(byId->find(bad), std::string::npos) << bad;
    }
  }
  auto renamed = decodeManifest(withUtf8Pool(good, "manifest", "x-manifest.v2:a_b"));
  ASSERT_TRUE(renamed);
  EXPECT_NE(renamed->find("<x-manifest.v2:a_b versionCode=\"7\""), std::string::npos);
  EXPECT_TRUE(isPlainXmlName("uses-permission"));
  EXPECT_FALSE(isPlainXmlName("-a"));
}

TEST(DecodeManifest, CutAnywhereGivesNothingOrTheWholeDocument) {
  for (const std::string name : {"basic.apk", "plugin.apk"}) {
    const std::string bytes = manifestOf(name);
    const std::string whole = *decodeManifest(bytes);
    for (size_t n = 0; n < bytes.size(); ++n) {
      auto text = decodeManifest(std::string_view(bytes).substr(0, n));
      if (text) {
        EXPECT_EQ(*text, whole) << "cut at " << n;
      }
    }
  }
}

TEST(DecodeManifest, RefusesHostileCountsAndIndices) {
  const std::string good = manifestOf("basic.apk");
  ASSERT_TRUE(decodeManifest(good));
  const size_t element = findChunk(good, kXmlStartElement);
  ASSERT_NE(element, std::string::npos);

  auto refused = [&](const char* what, auto patch) {
    std::string bytes = good;
    patch(bytes);
    EXPECT_FALSE(decodeManifest(bytes)) << what;
  };
  refused("string count past the pool", [](std::string& b) { putU32(b, 16, 0x40000000); });
  refused("strings start past the pool", [](std::string& b) { putU32(b, 28, 0x7FFFFFF0); });
  refused("string offset past the pool", [](std::string& b) { putU32(b, 36, 0x7FFFFFF0); });
  refused("pool size past the file", [](std::string& b) { putU32(b, 12, 0xFFFFFFF0); });
  refused("element name index", [&](std::string& b) { putU32(b, element + 20, 0x00FFFFFF); });
  refused("attribute count past the chunk", [&](std::string& b) { putU16(b, element + 28, 0xFFFF); });
  refused("attribute name index", [&](std::string& b) { putU32(b, element + 36 + 4, 0xFFFFFFF0); });
  refused("string value index", [&](std::string& b) {
    putU32(b, element + 36 + 16, 0xFFFFFFF0);  // versionCode as a string
    b[element + 36 + 15] = static_cast<char>(kValueString);
  });
  refused("chunk size zero", [&](std::string& b) { putU32(b, element + 4, 0); });
  refused("chunk size past the file", [&](std::string& b) { putU32(b, element + 4, 0x7FFFFFFF); });
  refused("header larger than chunk", [&](std::string& b) { putU16(b, element + 2, 0xFFFF); });
  EXPECT_FALSE(decodeManifest(""));
  EXPECT_FALSE(decodeManifest(std::string(8, '\0')));
  EXPECT_FALSE(decodeManifest(std::string(4096, '\xFF')));
}

TEST(DecodeManifest, RefusesEndTagsWithoutStartAndRunawayNesting) {
  const std::string good = manifestOf("basic.apk");
  const size_t element = findChunk(good, kXmlStartElement);
  ChunkHeader h;
  ASSERT_TRUE(readChunkHeader(good, element, h));
  // The root's start tag repeated a thousand times: far deeper than any manifest.
  std::string deep = good.substr(0, element);
  for (int i = 0; i < 1000; ++i) deep += good.substr(element, h.size);
  deep += good.substr(element);
  EXPECT_FALSE(decodeManifest(deep));

  const size_t end = findChunk(good, kXmlEndElement);
  ChunkHeader e;
  ASSERT_TRUE(readChunkHeader(good, end, e));
  std::string early = good.substr(0, element) + good.substr(end, e.size) + good.substr(element);
  EXPECT_FALSE(decodeManifest(early));
}

TEST(DecodeManifest, NamespaceEndingInsideTheDocumentDoesNotStopIt) {
  // A second namespace declared on an inner element ends inside the document.
  const std::string good = manifestOf("basic.apk");
  const size_t first = findChunk(good, kXmlStartElement, 1);  // uses-sdk
  const size_t ns = findChunk(good, kXmlStartNamespace);
  const size_t nsEnd = findChunk(good, kXmlEndNamespace);
  ASSERT_NE(first, std::string::npos);
  ASSERT_NE(nsEnd, std::string::npos);
  ChunkHeader a, b;
  ASSERT_TRUE(readChunkHeader(good, ns, a));
  ASSERT_TRUE(readChunkHeader(good, nsEnd, b));
  const std::string bytes = good.substr(0, first) + good.substr(ns, a.size) + good.substr(nsEnd, b.size) + good.substr(first);
  EXPECT_EQ(decodeManifest(bytes), decodeManifest(good));
}

}  // namespace
}  // namespace zorvik

namespace zorvik {
namespace {

// The manifest with `extra` more pool strings at the given offsets into `run`, which is put after
// the pool's own strings (UTF-16, as aapt writes it).
std::string withExtraStrings(const std::string& manifest, const std::vector<uint32_t>& extra,
                             const std::string& run) {
  StringPool pool;
  EXPECT_TRUE(pool.open(manifest, 8));
  uint32_t stringsStart = 0;
  readU32(manifest, 8 + 20, stringsStart);
  const std::string offsets = manifest.substr(8 + 28, pool.count() * 4u);
  const std::string strings = manifest.substr(8 + stringsStart, pool.chunkSize() - stringsStart);
  std::string added;
  for (uint32_t o : extra) {
    std::string at(4, '\0');
    putU32(at, 0, static_cast<uint32_t>(strings.size()) + o);
    added += at;
  }
  std::string chunk = manifest.substr(8, 28);
  putU32(chunk, 8, pool.count() + static_cast<uint32_t>(extra.size()));
  putU32(chunk, 20, static_cast<uint32_t>(28 + offsets.size() + added.size()));
  chunk += offsets + added + strings + run;
  putU32(chunk, 4, static_cast<uint32_t>(chunk.size()));
  std::string out = manifest.substr(0, 8) + chunk + manifest.substr(8 + pool.chunkSize());
  putU32(out, 4, static_cast<uint32_t>(out.size()));
  return out;
}

std::string units(uint16_t unit, size_t count) {
  std::string s;
  for (size_t i = 0; i < count; ++i) s += std::string{static_cast<char>(unit), static_cast<char>(unit >> 8)};
  return s;
}

TEST(DecodeManifest, PoolStringsAreConvertedOncePerPlace) {
  const std::string good = manifestOf("basic.apk");
  const std::string whole = *decodeManifest(good);
  // 4,096 indices naming one 60,000-byte string: one conversion, not 250 MB of copies.
  std::string text = units(30000, 1) + units(0x4E2D, 30000) + units(0, 1);
  EXPECT_EQ(decodeManifest(withExtraStrings(good, std::vector<uint32_t>(4096, 0), text)), whole);
  // Strings that start at every other byte of one run each claim 57 KB of it: 1,300 of them
  // would be 75 MB of text from a 60 KB pool. Refused.
  std::vector<uint32_t> overlapping;
  for (uint32_t i = 0; i < 1300; ++i) overlapping.push_back(2 * i);
  EXPECT_FALSE(decodeManifest(withExtraStrings(good, overlapping, units(0x7000, 30000))));
  EXPECT_EQ(decodeManifest(withExtraStrings(good, {0, 2}, units(0x7000, 30000))), whole);
}

}  // namespace
}  // namespace zorvik

namespace zorvik {
namespace {

TEST(DecodeManifest, AttributesOnlyTheMapNamesAreLeftOutOrKeptOnce) {
  // The obfuscated manifest (names emptied or "a") with every id made one the decoder does not
  // know: an emptied name is left out, "a" is written once per element, and the text still parses.
  std::string bytes = manifestOf("obfuscated.apk");
  uint32_t poolSize = 0;
  ASSERT_TRUE(readU32(bytes, 12, poolSize));
  ChunkHeader map;
  ASSERT_TRUE(readChunkHeader(bytes, 8 + poolSize, map));
  ASSERT_EQ(map.type, kXmlResourceMap);
  ASSERT_GE(map.size, 8u + 4 * 4);
  for (size_t at = 8 + poolSize + map.headerSize; at < 8 + poolSize + map.size; at += 4)
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<char>(0x7E ^ i);
  auto text = decodeManifest(bytes);
  ASSERT_TRUE(text);
  EXPECT_EQ(text->find(" =\""), std::string::npos);
  // Each start tag has a line of its own.
  int kept = 0;
  for (size_t line = 0; line < text->size();) {
    const size_t end = std::min(text->find('\n', line), text->size());
    const std::string_view tag(text->data() + line, end - line);
    const size_t first = tag.find(" a=\"");
    kept += first != std::string_view::npos;
    EXPECT_EQ(tag.find(" a=\"", first == std::string_view::npos ? 0 : first + 1), std::string_view::npos) << tag;
    line = end + 1;
  }
  EXPECT_GT(kept, 0);
  XmlTree tree;
  EXPECT_EQ(parseXmlTree(*text, tree), XmlParseStatus::kOk);  // no attribute twice on an element
  EXPECT_EQ(tree.elements[0].attribute("package") ? *tree.elements[0].attribute("package") : "", "com.zorvik.demo");
}

}  // namespace
}  // namespace zorvik
