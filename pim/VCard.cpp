#include "pim/VCard.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "common/TextConv.h"

namespace zorvik {
namespace {

constexpr size_t kFoldOctets = 75;

// ---------------------------------------------------------------- kinds and TYPE parameters
// The phone's entry kinds (the same numbers as the editor's choice lists) and the TYPE values
// other address books understand. A kind the TYPE values do not bring back exactly is written
// as well as X-KIND, so a round trip keeps it.
struct KindTypes {
  int32_t kind;
  const char* types;
};
constexpr KindTypes kPhoneTypes[] = {{1, "HOME,VOICE"}, {2, "CELL,VOICE"}, {3, "WORK,VOICE"}, {4, "WORK,FAX"},
                                     {5, "HOME,FAX"},   {6, "PAGER"},      {7, "VOICE"},      {0, "VOICE"}};
constexpr KindTypes kEmailTypes[] = {{1, "INTERNET,HOME"}, {2, "INTERNET,WORK"}, {3, "INTERNET"},
                                     {4, "INTERNET,CELL"}, {0, "INTERNET"}};
constexpr KindTypes kAddressTypes[] = {{1, "HOME"}, {2, "WORK"}, {3, ""}, {0, ""}};
// Instant messaging: the kind is the protocol; each has its own property.
struct ImProperty {
  int32_t protocol;
  const char* name;
};
constexpr ImProperty kImProperties[] = {{0, "X-AIM"},   {1, "X-MSN"}, {2, "X-YAHOO"},  {3, "X-SKYPE"},
                                        {4, "X-QQ"},    {5, "X-GTALK"}, {6, "X-ICQ"},  {7, "X-JABBER"},
                                        {8, "X-NETMEETING"}, {-1, "X-IM"}};
constexpr int32_t kDefaultOrganizationKind = 1, kDefaultWebKind = 1;
constexpr const char* kStarredProperty = "X-ZORVIK-STARRED";
// IMPP values (RFC 4770) are URIs; the scheme names the protocol.
struct ImScheme {
  const char* scheme;  // upper case, with the colon
  int32_t protocol;
};
constexpr ImScheme kImSchemes[] = {{"AIM:", 0},   {"MSNIM:", 1},  {"MSN:", 1},    {"YMSGR:", 2}, {"SKYPE:", 3},
                                   {"CALLTO:", 3}, {"QQ:", 4},    {"GTALK:", 5},  {"ICQ:", 6},   {"XMPP:", 7},
                                   {"JABBER:", 7}};

std::string upper(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return u;
}

bool startsWithNoCase(std::string_view s, std::string_view upperPrefix) {
  if (s.size() < upperPrefix.size()) return false;
  for (size_t i = 0; i < upperPrefix.size(); ++i) {
    char c = s[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upperPrefix[i]) return false;
  }
  return true;
}

bool hasType(const std::vector<std::string>& types, const char* t) {
  return std::find(types.begin(), types.end(), t) != types.end();
}

int32_t phoneKindOf(const std::vector<std::string>& t) {
  if (hasType(t, "CELL")) return 2;
  if (hasType(t, "PAGER")) return 6;
  if (hasType(t, "FAX")) return hasType(t, "WORK") ? 4 : 5;
  if (hasType(t, "WORK")) return 3;
  if (hasType(t, "HOME")) return 1;
  return 7;
}
int32_t emailKindOf(const std::vector<std::string>& t) {
  if (hasType(t, "HOME")) return 1;
  if (hasType(t, "WORK")) return 2;
  if (hasType(t, "CELL")) return 4;
  return 3;
}
int32_t addressKindOf(const std::vector<std::string>& t) {
  if (hasType(t, "HOME")) return 1;
  if (hasType(t, "WORK")) return 2;
  return 3;
}

std::vector<std::string> splitTypes(std::string_view list) {
  std::vector<std::string> types;
  size_t start = 0;
  while (start <= list.size()) {
    const size_t comma = list.find(',', start);
    const std::string_view one = list.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    if (!one.empty()) types.push_back(upper(one));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return types;
}

// ---------------------------------------------------------------- base64
constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string base64Encode(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const uint32_t v = static_cast<uint8_t>(bytes[i]) << 16 | static_cast<uint8_t>(bytes[i + 1]) << 8 |
                       static_cast<uint8_t>(bytes[i + 2]);
    for (int s = 18; s >= 0; s -= 6) out += kBase64[(v >> s) & 63];
  }
  if (i < bytes.size()) {
    uint32_t v = static_cast<uint8_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    out += kBase64[(v >> 18) & 63];
    out += kBase64[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kBase64[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

// Skips whitespace (folded 2.1 values keep their line breaks); stops at '=' or a stray byte.
std::string base64Decode(std::string_view text, size_t limit) {
  std::string out;
  uint32_t acc = 0;
  int bits = 0;
  for (const char c : text) {
    int v;
    if (c >= 'A' && c <= 'Z') v = c - 'A';
    else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
    else if (c >= '0' && c <= '9') v = c - '0' + 52;
    else if (c == '+') v = 62;
    else if (c == '/') v = 63;
    else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    else break;
    acc = (acc << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      if (out.size() >= limit) return {};  // too large: the caller drops it
      out += static_cast<char>((acc >> bits) & 0xFF);
    }
  }
  return out;
}

std::string quotedPrintableDecode(std::string_view text) {
  std::string out;
  auto hex = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '=' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
      out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

const char* photoType(std::string_view photo) {
  if (photo.size() >= 8 && photo.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0) return "PNG";
  if (photo.size() >= 6 && photo.compare(0, 3, "GIF") == 0) return "GIF";
  if (photo.size() >= 2 && photo.compare(0, 2, "BM") == 0) return "BMP";
  if (photo.size() >= 3 && photo.compare(0, 3, "\xFF\xD8\xFF") == 0) return "JPEG";
  return nullptr;  // not a format a reader could be told: left out
}

// ---------------------------------------------------------------- writing
void addLine(std::string& out, const std::string& line) {
  out += vcardFoldLine(line);
  out += "\r\n";
}

void addTyped(std::string& out, const char* name, const ContactItem& item, const char* types, int32_t readBack,
              const std::string& value) {
  std::string line = name;
  if (types && *types) line += std::string(";TYPE=") + types;
  if (readBack != item.kind) line += ";X-KIND=" + std::to_string(item.kind);
  line += ":" + value;
  addLine(out, line);
}

template <size_t N>
const char* typesOf(const KindTypes (&table)[N], int32_t kind) {
  for (const KindTypes& k : table)
    if (k.kind == kind) return k.types;
  return "";
}

// A text as the phone holds it: its own UTF-8 bytes when they came with it, never the GBK copy,
// which has lost what GBK cannot encode.
std::string phoneUtf8(const std::string& ansi, const std::string& utf8) { return utf8.empty() ? toUtf8(ansi) : utf8; }
std::string utf8Escaped(const ContactSingle& s) { return vcardEscape(phoneUtf8(s.value, s.utf8)); }
std::string utf8Escaped(const ContactItem& item) { return vcardEscape(phoneUtf8(item.value, item.utf8)); }
// TEL and URL values are a number and a URI, not text: no text escaping, only line breaks dropped.
std::string uriValue(const ContactItem& item) {
  std::string v = phoneUtf8(item.value, item.utf8);
  v.erase(std::remove_if(v.begin(), v.end(), [](char c) { return c == '\r' || c == '\n'; }), v.end());
  return v;
}

// ---------------------------------------------------------------- reading
// A property holds at most this many parameters; more are ignored (no file needs them, and a
// hostile line of ";A;A;A..." must not become millions of strings).
constexpr size_t kMaxParameters = 32;

struct Property {
  std::string name;                       // upper case, group dropped
  std::string group;                      // "item1" of "item1.TEL", upper case; empty when none
  std::vector<std::string> types;         // TYPE values and bare 2.1 parameters, upper case
  std::string encoding, charset;          // upper case
  int32_t explicitKind = INT32_MIN;       // X-KIND
  std::string value;                      // raw
};

bool parseProperty(std::string_view line, Property& p) {
  // The colon that ends the name and parameters is the first one outside a quoted parameter value.
  bool quoted = false;
  size_t colon = std::string_view::npos;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    else if (line[i] == ':' && !quoted) {
      colon = i;
      break;
    }
  }
  if (colon == std::string_view::npos) return false;
  std::string_view head = line.substr(0, colon);
  p.value.assign(line.substr(colon + 1));
  size_t semi = head.find(';');
  std::string_view name = head.substr(0, semi);
  if (const size_t dot = name.rfind('.'); dot != std::string_view::npos) {
    p.group = upper(name.substr(0, dot));
    name.remove_prefix(dot + 1);
  }
  p.name = upper(name);
  for (size_t count = 0; semi != std::string_view::npos && count < kMaxParameters; ++count) {
    const size_t next = head.find(';', semi + 1);
    std::string_view param = head.substr(semi + 1, next == std::string_view::npos ? std::string_view::npos : next - semi - 1);
    semi = next;
    const size_t eq = param.find('=');
    std::string key = upper(param.substr(0, eq));
    std::string_view value = eq == std::string_view::npos ? std::string_view() : param.substr(eq + 1);
    if (!value.empty() && value.front() == '"' && value.size() >= 2 && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (eq == std::string_view::npos) {
      // 2.1: "TEL;CELL;VOICE:" and "PHOTO;BASE64:"
      if (key == "BASE64" || key == "QUOTED-PRINTABLE") p.encoding = key;
      else p.types.push_back(key);
    } else if (key == "TYPE") {
      for (std::string& t : splitTypes(value))
        if (p.types.size() < kMaxParameters) p.types.push_back(std::move(t));
    } else if (key == "ENCODING") {
      p.encoding = upper(value);
    } else if (key == "CHARSET") {
      p.charset = upper(value);
    } else if (key == "X-KIND") {
      char* end = nullptr;
      const std::string digits(value);
      const long k = std::strtol(digits.c_str(), &end, 10);
      if (end && *end == '\0' && !digits.empty() && k >= -1000 && k <= 1000) p.explicitKind = static_cast<int32_t>(k);
    }
  }
  return true;
}

// Calls `each` with every component of a structured value, split on unescaped ';' (components
// keep their escapes), without holding them all.
template <typename Each>
void forEachComponent(std::string_view value, Each&& each) {
  size_t start = 0;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\') {
      ++i;
    } else if (value[i] == ';') {
      each(value.substr(start, i - start));
      start = i + 1;
    }
  }
  each(value.substr(std::min(start, value.size())));
}

std::string unescape(std::string_view v) {
  std::string out;
  out.reserve(v.size());
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] == '\\' && i + 1 < v.size()) {
      const char c = v[++i];
      out += (c == 'n' || c == 'N') ? '\n' : c;
    } else {
      out += v[i];
    }
  }
  return out;
}

bool validUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    size_t n;
    uint32_t min;
    if (b < 0x80) {
      ++i;
      continue;
    }
    if (b >= 0xC2 && b <= 0xDF) n = 1, min = 0x80;
    else if (b >= 0xE0 && b <= 0xEF) n = 2, min = 0x800;
    else if (b >= 0xF0 && b <= 0xF4) n = 3, min = 0x10000;
    else return false;
    if (i + n >= s.size()) return false;
    uint32_t cp = b & (0x3F >> n);
    for (size_t k = 1; k <= n; ++k) {
      const auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = cp << 6 | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += n + 1;
  }
  return true;
}

// The value's bytes in UTF-8: quoted-printable decoded, then read in the CHARSET it names. Without
// one (2.1 files of Chinese phones write raw GBK and say nothing) valid UTF-8 is taken as it is and
// anything else as GBK. Converted before any unescaping: a GBK or BIG5 trail byte may be '\'.
std::string valueUtf8(const Property& p) {
  std::string raw = p.encoding == "QUOTED-PRINTABLE" ? quotedPrintableDecode(p.value) : p.value;
  const std::string& c = p.charset;
  if (c == "UTF-8" || c == "UTF8") return raw;
  if (c == "GBK" || c == "GB2312" || c == "CP936" || c == "X-GBK" || c == "EUC-CN")
    return legacyToUtf8(raw, LegacyCharset::Gbk);
  if (c == "GB18030") return legacyToUtf8(raw, LegacyCharset::Gb18030);
  if (c == "BIG5" || c == "BIG-5" || c == "CP950") return legacyToUtf8(raw, LegacyCharset::Big5);
  if (c == "ISO-8859-1" || c == "ISO8859-1" || c == "LATIN1" || c == "US-ASCII")
    return legacyToUtf8(raw, LegacyCharset::Latin1);
  if (c == "WINDOWS-1252" || c == "CP1252") return legacyToUtf8(raw, LegacyCharset::Windows1252);
  return validUtf8(raw) ? raw : legacyToUtf8(raw, LegacyCharset::Gbk);
}

// The value as UTF-8 text: decoded, unescaped, joined (structured values: non-empty components
// joined by `joiner`).
std::string textOf(const Property& p, const char* joiner = nullptr) {
  const std::string utf8 = valueUtf8(p);
  if (!joiner) return unescape(utf8);
  std::string text;
  forEachComponent(utf8, [&](std::string_view part) {
    std::string piece = unescape(part);
    if (piece.empty()) return;
    if (!text.empty()) text += joiner;
    text += piece;
  });
  return text;
}

// A number: a 4.0 "tel:" URI (RFC 3966) gives the number it names.
std::string numberOf(const Property& p) {
  std::string v = textOf(p);
  if (v.size() >= 4 && upper(std::string_view(v).substr(0, 4)) == "TEL:") v.erase(0, 4);
  return v;
}

// Read texts are kept as the phone will get them (UTF-8), with the program's GBK copy beside.
ContactItem newItem(int32_t kind, std::string utf8) {
  ContactItem item{-1, kind, toAnsi(utf8), kOpNew};
  item.utf8 = std::move(utf8);
  return item;
}

void setSingle(ContactSingle& single, std::string utf8) {
  if (utf8.empty()) return;
  single.present = true;
  single.rowId = -1;
  single.value = toAnsi(utf8);
  single.utf8 = std::move(utf8);
  single.operation = kOpNew;
}

// Chinese, Japanese and Korean names (U+3000 to U+D7FF in UTF-8) run family and given together.
bool hasCjk(std::string_view utf8) {
  return std::any_of(utf8.begin(), utf8.end(), [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0xE3 && b <= 0xED;
  });
}

// A card holds at most this many entries in each list; more are dropped (no address book has them,
// and a crafted file of short lines must not become millions of entries).
constexpr size_t kMaxCardEntries = 256;
void addEntry(std::vector<ContactItem>& list, ContactItem item) {
  if (list.size() < kMaxCardEntries) list.push_back(std::move(item));
}

// One BEGIN…END block, fed a logical line at a time.
// The label a grouped X-ABLabel gives its group's entry ("item1.TEL" and "item1.X-ABLabel"): the
// kind it names, or 0 ("自定义") for a label of the user's own.
int32_t labelledKind(const std::string& property, std::string label) {
  if (label.size() > 8 && label.compare(0, 4, "_$!<") == 0 && label.compare(label.size() - 4, 4, ">!$_") == 0)
    label = label.substr(4, label.size() - 8);
  label = upper(label);
  struct Label {
    const char* property;
    const char* label;
    int32_t kind;
  };
  static constexpr Label kLabels[] = {
      {"TEL", "MOBILE", 2}, {"TEL", "IPHONE", 2}, {"TEL", "HOME", 1},  {"TEL", "WORK", 3},
      {"TEL", "WORKFAX", 4}, {"TEL", "HOMEFAX", 5}, {"TEL", "PAGER", 6}, {"TEL", "OTHER", 7},
      {"TEL", "MAIN", 7},   {"EMAIL", "HOME", 1},  {"EMAIL", "WORK", 2}, {"EMAIL", "OTHER", 3},
      {"ADR", "HOME", 1},   {"ADR", "WORK", 2},   {"ADR", "OTHER", 3}};
  for (const Label& l : kLabels)
    if (property == l.property && label == l.label) return l.kind;
  return 0;
}

class CardReader {
public:
  void start() {
    out_ = VCardContact{};
    structuredName_.clear();
    title_.clear();
    grouped_.clear();
    labels_.clear();
  }
  void add(std::string_view line);
  void addProperty(const Property& p);
  // False when the card holds nothing worth adding.
  bool finish(VCardContact& out) {
    ContactCard& card = out_.card;
    if (!card.displayName.present) setSingle(card.displayName, structuredName_);
    if (!card.displayName.present && card.phones.empty() && card.emails.empty()) return false;
    // The phone keeps one organization text: the job title joins the first.
    if (!title_.empty()) {
      if (card.organizations.empty()) {
        card.organizations.push_back(newItem(kDefaultOrganizationKind, title_));
      } else {
        ContactItem& org = card.organizations[0];
        org = ContactItem{org.rowId, org.kind, {}, org.operation, org.utf8 + " " + title_};
        org.value = toAnsi(org.utf8);
      }
    }
    for (const auto& [group, label] : labels_)
      for (const Grouped& g : grouped_)
        if (g.group == group && g.index < g.list->size()) (*g.list)[g.index].kind = labelledKind(g.property, label);
    out = std::move(out_);
    return true;
  }

private:
  // An entry of a grouped property without X-KIND, which a label of its group may name.
  struct Grouped {
    std::string group, property;
    std::vector<ContactItem>* list;
    size_t index;
  };
  VCardContact out_;
  std::string structuredName_, title_;
  std::vector<Grouped> grouped_;
  std::vector<std::pair<std::string, std::string>> labels_;
};

void CardReader::add(std::string_view line) {
  ContactCard& card = out_.card;
  Property p;
  if (!parseProperty(line, p)) return;
  const int32_t k = p.explicitKind;
  // A grouped entry without X-KIND is remembered once added: a label of its group may name it.
  std::vector<ContactItem>* labelled = p.group.empty() || k != INT32_MIN ? nullptr
                                       : p.name == "TEL"                  ? &card.phones
                                       : p.name == "EMAIL"                ? &card.emails
                                       : p.name == "ADR"                  ? &card.addresses
                                                                          : nullptr;
  if (labelled) {
    const size_t before = labelled->size();
    addProperty(p);
    if (labelled->size() > before && grouped_.size() < kMaxCardEntries)
      grouped_.push_back({p.group, p.name, labelled, before});
    return;
  }
  addProperty(p);
}

void CardReader::addProperty(const Property& p) {
  ContactCard& card = out_.card;
  const int32_t k = p.explicitKind;
  if (p.name == "X-ABLABEL") {
    if (!p.group.empty() && labels_.size() < kMaxCardEntries) labels_.emplace_back(p.group, textOf(p));
    return;
  }
  if (p.name == "TITLE") {
    title_ = textOf(p);
    return;
  }
  if (p.name == "FN") {
    setSingle(card.displayName, textOf(p));
  } else if (p.name == "N") {
    const std::string utf8 = valueUtf8(p);
    std::string family, given;
    int index = 0;
    forEachComponent(utf8, [&](std::string_view part) {
      if (index == 0) family = unescape(part);
      else if (index == 1) given = unescape(part);
      ++index;
    });
    // family, given: Chinese names run together, others "given family".
    structuredName_ =
        family.empty() || given.empty() || hasCjk(family + given) ? family + given : given + " " + family;
  } else if (p.name == "CATEGORIES") {
    // Titles split on unescaped commas; the phone joins the contact to the groups of those titles.
    const std::string utf8 = valueUtf8(p);
    size_t start = 0;
    auto take = [&](size_t end) {
      if (std::string title = unescape(std::string_view(utf8).substr(start, end - start)); !title.empty())
        addEntry(card.groups, newItem(0, std::move(title)));
      start = end + 1;
    };
    for (size_t i = 0; i < utf8.size(); ++i) {
      if (utf8[i] == '\\') ++i;
      else if (utf8[i] == ',') take(i);
    }
    take(utf8.size());
  } else if (p.name == kStarredProperty) {
    card.starred = textOf(p) == "1";
  } else if (p.name == "IMPP") {
    std::string v = textOf(p);
    int32_t protocol = -1;
    for (const ImScheme& s : kImSchemes)
      if (startsWithNoCase(v, s.scheme)) {
        protocol = s.protocol;
        v.erase(0, std::string_view(s.scheme).size());
        break;
      }
    if (!v.empty()) addEntry(card.ims, newItem(k != INT32_MIN ? k : protocol, std::move(v)));
  } else if (p.name == "NICKNAME") {
    setSingle(card.nickname, textOf(p));
  } else if (p.name == "NOTE") {
    setSingle(card.notes, textOf(p));
  } else if (p.name == "TEL") {
    if (std::string v = numberOf(p); !v.empty()) addEntry(card.phones, newItem(k != INT32_MIN ? k : phoneKindOf(p.types), v));
  } else if (p.name == "EMAIL") {
    if (std::string v = textOf(p); !v.empty()) addEntry(card.emails, newItem(k != INT32_MIN ? k : emailKindOf(p.types), v));
  } else if (p.name == "ADR") {
    if (std::string v = textOf(p, " "); !v.empty())
      addEntry(card.addresses, newItem(k != INT32_MIN ? k : addressKindOf(p.types), v));
  } else if (p.name == "ORG") {
    if (std::string v = textOf(p, " "); !v.empty())
      addEntry(card.organizations, newItem(k != INT32_MIN ? k : kDefaultOrganizationKind, v));
  } else if (p.name == "URL") {
    if (std::string v = textOf(p); !v.empty()) addEntry(card.webPages, newItem(k != INT32_MIN ? k : kDefaultWebKind, v));
  } else if (p.name == "PHOTO") {
    if (p.encoding == "B" || p.encoding == "BASE64") {
      std::string photo = base64Decode(p.value, kMaxContactPhoto);
      if (photo.size() <= kMaxContactPhoto) out_.photo = std::move(photo);
    }
  } else {
    for (const ImProperty& im : kImProperties)
      if (p.name == im.name || (im.protocol == 3 && p.name == "X-SKYPE-USERNAME") ||
          (im.protocol == 5 && p.name == "X-GOOGLE-TALK")) {
        if (std::string v = textOf(p); !v.empty()) addEntry(card.ims, newItem(im.protocol, v));
        break;
      }
  }
}

// A file that starts with a UTF-16 byte order mark, as UTF-8 (an unpaired surrogate becomes
// U+FFFD); empty when there is no such mark.
std::string utf16ToUtf8(std::string_view file) {
  if (file.size() < 2) return {};
  const auto b0 = static_cast<unsigned char>(file[0]), b1 = static_cast<unsigned char>(file[1]);
  const bool little = b0 == 0xFF && b1 == 0xFE, big = b0 == 0xFE && b1 == 0xFF;
  if (!little && !big) return {};
  auto unit = [&](size_t i) {
    const auto lo = static_cast<unsigned char>(file[i + (little ? 0 : 1)]);
    const auto hi = static_cast<unsigned char>(file[i + (little ? 1 : 0)]);
    return static_cast<uint32_t>(hi << 8 | lo);
  };
  std::string out;
  out.reserve(file.size());
  for (size_t i = 2; i + 1 < file.size(); i += 2) {
    uint32_t cp = unit(i);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < file.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | cp >> 6);
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | cp >> 12);
      out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | cp >> 18);
      out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

