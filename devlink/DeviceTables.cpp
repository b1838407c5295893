#include "devlink/DeviceTables.h"

#include <climits>

namespace zorvik {
namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
  if (from.empty()) return;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

// atoi without its undefined overflow: leading blanks, a sign, digits; clamped to int.
int parseInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > INT_MAX) {
      value = static_cast<long long>(INT_MAX) + 1;
      break;
    }
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

struct BrandKey {
  const char* key;
  int image;
};
constexpr BrandKey kBrandKeys[] = {
    {"acer", 21000},   {"apple", 21002},   {"dopod", 21003},  {"google", 21004},
    {"htc", 21015},    {"lenovo", 21006},  {"motorola", 21008}, {"meizu", 21007},
    {"nokia", 21009},  {"philips", 21010}, {"samsung", 21011}, {"sharp", 21012},
    {"sonyericsson", 21013}, {"zte", 21014},
};

constexpr const char* kVersionNames[] = {
    "Android 1.5", "Android 1.6", "Android 2.0", "Android 2.0.1", "Android 2.1",
    "Android 2.2", "Android 2.3", "Android 2.3.X", "Android 3.0", "Android 3.1",
    "Android 3.2", "Android 4.0", "Android 4.0.3",
    // Every later released API level, so a phone of today is named rather than "未知版本".
    "Android 4.1", "Android 4.2", "Android 4.3", "Android 4.4", "Android 4.4W",
    "Android 5.0", "Android 5.1", "Android 6.0", "Android 7.0", "Android 7.1",
    "Android 8.0", "Android 8.1", "Android 9", "Android 10", "Android 11",
    "Android 12", "Android 12L", "Android 13", "Android 14", "Android 15",
    "Android 16",
};
constexpr int kFirstNamedSdk = 3;

}  // namespace

std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      if (start < text.size()) lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string trimmed(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && isSpace(text[begin])) ++begin;
  while (end > begin && isSpace(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

std::string asciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

std::vector<std::string> parseDevicesListing(std::string_view output) {
  std::vector<std::string> serials;
  for (const std::string& line : splitLines(output)) {
    if (line.empty()) break;
    // The state is the last word: after the tab (or, in a listing without one, the last blank).
    // Only "device" counts; a state such as "no permissions ... device.html" merely holds it.
    // The serial is the rest as listed, whatever it contains ("mydevice01" stays whole).
    const std::string entry = trimmed(line);
    size_t cut = entry.rfind('\t');
    if (cut == std::string::npos) cut = entry.find_last_of(' ');
    if (cut == std::string::npos || trimmed(std::string_view(entry).substr(cut + 1)) != "device") continue;
    std::string serial = trimmed(std::string_view(entry).substr(0, cut));
    // A control character (a second tab, a stray CR) is no serial a command line can carry.
    bool control = false;
    for (char c : serial) control = control || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    if (!serial.empty() && !control) serials.push_back(std::move(serial));
  }
  return serials;
}

bool adbServerMissing(std::string_view output) {
  // Only the tool's own words, never a serial: a listing's lines end in a tab and a state.
  for (const std::string& line : splitLines(output)) {
    const std::string text = trimmed(line);
    if (text.find('\t') != std::string::npos) continue;
    if (text.find("cannot connect to daemon") != std::string::npos) return true;
    if (text.find("failed to start daemon") != std::string::npos) return true;
  }
  return false;
}

std::string getpropValue(std::string_view line) {
  const size_t open = line.rfind('[');
  const size_t close = line.rfind(']');
  if (open == std::string_view::npos || close == std::string_view::npos || close < open) return {};
  return std::string(line.substr(open + 1, close - open - 1));
}

DeviceProperties parseGetprop(std::string_view output) {
  DeviceProperties properties;
  for (const std::string& line : splitLines(output)) {
    if (line.find(kPropSdk) != std::string::npos) {
      properties.sdkLevel = parseInt(getpropValue(line));
    } else if (line.find(kPropManufacturer) != std::string::npos) {
      properties.manufacturer = getpropValue(line);
    } else if (line.find(kPropModel) != std::string::npos) {
      properties.model = getpropValue(line);
    }
  }
  return properties;
}

const char* versionNameForSdk(int sdk) {
  constexpr int count = static_cast<int>(sizeof kVersionNames / sizeof kVersionNames[0]);
  if (sdk < kFirstNamedSdk || sdk >= kFirstNamedSdk + count) return "未知版本";
  return kVersionNames[sdk - kFirstNamedSdk];
}

int brandImageForManufacturer(std::string_view manufacturer) {
  const std::string lower = asciiLower(manufacturer);
  for (const BrandKey& brand : kBrandKeys) {
    if (lower.find(brand.key) != std::string::npos) return brand.image;
  }
  return kBrandImageDefault;
}

std::string displayModel(std::string model) {
  replaceAll(model, "meizu_", "");
  return model;
}

std::string displayManufacturer(std::string manufacturer) {
  if (manufacturer.find("meizu") != std::string::npos) {
    replaceAll(manufacturer, "meizu", "魅族");
  } else if (manufacturer.find("motorola") != std::string::npos) {
    replaceAll(manufacturer, "motorola", "摩托罗拉");
  }
  return manufacturer;
}

}  // namespace zorvik
