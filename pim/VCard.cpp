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

std::string upper(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return u;
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
struct Property {
  std::string name;                       // upper case, group dropped
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
  if (const size_t dot = name.rfind('.'); dot != std::string_view::npos) name.remove_prefix(dot + 1);
  p.name = upper(name);
  while (semi != std::string_view::npos) {
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
      for (std::string& t : splitTypes(value)) p.types.push_back(std::move(t));
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

// Splits a structured value on unescaped ';' (components keep their escapes).
std::vector<std::string> splitComponents(std::string_view value) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      parts.back() += value[i];
      parts.back() += value[++i];
    } else if (value[i] == ';') {
      parts.emplace_back();
    } else {
      parts.back() += value[i];
    }
  }
  return parts;
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

bool isGbkCharset(const std::string& charset) {
  return charset == "GBK" || charset == "GB2312" || charset == "GB18030" || charset == "CP936";
}

// The value as ANSI text: decoded, unescaped, joined (structured values: non-empty components
// joined by `joiner`).
std::string textOf(const Property& p, const char* joiner = nullptr) {
  std::string raw = p.encoding == "QUOTED-PRINTABLE" ? quotedPrintableDecode(p.value) : p.value;
  std::string text;
  if (joiner) {
    for (const std::string& part : splitComponents(raw)) {
      std::string piece = unescape(part);
      if (piece.empty()) continue;
      if (!text.empty()) text += joiner;
      text += piece;
    }
  } else {
    text = unescape(raw);
  }
  return isGbkCharset(p.charset) ? text : toAnsi(text);
}

ContactItem newItem(int32_t kind, std::string value) { return ContactItem{-1, kind, std::move(value), kOpNew}; }

void setSingle(ContactSingle& single, std::string value) {
  if (value.empty()) return;
  single.present = true;
  single.rowId = -1;
  single.value = std::move(value);
  single.operation = kOpNew;
}

bool hasNonAscii(std::string_view s) {
  return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// One BEGIN…END block; false when it holds nothing worth adding.
bool readCard(const std::vector<std::string>& lines, VCardContact& out) {
  ContactCard& card = out.card;
  card = ContactCard{};
  std::string structuredName;
  for (const std::string& line : lines) {
    Property p;
    if (!parseProperty(line, p)) continue;
    const int32_t k = p.explicitKind;
    if (p.name == "FN") {
      setSingle(card.displayName, textOf(p));
    } else if (p.name == "N") {
      const std::string raw = p.encoding == "QUOTED-PRINTABLE" ? quotedPrintableDecode(p.value) : p.value;
      const std::vector<std::string> parts = splitComponents(raw);
      // family, given: Chinese names run together, others "given family".
      const std::string family = unescape(parts[0]), given = parts.size() > 1 ? unescape(parts[1]) : "";
      const std::string joined =
          family.empty() || given.empty() || hasNonAscii(family + given) ? family + given : given + " " + family;
      structuredName = isGbkCharset(p.charset) ? joined : toAnsi(joined);
    } else if (p.name == "NICKNAME") {
      setSingle(card.nickname, textOf(p));
    } else if (p.name == "NOTE") {
      setSingle(card.notes, textOf(p));
    } else if (p.name == "TEL") {
      if (std::string v = textOf(p); !v.empty()) card.phones.push_back(newItem(k != INT32_MIN ? k : phoneKindOf(p.types), v));
    } else if (p.name == "EMAIL") {
      if (std::string v = textOf(p); !v.empty()) card.emails.push_back(newItem(k != INT32_MIN ? k : emailKindOf(p.types), v));
    } else if (p.name == "ADR") {
      if (std::string v = textOf(p, " "); !v.empty())
        card.addresses.push_back(newItem(k != INT32_MIN ? k : addressKindOf(p.types), v));
    } else if (p.name == "ORG") {
      if (std::string v = textOf(p, " "); !v.empty())
        card.organizations.push_back(newItem(k != INT32_MIN ? k : kDefaultOrganizationKind, v));
    } else if (p.name == "URL") {
      if (std::string v = textOf(p); !v.empty()) card.webPages.push_back(newItem(k != INT32_MIN ? k : kDefaultWebKind, v));
    } else if (p.name == "PHOTO") {
      if (p.encoding == "B" || p.encoding == "BASE64") {
        std::string photo = base64Decode(p.value, kMaxContactPhoto);
        if (photo.size() <= kMaxContactPhoto) out.photo = std::move(photo);
      }
    } else {
      for (const ImProperty& im : kImProperties)
        if (p.name == im.name || (im.protocol == 3 && p.name == "X-SKYPE-USERNAME") ||
            (im.protocol == 5 && p.name == "X-GOOGLE-TALK")) {
          if (std::string v = textOf(p); !v.empty()) card.ims.push_back(newItem(im.protocol, v));
          break;
        }
    }
  }
  if (!card.displayName.present) setSingle(card.displayName, structuredName);
  return card.displayName.present || !card.phones.empty() || !card.emails.empty();
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
    if (const char* type = contact.photo.empty() ? nullptr : photoType(contact.photo))
      addLine(out, std::string("PHOTO;ENCODING=b;TYPE=") + type + ":" + base64Encode(contact.photo));
    addLine(out, "END:VCARD");
  }
  return out;
}

VCardReadResult readVCards(std::string_view file) {
  VCardReadResult result;
  const bool cutAtLimit = file.size() > kMaxVCardFile;
  if (cutAtLimit) file = file.substr(0, kMaxVCardFile);
  if (file.size() >= 3 && file.compare(0, 3, "\xEF\xBB\xBF") == 0) file.remove_prefix(3);  // BOM

  // Logical lines: a line break followed by a space or tab continues the line; a 2.1
  // quoted-printable line ending in '=' continues on the next.
  std::vector<std::string> lines;
  std::string current;
  bool inCard = false;
  std::vector<std::string> cardLines;
  auto finishLine = [&](std::string line) {
    const std::string head = upper(std::string_view(line).substr(0, std::min<size_t>(line.size(), 12)));
    if (head.rfind("BEGIN:VCARD", 0) == 0) {
      if (inCard) ++result.skipped;  // a card never ended
      inCard = true;
      cardLines.clear();
    } else if (head.rfind("END:VCARD", 0) == 0) {
      if (inCard) {
        VCardContact contact;
        if (readCard(cardLines, contact)) result.contacts.push_back(std::move(contact));
        else ++result.skipped;
      }
      inCard = false;
      cardLines.clear();
    } else if (inCard) {
      cardLines.push_back(std::move(line));
    }
  };
  size_t i = 0;
  bool haveLine = false;
  while (i < file.size()) {
    size_t end = file.find('\n', i);
    if (end == std::string_view::npos) end = file.size();
    std::string_view physical = file.substr(i, end - i);
    if (!physical.empty() && physical.back() == '\r') physical.remove_suffix(1);
    i = end + 1;
    if (haveLine && !physical.empty() && (physical.front() == ' ' || physical.front() == '\t')) {
      current.append(physical.substr(1));
      continue;
    }
    if (haveLine && !current.empty() && current.back() == '=' &&
        upper(current).find("QUOTED-PRINTABLE") != std::string::npos) {
      current.pop_back();
      current.append(physical);
      continue;
    }
    if (haveLine) finishLine(std::move(current));
    current.assign(physical);
    haveLine = true;
  }
  if (haveLine) finishLine(std::move(current));
  if (inCard) ++result.skipped;  // cut off at the end (or at the size limit)
  return result;
}

}  // namespace zorvik