// A 2.1 quoted-printable soft line break (RFC 2045 6.7): "=" ending the line, after which only
// transport padding (spaces, tabs) may stand. Returns the line without them, or npos.
size_t softBreakAt(std::string_view physical) {
  size_t end = physical.size();
  while (end > 0 && (physical[end - 1] == ' ' || physical[end - 1] == '\t')) --end;
  return end > 0 && physical[end - 1] == '=' ? end - 1 : std::string_view::npos;
}

}  // namespace

std::string vcardEscape(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    if (c == '\\' || c == ',' || c == ';') {
      out += '\\';
      out += c;
    } else if (c == '\r') {
      if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
      out += "\\n";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::string vcardFoldLine(std::string_view line) {
  std::string out;
  size_t width = 0;  // octets on the current physical line
  for (size_t i = 0; i < line.size();) {
    // The whole UTF-8 sequence stays on one line.
    size_t n = 1;
    const auto lead = static_cast<unsigned char>(line[i]);
    if (lead >= 0xF0) n = 4;
    else if (lead >= 0xE0) n = 3;
    else if (lead >= 0xC0) n = 2;
    n = std::min(n, line.size() - i);
    if (width + n > kFoldOctets) {
      out += "\r\n ";
      width = 1;
    }
    out.append(line.substr(i, n));
    width += n;
    i += n;
  }
  return out;
}

std::string writeVCards(const std::vector<VCardContact>& contacts) {
  std::string out;
  for (const VCardContact& contact : contacts) {
    const ContactCard& card = contact.card;
    addLine(out, "BEGIN:VCARD");
    addLine(out, "VERSION:3.0");
    const std::string name = card.displayName.present ? utf8Escaped(card.displayName) : "";
    addLine(out, "FN:" + name);
    // The phone keeps one display name: which part is the family name is not known, so the whole
    // name is the given part (readers show it unchanged) rather than a wrong family name.
    addLine(out, "N:;" + name + ";;;");
    if (card.nickname.present) addLine(out, "NICKNAME:" + utf8Escaped(card.nickname));
    for (const ContactItem& t : card.phones) {
      const char* types = typesOf(kPhoneTypes, t.kind);
      addTyped(out, "TEL", t, types, phoneKindOf(splitTypes(types)), uriValue(t));
    }
    for (const ContactItem& e : card.emails) {
      const char* types = typesOf(kEmailTypes, e.kind);
      addTyped(out, "EMAIL", e, types, emailKindOf(splitTypes(types)), utf8Escaped(e));
    }
    for (const ContactItem& a : card.addresses) {
      const char* types = typesOf(kAddressTypes, a.kind);
      // The phone keeps one formatted text: it goes in the street component.
      addTyped(out, "ADR", a, types, addressKindOf(splitTypes(types)), ";;" + utf8Escaped(a) + ";;;;");
    }
    for (const ContactItem& o : card.organizations)
      addTyped(out, "ORG", o, "", kDefaultOrganizationKind, utf8Escaped(o));
    for (const ContactItem& w : card.webPages) addTyped(out, "URL", w, "", kDefaultWebKind, uriValue(w));
    for (const ContactItem& im : card.ims) {
      const char* property = "X-IM";
      for (const ImProperty& p : kImProperties)
        if (p.protocol == im.kind) property = p.name;
      addTyped(out, property, im, "", im.kind, utf8Escaped(im));
    }
    if (card.notes.present) addLine(out, "NOTE:" + utf8Escaped(card.notes));
    // The phone's groups by title (each escaped, so a comma in a title stays in it); the star in
    // a property of this program's own, which other readers ignore.
    std::string categories;
    for (const ContactItem& g : card.groups) {
      const std::string title = utf8Escaped(g);
      if (title.empty()) continue;
      categories += (categories.empty() ? "" : ",") + title;
    }
    if (!categories.empty()) addLine(out, "CATEGORIES:" + categories);
    if (card.starred) addLine(out, std::string(kStarredProperty) + ":1");
    if (const char* type = contact.photo.empty() ? nullptr : photoType(contact.photo))
      addLine(out, std::string("PHOTO;ENCODING=b;TYPE=") + type + ":" + base64Encode(contact.photo));
    addLine(out, "END:VCARD");
  }
  return out;
}

VCardReadResult readVCards(std::string_view file) {
  VCardReadResult result;
  if (file.size() > kMaxVCardFile) file = file.substr(0, kMaxVCardFile);
  const std::string fromUtf16 = utf16ToUtf8(file);
  if (!fromUtf16.empty()) file = fromUtf16;
  if (file.size() >= 3 && file.compare(0, 3, "\xEF\xBB\xBF") == 0) file.remove_prefix(3);  // BOM

  CardReader card;
  bool inCard = false;
  auto finishLine = [&](std::string_view line) {
    if (startsWithNoCase(line, "BEGIN:VCARD")) {
      if (inCard) ++result.skipped;  // a card never ended
      inCard = true;
      card.start();
    } else if (startsWithNoCase(line, "END:VCARD")) {
      if (inCard) {
        VCardContact contact;
        if (card.finish(contact) && result.contacts.size() < kMaxVCardContacts) result.contacts.push_back(std::move(contact));
        else ++result.skipped;
      }
      inCard = false;
    } else if (inCard && !line.empty()) {
      card.add(line);
    }
  };

  // Logical lines, each physical line looked at once: a line break followed by a space or tab
  // continues the line (the space dropped); in a quoted-printable value a soft line break joins
  // the next line as it is, its leading spaces included. Whether the value is quoted-printable is
  // decided once, when the colon after the parameters has been seen.
  std::string current;
  bool haveLine = false, qp = false, softBreak = false;
  size_t headEnd = std::string::npos;
  auto append = [&](std::string_view piece) {
    const size_t from = current.size();
    current.append(piece);
    if (headEnd == std::string::npos) {
      const size_t colon = current.find(':', from);
      if (colon != std::string::npos) {
        headEnd = colon;
        qp = upper(std::string_view(current).substr(0, colon)).find("QUOTED-PRINTABLE") != std::string::npos;
      }
    }
    softBreak = false;
    if (qp && headEnd < current.size()) {
      if (const size_t at = softBreakAt(piece); at != std::string_view::npos && from + at > headEnd) {
        current.resize(from + at);
        softBreak = true;
      }
    }
  };
  size_t i = 0;
  while (i < file.size()) {
    size_t end = file.find('\n', i);
    if (end == std::string_view::npos) end = file.size();
    std::string_view physical = file.substr(i, end - i);
    if (!physical.empty() && physical.back() == '\r') physical.remove_suffix(1);
    i = end + 1;
    // A writer's stray "=" before the card's end does not swallow it.
    if (haveLine && softBreak && !startsWithNoCase(physical, "END:VCARD")) {
      append(physical);
      continue;
    }
    if (haveLine && !softBreak && !physical.empty() && (physical.front() == ' ' || physical.front() == '\t')) {
      append(physical.substr(1));
      continue;
    }
    if (haveLine) finishLine(current);
    current.clear();
    headEnd = std::string::npos;
    qp = softBreak = false;
    append(physical);
    haveLine = true;
  }
  if (haveLine) finishLine(current);
  if (inCard) ++result.skipped;  // cut off at the end (or at the size limit)
  return result;
}

}  // namespace zorvik
