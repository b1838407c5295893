// Which picture a package's icon is drawn from: the densest raster of the icon's configurations,
// an adaptive icon's foreground when only XML exists, references followed within a bound; and
// WebP pictures decoded by libwebp to the pixels of the PNG they were made from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <regex>

#include "AaptDump.h"
#include "common/WebpImage.h"
#include "installer/IconChoice.h"
#include "installer/Package.h"
#include "installer/ResourceTable.h"

namespace zorvik {
namespace {

using test::fixture;

ConfigValue value(uint16_t density, uint8_t type, uint32_t data, const char* text) {
  ConfigValue v;
  v.density = density;
  v.valueType = type;
  v.data = data;
  v.text = text;
  return v;
}
ConfigValue file(uint16_t density, const char* path) { return value(density, 0x03, 0, path); }
ConfigValue reference(uint16_t density, uint32_t id) { return value(density, 0x01, id, ""); }

TEST(IconChoice, BestValueOverConfigurations) {
  struct Case {
    const char* what;
    std::vector<ConfigValue> values;
    std::optional<size_t> best;
  };
  const Case cases[] = {
      {"a current tool's set: densest raster, not the anydpi XML stored last",
       {file(160, "m/a.png"), file(240, "h/a.png"), file(320, "x/a.webp"), file(480, "xx/a.webp"),
        file(640, "xxx/a.webp"), file(kDensityAny, "any/a.xml")},
       4},
      {"stored densest first", {file(640, "xxx/a.png"), file(120, "l/a.png"), file(160, "m/a.png")}, 0},
      {"the default counts as mdpi: hdpi wins", {file(240, "h/a.png"), file(kDensityDefault, "d/a.png")}, 0},
      {"the default beats ldpi", {file(kDensityDefault, "d/a.png"), file(120, "l/a.png")}, 0},
      {"nodpi and anydpi rasters below a real density",
       {file(kDensityNone, "no/a.png"), file(120, "l/a.png"), file(kDensityAny, "any/a.png")}, 1},
      {"anydpi raster above nodpi", {file(kDensityNone, "no/a.png"), file(kDensityAny, "any/a.png")}, 1},
      {"equal densities: the one stored last", {file(480, "a.png"), file(480, "b.png")}, 1},
      {"endings in any case", {file(160, "m/A.PNG"), file(kDensityAny, "any/a.XML")}, 0},
      {"only XML: the XML", {file(kDensityAny, "any/a.xml")}, 0},
      {"an alias before an XML", {file(kDensityAny, "any/a.xml"), reference(0, 0x7f020001)}, 1},
      {"a raster before an alias", {reference(640, 0x7f020001), file(120, "l/a.png")}, 1},
      {"a null reference is none", {reference(0, 0)}, std::nullopt},
      {"colours and other files are no icon",
       {value(0, 0x1c, 0xff00ff00, ""), file(0, "raw/a.mp3"), file(0, "a.png.txt")}, std::nullopt},
      {"nothing", {}, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(bestIconValue(c.values), c.best) << c.what;
}

TEST(IconChoice, AdaptiveForegroundFromTheDecodedXml) {
  struct Case {
    const char* xml;
    bool found;
    uint32_t id;
  };
  const Case cases[] = {
      {"<adaptive-icon>\n<background drawable=\"@0x7f030000\">\n</background><foreground drawable=\"@0x7f020001\">\n"
       "</foreground></adaptive-icon>",
       true, 0x7f020001},
      {"<adaptive-icon>\n<foreground>\n<inset drawable=\"@0x7f020005\" inset=\"\">\n</inset></foreground>"
       "<monochrome drawable=\"@0x7f020009\">\n</monochrome></adaptive-icon>",
       true, 0x7f020005},
      // The background's drawable is never taken for the foreground's.
      {"<adaptive-icon>\n<background drawable=\"@0x7f030000\">\n</background><foreground>\n</foreground>"
       "<monochrome drawable=\"@0x7f020009\">\n</monochrome></adaptive-icon>",
       false, 0},
      {"<vector width=\"\">\n<path fillColor=\"@0x7f030000\">\n</path></vector>", false, 0},
      {"<adaptive-icon>\n<foreground drawable=\"@0xzz\">\n</foreground></adaptive-icon>", false, 0},
      {"<adaptive-icon>\n<foreground drawable=\"@0x7f02", false, 0},
      {"", false, 0},
  };
  for (const Case& c : cases) {
    ResourceRef ref;
    EXPECT_EQ(adaptiveForeground(c.xml, ref), c.found) << c.xml;
    if (c.found) {
      EXPECT_EQ(static_cast<uint32_t>(ref.package) << 24 | static_cast<uint32_t>(ref.type) << 16 | ref.entry, c.id);
    }
  }
}

TEST(IconChoice, PackagesBuiltWithCurrentLayouts) {
  struct Case {
    const char* apk;
    const char* icon;
  };
  const Case cases[] = {
      // Only an adaptive XML: its foreground's densest raster (a WebP), through an inset.
      {"adaptive.apk", "res/mipmap-xxhdpi-v4/ic_launcher_foreground.webp"},
      // Rasters beside the XML, nodpi stored last: the xxxhdpi WebP.
      {"densities.apk", "res/mipmap-xxxhdpi-v4/ic_launcher.webp"},
      // An alias of an alias.
      {"aliases.apk", "res/drawable-hdpi-v4/real.png"},
  };
  for (const Case& c : cases) {
    const PackageInfo p = openPackage(fixture(c.apk));
    ASSERT_TRUE(p.valid) << c.apk;
    EXPECT_EQ(p.iconPath, c.icon) << c.apk;
    EXPECT_EQ(p.iconBytes, test::member(fixture(c.apk), c.icon)) << c.apk;
  }
}

uint32_t dumpedId(const std::string& dump, const std::string& name) {
  std::smatch m;
  const std::regex line("resource 0x([0-9a-f]{8}) [\\w.]+:drawable/" + name + ":");
  if (!std::regex_search(dump, m, line)) return 0;
  return static_cast<uint32_t>(std::stoul(m[1], nullptr, 16));
}

TEST(IconChoice, ReferencesEndWithinTheBound) {
  const std::string table = test::member(fixture("aliases.apk"), "resources.arsc");
  const std::string dump = test::readFile(fixture("aliases.resources"));
  auto read = [](const std::string&) -> std::optional<std::string> { return std::nullopt; };
  auto path = [&](const std::string& name) {
    const uint32_t id = dumpedId(dump, name);
    EXPECT_NE(id, 0u) << name;
    return chooseIconPath(table, ResourceRef{uint8_t(id >> 24), uint8_t(id >> 16), uint16_t(id)}, read);
  };
  EXPECT_EQ(path("alias"), "res/drawable-hdpi-v4/real.png");
  EXPECT_EQ(path("chain5"), "res/drawable-hdpi-v4/real.png");  // two hops
  EXPECT_EQ(path("loop_a"), "");
  EXPECT_EQ(path("chain1"), "");  // six hops, past kMaxIconHops
}

TEST(IconChoice, CutTablesNeverReadPastTheirBytes) {
  // Every prefix of a real table: refused or read, never a value the whole table lacks.
  const std::string table = test::member(fixture("densities.apk"), "resources.arsc");
  const ResourceRef icon{0x7f, 0x02, 0};
  const auto whole = resourceValues(table, icon);
  ASSERT_TRUE(whole);
  ASSERT_EQ(whole->size(), 5u);
  for (size_t n = 0; n < table.size(); ++n) {
    const std::string cut = table.substr(0, n);
    const auto some = resourceValues(cut, icon);
    if (some) { EXPECT_LE(some->size(), whole->size()) << n; }
  }
}

// ---------------------------------------------------------------- the layouts of newer tools
// An aapt-built table with every type chunk written again in a layout of current tools: 16-bit
// offsets, sparse (entry, offset) pairs, or compact 8-byte entries. The values read must not change.
enum class Layout { kOffset16, kSparse, kCompact };

uint32_t u32(const std::string& b, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}
uint16_t u16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}
void put32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}
void add16(std::string& b, uint16_t v) { b += static_cast<char>(v), b += static_cast<char>(v >> 8); }
void add32(std::string& b, uint32_t v) { add16(b, static_cast<uint16_t>(v)), add16(b, static_cast<uint16_t>(v >> 16)); }

std::string relaidType(const std::string& chunk, Layout layout) {
  const uint16_t headerSize = u16(chunk, 2);
  const uint32_t count = u32(chunk, 12), entriesStart = u32(chunk, 16);
  std::string entries, offsets;
  uint32_t stored = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t offset = u32(chunk, headerSize + i * 4);
    if (offset == kNoEntry) {
      if (layout == Layout::kOffset16) add16(offsets, 0xFFFF);
      else if (layout == Layout::kCompact) add32(offsets, kNoEntry);
      continue;
    }
    const size_t at = entriesStart + offset;
    const uint16_t size = u16(chunk, at), flags = u16(chunk, at + 2);
    const uint32_t key = u32(chunk, at + 4);
    const uint32_t where = static_cast<uint32_t>(entries.size());
    if (layout == Layout::kCompact && !(flags & 0x0001)) {
      add16(entries, static_cast<uint16_t>(key));
      add16(entries, static_cast<uint16_t>(0x0008 | static_cast<uint8_t>(chunk[at + 11]) << 8));
      add32(entries, u32(chunk, at + 12));
    } else {
      const size_t length = (flags & 0x0001) ? size + u32(chunk, at + 12) * 12 : 16;
      entries += chunk.substr(at, length);
    }
    if (layout == Layout::kOffset16) add16(offsets, static_cast<uint16_t>(where / 4));
    else if (layout == Layout::kSparse) add32(offsets, i | (where / 4) << 16);
    else add32(offsets, where);
    ++stored;
  }
  while (offsets.size() % 4) offsets += '\0';
  std::string out = chunk.substr(0, headerSize);
  out[9] = static_cast<char>(out[9] | (layout == Layout::kOffset16 ? 0x02 : layout == Layout::kSparse ? 0x01 : 0));
  put32(out, 12, layout == Layout::kSparse ? stored : count);
  put32(out, 16, static_cast<uint32_t>(headerSize + offsets.size()));
  out += offsets + entries;
  put32(out, 4, static_cast<uint32_t>(out.size()));
  return out;
}

std::string relaid(const std::string& table, Layout layout) {
  const size_t poolEnd = u16(table, 2) + u32(table, u16(table, 2) + 4);
  std::string out = table.substr(0, poolEnd);
  for (size_t at = poolEnd; at < table.size();) {
    const uint32_t packageSize = u32(table, at + 4);
    const uint16_t packageHeader = u16(table, at + 2);
    std::string package = table.substr(at, packageHeader);
    for (size_t c = at + packageHeader; c < at + packageSize;) {
      const uint32_t size = u32(table, c + 4);
      const std::string chunk = table.substr(c, size);
      package += u16(chunk, 0) == kTypeChunk ? relaidType(chunk, layout) : chunk;
      c += size;
    }
    put32(package, 4, static_cast<uint32_t>(package.size()));
    out += package;
    at += packageSize;
  }
  put32(out, 4, static_cast<uint32_t>(out.size()));
  return out;
}

TEST(IconChoice, LayoutsOfCurrentToolsReadAlike) {
  for (const char* apk : {"densities.apk", "adaptive.apk", "aliases.apk", "basic.apk"}) {
    const std::string table = test::member(fixture(apk), "resources.arsc");
    for (Layout layout : {Layout::kOffset16, Layout::kSparse, Layout::kCompact}) {
      const std::string other = relaid(table, layout);
      ASSERT_NE(other, table);
      for (uint8_t type = 1; type <= 4; ++type) {
        for (uint16_t entry = 0; entry < 12; ++entry) {
          const ResourceRef ref{0x7f, type, entry};
          const auto want = resourceValues(table, ref), got = resourceValues(other, ref);
          ASSERT_TRUE(want && got) << apk << " " << int(layout);
          ASSERT_EQ(got->size(), want->size()) << apk << " " << int(layout) << " " << int(type) << ":" << entry;
          for (size_t i = 0; i < want->size(); ++i) {
            EXPECT_EQ((*got)[i].density, (*want)[i].density);
            EXPECT_EQ((*got)[i].valueType, (*want)[i].valueType);
            EXPECT_EQ((*got)[i].data, (*want)[i].data);
            EXPECT_EQ((*got)[i].text, (*want)[i].text);
          }
        }
      }
      auto none = [](const std::string&) -> std::optional<std::string> { return std::nullopt; };
      EXPECT_EQ(chooseIconPath(other, {0x7f, 2, 0}, none), chooseIconPath(table, {0x7f, 2, 0}, none)) << apk;
    }
  }
}

// The three packages built by current tools that install-deps fetches from npm.
std::string outsidePackage(const char* path) {
  const std::string full = std::string(ZORVIK_TEST_APKS) + "/" + path;
  return std::filesystem::exists(full) ? full : std::string();
}

TEST(IconChoice, OutsidePackages) {
  const std::string settings = outsidePackage("io.appium.settings/apks/settings_apk-debug.apk");
  if (settings.empty()) GTEST_SKIP() << "the npm test packages are not installed (scripts/install-deps.sh)";
  const PackageInfo p = openPackage(settings);
  ASSERT_TRUE(p.valid);
  EXPECT_EQ(p.manifest.packageName, "io.appium.settings");
  // Six densities of one PNG: the xxxhdpi one, as aapt's badging lists it for 640 dpi.
  EXPECT_EQ(p.iconPath, "res/drawable-xxxhdpi-v4/ic_launcher.png");
  EXPECT_EQ(p.iconBytes.substr(1, 3), "PNG");
  // The server and its test package declare no icon: none is shown.
  for (const char* server : {"appium-uiautomator2-server/apks/appium-uiautomator2-server-v10.6.6.apk",
                             "appium-uiautomator2-server/apks/appium-uiautomator2-server-debug-androidTest.apk"}) {
    const PackageInfo s = openPackage(outsidePackage(server));
    ASSERT_TRUE(s.valid) << server;
    EXPECT_EQ(s.iconPath, "") << server;
    EXPECT_EQ(s.iconBytes, "") << server;
  }
}

// ---------------------------------------------------------------- WebP through libwebp
BgraImage decodeFile(const std::string& path, WebpResult expect = WebpResult::kOk) {
  const std::string bytes = test::readFile(path);
  BgraImage image;
  EXPECT_EQ(decodeWebp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image), expect) << path;
  return image;
}

