#include "manage/apps/AppStore.h"

#include <json/json.h>

#include <climits>
#include <cstdio>
#include <memory>

#include "common/TextConv.h"
#include "download/DownloadTask.h"

namespace zorvik {

std::string midText(std::string_view text, size_t i, size_t k) {
  if (i >= text.size()) return {};
  return std::string(text.substr(i, k));
}

std::string apkListCheckSum(size_t rowCount, std::string_view lastPackage, const Md5Function& md5) {
  return midText(md5(std::to_string(rowCount)), 3, 3) + midText(md5(lastPackage), 3, 3);
}

std::string apkListRequestJson(const ApkListQuery& query) {
  Json::Value root(Json::objectValue);
  root["CheckSum"] = query.checkSum;
  root["Client"] = query.clientCode;
  root["Api"] = query.apiLevel;
  root["Model"] = toUtf8(query.modelName);
  Json::Value names(Json::arrayValue);
  for (const std::string& name : query.packageNames) names.append(toUtf8(name));
  root["PackageName"] = names;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  Json::StyledWriter writer;
  return writer.write(root);
#pragma GCC diagnostic pop
}

std::string apkListAddress(std::string_view serviceBase) {
  return std::string(serviceBase) + "feedback/" + "apk_list" + ".php";
}

int32_t leadingDecimal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > INT32_MAX) value = static_cast<int64_t>(INT32_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

namespace {
// A member's text when it is a JSON string; nullopt for anything else (JsonCpp would throw).
std::optional<std::string> stringMember(const Json::Value& object, const char* name) {
  const Json::Value* v = object.find(name, name + std::char_traits<char>::length(name));
  if (!v || !v->isString()) return std::nullopt;
  return v->asString();
}
}  // namespace

std::vector<std::optional<StoreFacts>> matchApkListReply(std::string_view reply,
                                                         const std::vector<std::string>& packageNames) {
  Json::CharReaderBuilder builder;  // comments allowed, extra text after the value ignored
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  if (!reader->parse(reply.data(), reply.data() + reply.size(), &root, &errors)) return {};
  std::vector<std::optional<StoreFacts>> facts(packageNames.size());
  if (!root.isArray()) return facts;
  for (size_t row = 0; row < packageNames.size(); ++row) {
    const std::string name = toUtf8(packageNames[row]);
    for (const Json::Value& element : root) {
      if (!element.isObject()) continue;
      const std::optional<std::string> pkg = stringMember(element, "pkg");
      if (!pkg || *pkg != name) continue;
      StoreFacts f = facts[row].value_or(StoreFacts{});
      // A member that is missing or not a string leaves what the row had.
      if (auto level = stringMember(element, "level")) f.rating = leadingDecimal(*level);
      if (auto id = stringMember(element, "id")) f.storeId = leadingDecimal(*id);
      if (auto category = stringMember(element, "category")) f.category = toAnsi(*category);
      if (auto description = stringMember(element, "description")) f.description = toAnsi(*description);
      facts[row] = std::move(f);
    }
  }
  return facts;
}

std::string storeItemAddress(std::string_view base, int32_t itemNumber) {
  char tail[64];
  std::snprintf(tail, sizeof tail, "%s/%d.html", "archives", static_cast<int>(itemNumber));
  return std::string(base) + tail;
}

std::string cleanSearchKeyword(std::string_view keyword) {
  std::string out;
  for (size_t i = 0; i < keyword.size(); ++i) {
    const char c = keyword[i];
    // A GBK character's second byte may be "\\" or "`" (as in "誠"): the pair stays whole.
    if (static_cast<unsigned char>(c) >= 0x81 && i + 1 < keyword.size()) {
      out += c;
      out += keyword[++i];
    } else if (std::string_view("/\\><&-'`").find(c) == std::string_view::npos) {
      out += c;
    }
  }
  return out;
}

std::string searchKey(std::string_view cleanedKeyword, const Md5Function& md5) {
  return midText(md5(midText(md5(cleanedKeyword), 6, 4)), 8, 8);
}

std::string storeSearchAddress(std::string_view base, std::string_view cleanedKeyword, std::string_view key) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string keyword;
  for (char ch : cleanedKeyword) {
    const auto c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c >= 0x7F || std::string_view("#%+?=\"").find(ch) != std::string_view::npos) {
      keyword += '%';
      keyword += kHex[c >> 4];
      keyword += kHex[c & 15];
    } else {
      keyword += ch;
    }
  }
  return std::string(base) + "search.php?keywords=" + keyword + "&key=" + std::string(key);
}

DownloadRequestOutcome makeDownloadRequest(std::string_view address, DownloadRequest& out) {
  if (address.find(".apk") == std::string_view::npos) return DownloadRequestOutcome::NotPackage;
  if (address.size() > kMaxDownloadAddress) return DownloadRequestOutcome::TooLong;
  // The name is what the downloads page finds a task by and asks the information service about:
  // "http://d/x/com.a.b.apk?sig=…" and "http://d/get.php?f=com.a.b.apk" both name com.a.b.
  const size_t end = address.rfind(".apk");
  size_t begin = end;
  while (begin > 0) {
    const char c = address[begin - 1];
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.')) break;
    --begin;
  }
  const std::string name(address.substr(begin, end - begin));
  if (!isPackageName(name)) return DownloadRequestOutcome::NoName;
  out.address = std::string(address);
  out.request = name;
  return DownloadRequestOutcome::Ok;
}

}  // namespace zorvik
