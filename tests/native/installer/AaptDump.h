#pragma once
// Test helpers: the fixture packages and what Debian's aapt printed about them.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zorvik::test {

#ifdef _WIN32
constexpr char kFramework[] = "Z:/usr/share/android-framework-res/framework-res.apk";
#else
constexpr char kFramework[] = "/usr/share/android-framework-res/framework-res.apk";
#endif

std::string fixture(const std::string& name);  // full path in the fixture folder
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
// A member of a fixture package, read with minizip.
std::string member(const std::string& apk, const std::string& name);

// One element of "aapt dump xmltree": its name and its attributes with the value our decoder
// should write for each (strings as ANSI text, decimal integers, "@0x…" references, else empty).
struct DumpElement {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;
};
std::vector<DumpElement> parseXmltree(const std::string& dump);

// "aapt dump badging": the value of key='…' on the first line starting with prefix.
std::string badgingValue(const std::string& dump, const std::string& prefix, const std::string& key);
// The explicitly requested permissions (implied ones left out), in order.
std::vector<std::string> badgingPermissions(const std::string& dump);
// "aapt dump --values resources": the string value of a resource in the last configuration that
// holds it (UTF-8), or empty.
std::string lastResourceValue(const std::string& dump, uint32_t id);
// The same in the configuration a package page prefers: zh-CN, then zh, then the default, then
// the last one (read from the configuration names aapt prints).
std::string preferredResourceValue(const std::string& dump, uint32_t id);
// The same, references followed through the dump up to `hops` times (a loop or a longer chain:
// empty), as aapt's badging resolves a label.
std::string preferredResolvedValue(const std::string& dump, uint32_t id, int hops = 8);
// The id aapt lists for "type/name" (e.g. "string/app_name"), or 0.
uint32_t resourceIdNamed(const std::string& dump, const std::string& typeAndName);
// "aapt dump badging": the label aapt resolves for zh-CN, else for zh, else the default label
// (UTF-8), or empty when the dump names none of them.
std::string badgingPreferredLabel(const std::string& badging);

}  // namespace zorvik::test