// The PNG's pixels as ImageMagick wrote them (R, G, B, A) against decoded B, G, R, A.
int largestDifference(const BgraImage& image, const std::string& rgba, bool skipTransparent) {
  int worst = 0;
  for (size_t i = 0; i + 3 < rgba.size() && i + 3 < image.pixels.size(); i += 4) {
    const uint8_t* px = image.pixels.data() + i;
    const auto* want = reinterpret_cast<const uint8_t*>(rgba.data() + i);
    const int channels[4][2] = {{px[2], want[0]}, {px[1], want[1]}, {px[0], want[2]}, {px[3], want[3]}};
    for (int c = 0; c < 4; ++c) {
      if (skipTransparent && c < 3 && want[3] == 0) continue;
      worst = std::max(worst, std::abs(channels[c][0] - channels[c][1]));
    }
  }
  return worst;
}

TEST(WebpDecode, PixelsOfThePngTheyWereMadeFrom) {
  const std::string rgba = test::readFile(fixture("webp/picture.rgba"));
  ASSERT_EQ(rgba.size(), 37u * 23 * 4);
  const BgraImage lossless = decodeFile(fixture("webp/lossless.webp"));
  ASSERT_EQ(lossless.width, 37);
  ASSERT_EQ(lossless.height, 23);
  ASSERT_EQ(lossless.pixels.size(), rgba.size());
  EXPECT_EQ(largestDifference(lossless, rgba, false), 0);
  // The picture's alpha runs from opaque to transparent, so both ends are compared.
  uint8_t least = 255, most = 0;
  for (size_t i = 3; i < lossless.pixels.size(); i += 4) {
    least = std::min(least, lossless.pixels[i]);
    most = std::max(most, lossless.pixels[i]);
  }
  EXPECT_EQ(least, 0);
  EXPECT_EQ(most, 255);

  const BgraImage lossy = decodeFile(fixture("webp/lossy.webp"));
  ASSERT_EQ(lossy.pixels.size(), rgba.size());
  EXPECT_LE(largestDifference(lossy, rgba, true), 96);  // close, not exact
}

