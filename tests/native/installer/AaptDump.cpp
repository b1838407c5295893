#include "AaptDump.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "common/TextConv.h"
#include "installer/ApkArchive.h"

namespace zorvik::test {
namespace {

std::string unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      ++i;
      out += text[i] == 'n' ? '\n' : text[i];
    } else {
      out += text[i];
    }
  }
  return out;
}

// The text between the first quote after `from` and its closing quote (escapes honoured).
std::string quoted(const std::string& line, size_t from) {
  const size_t open = line.find('"', from);
  if (open == std::string::npos) return {};
  size_t i = open + 1;
  while (i < line.size() && line[i] != '"') i += line[i] == '\\' ? 2 : 1;
  return unescape(line.substr(open + 1, i - open - 1));
}

}  // namespace

std::string fixture(const std::string& name) { return std::string(ZORVIK_INSTALLER_FIXTURES) + "/" + name; }

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string member(const std::string& apk, const std::string& name) {
  ApkArchive archive;
  if (!archive.openFile(apk)) return {};
  return archive.readMember(name).value_or(std::string());
}

std::vector<DumpElement> parseXmltree(const std::string& dump) {
  std::vector<DumpElement> elements;
  std::istringstream in(dump);
  std::string line;
  while (std::getline(in, line)) {
    const size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos) continue;
    if (line.compare(start, 3, "E: ") == 0) {
      const size_t end = line.find(' ', start + 3);
      elements.push_back({line.substr(start + 3, end - start - 3), {}});
    } else if (line.compare(start, 3, "A: ") == 0 && !elements.empty()) {
      const size_t eq = line.find('=', start);
      std::string name = line.substr(start + 3, eq - start - 3);
      if (const size_t paren = name.find('('); paren != std::string::npos) name.resize(paren);
      if (const size_t colon = name.find(':'); colon != std::string::npos) name.erase(0, colon + 1);
      const std::string raw = line.substr(eq + 1);
      std::string value;
      if (raw.rfind("\"", 0) == 0) {
        value = toAnsi(quoted(raw, 0));
      } else if (raw.rfind("@0x", 0) == 0) {
        char text[16];
        std::snprintf(text, sizeof text, "@0x%lx", std::stoul(raw.substr(3), nullptr, 16));
        value = text;
      } else if (raw.rfind("(type 0x10)", 0) == 0) {
        const std::string number = raw.substr(11, raw.find(' ', 11) - 11);
        value = std::to_string(static_cast<int32_t>(std::stoul(number, nullptr, 16)));
      }
      elements.back().attributes.emplace_back(name, value);
    }
  }
  return elements;
}

std::string badgingValue(const std::string& dump, const std::string& prefix, const std::string& key) {
  std::istringstream in(dump);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(prefix, 0) != 0) continue;
    const size_t at = line.find(key + "='");
    if (at == std::string::npos) return {};
    const size_t begin = at + key.size() + 2;
    return line.substr(begin, line.find('\'', begin) - begin);
  }
  return {};
}

std::vector<std::string> badgingPermissions(const std::string& dump) {
  std::vector<std::string> names;
  std::vector<std::string> implied;
  std::istringstream in(dump);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("uses-permission: name='", 0) == 0) names.push_back(badgingValue(line, "uses-permission:", "name"));
    if (line.rfind("uses-implied-permission: name='", 0) == 0)
      implied.push_back(badgingValue(line, "uses-implied-permission:", "name"));
  }
  // aapt lists an implied permission as a uses-permission line just before its reason.
  for (const auto& name : implied)
    for (auto it = names.end(); it != names.begin();)
      if (*--it == name) {
        names.erase(it);
        break;
      }
  return names;
}

namespace {

// The configuration a package page prefers, from the name aapt prints for it ("zh-rCN",
// "zh-rCN-v21", "zh", "(default)", "fr", "xhdpi-v4", ...); higher is preferred.
int configPreference(const std::string& config) {
  if (config.rfind("zh-rCN", 0) == 0) return 4;
  if (config == "zh" || (config.rfind("zh-", 0) == 0 && config.compare(3, 1, "r") != 0)) return 3;
  if (config == "(default)") return 2;
  return 1;
}

// The string value of a resource in the configuration preferred by `rank` (the last among equals).
// A reference taken is followed through the dump (at most `hops` times; beyond, or a loop: empty).
template <typename Rank>
std::string resourceValue(const std::string& dump, uint32_t id, Rank rank, int hops = 0) {
  char key[32];
  std::snprintf(key, sizeof key, "resource 0x%08x ", id);
  std::istringstream in(dump);
  std::string line, value, config;
  int best = 0, current = 0;
  bool take = false, referenceTaken = false;
  while (std::getline(in, line)) {
    const size_t start = line.find_first_not_of(' ');
    if (take) {
      take = false;
      const bool reference = line.find("(reference) 0x") != std::string::npos;
      if ((reference || line.find("(string") != std::string::npos) && current >= best) {
        value = reference ? line.substr(line.find("0x")) : quoted(line, 0);
        referenceTaken = reference;
        best = current;
      }
      continue;
    }
    if (start != std::string::npos && line.compare(start, 7, "config ") == 0) {
      config = line.substr(start + 7, line.rfind(':') - start - 7);
      current = rank(config);
    }
    take = start != std::string::npos && line.compare(start, std::strlen(key), key) == 0;
  }
  if (!referenceTaken) return value;
  if (hops == 0) return {};
  return resourceValue(dump, static_cast<uint32_t>(std::stoul(value, nullptr, 16)), rank, hops - 1);
}

}  // namespace

std::string lastResourceValue(const std::string& dump, uint32_t id) {
  return resourceValue(dump, id, [](const std::string&) { return 1; });
}

std::string preferredResourceValue(const std::string& dump, uint32_t id) {
  return resourceValue(dump, id, configPreference);
}

std::string preferredResolvedValue(const std::string& dump, uint32_t id, int hops) {
  return resourceValue(dump, id, configPreference, hops);
}

uint32_t resourceIdNamed(const std::string& dump, const std::string& typeAndName) {
  const size_t at = dump.find(":" + typeAndName + ": ");
  const size_t id = at == std::string::npos ? std::string::npos : dump.rfind("resource 0x", at);
  return id == std::string::npos ? 0 : static_cast<uint32_t>(std::stoul(dump.substr(id + 9, 10), nullptr, 16));
}

std::string badgingPreferredLabel(const std::string& badging) {
  for (const char* prefix : {"application-label-zh-CN:'", "application-label-zh:'", "application-label:'"}) {
    const size_t at = badging.find(std::string("\n") + prefix);
    if (at == std::string::npos) continue;
    const size_t begin = at + 1 + std::strlen(prefix);
    return badging.substr(begin, badging.find("'\n", begin) - begin);
  }
  return {};
}

}  // namespace zorvik::test