TEST(WebpDecode, OutsideBytesGetAClearOutcome) {
  const std::string good = test::readFile(fixture("webp/lossless.webp"));
  auto result = [](const std::string& bytes) {
    BgraImage image;
    const WebpResult r = decodeWebp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image);
    if (r != WebpResult::kOk) { EXPECT_TRUE(image.pixels.empty()); }
    return r;
  };
  EXPECT_EQ(result(""), WebpResult::kNotWebp);
  EXPECT_EQ(result(test::member(fixture("basic.apk"), "res/drawable/icon.png")), WebpResult::kNotWebp);
  EXPECT_EQ(result(good.substr(0, 11)), WebpResult::kNotWebp);
  for (size_t n = 12; n < good.size(); n += 7) EXPECT_EQ(result(good.substr(0, n)), WebpResult::kBadData) << n;
  // Flipped bits in the coded data: refused, or a picture of the declared size (never more).
  std::string corrupt = good;
  for (size_t i = 30; i < corrupt.size(); i += 3) corrupt[i] = static_cast<char>(~corrupt[i]);
  BgraImage image;
  if (decodeWebp(reinterpret_cast<const uint8_t*>(corrupt.data()), corrupt.size(), image) == WebpResult::kOk) {
    EXPECT_EQ(image.pixels.size(), 37u * 23 * 4);
  }

  // A lossless header claiming 16384 x 16384: refused before any pixel is allocated.
  std::string huge = good;
  ASSERT_EQ(huge.substr(12, 4), "VP8L");
  // After the signature byte: 14 bits of width - 1, 14 of height - 1, then alpha and version.
  uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits |= static_cast<uint32_t>(static_cast<uint8_t>(huge[21 + i])) << (8 * i);
  const uint32_t side = 16384 - 1;
  bits = (bits & 0xF0000000u) | side | side << 14;
  for (int i = 0; i < 4; ++i) huge[21 + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
  EXPECT_EQ(result(huge), WebpResult::kTooLarge);
  std::string badSignature = good;
  badSignature[20] = 0x2e;
  EXPECT_EQ(result(badSignature), WebpResult::kBadData);

  std::string big = good;
  big.resize(kMaxWebpBytes + 1, '\0');
  EXPECT_EQ(result(big), WebpResult::kTooLarge);
}

}  // namespace
}  // namespace zorvik
