#pragma once
// The applications page's dealings with the maker's web service and store site: the package
// lookup (feedback/apk_list.php), the store addresses, and download requests from store pages.
// Portable: the digest comes in as a function (CryptoAPI's md5hex in the program).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorvik {

// 32 lower-case hexadecimal digits, or a failing step's message.
using Md5Function = std::function<std::string(std::string_view)>;

// The k characters of `text` from zero-based position i; fewer (or none) when the text ends first.
std::string midText(std::string_view text, size_t i, size_t k);

// Mid(md5hex(n), 3, 3) followed by Mid(md5hex(last package), 3, 3).
std::string apkListCheckSum(size_t rowCount, std::string_view lastPackage, const Md5Function& md5);

struct ApkListQuery {
  std::string checkSum;
  int32_t clientCode = 0;
  int32_t apiLevel = 0;
  std::string modelName;                  // ANSI; sent as UTF-8
  std::vector<std::string> packageNames;  // ANSI; sent as UTF-8, in row order
};

// The JSON object {CheckSum, Client, Api, Model, PackageName} in JsonCpp's styled form.
std::string apkListRequestJson(const ApkListQuery& query);
// The form field "apps" goes to this address.
std::string apkListAddress(std::string_view serviceBase);

// What the service says about one package (texts converted to ANSI).
struct StoreFacts {
  int32_t rating = 3;
  int32_t storeId = -1;
  std::string category;
  std::string description;
};

// Matches the reply (a JSON array of {pkg, level, id, category, description}, all strings) to the
// rows: one entry per package name, empty where no element names it; a later element wins.
// Nothing at all (an empty vector) when the reply does not parse as JSON.
std::vector<std::optional<StoreFacts>> matchApkListReply(std::string_view reply,
                                                         const std::vector<std::string>& packageNames);

// `atoi`: optional blanks and sign, then leading digits; 0 when there are none. Saturates instead
// of overflowing.
int32_t leadingDecimal(std::string_view text);

// Store addresses; `base` ends in "/".
std::string storeItemAddress(std::string_view base, int32_t itemNumber);
// The keyword without "/", "\", ">", "<", "&", "-", "'" and "`" (GBK characters stay whole).
std::string cleanSearchKeyword(std::string_view keyword);
// Mid(md5hex(Mid(md5hex(cleaned keyword), 6, 4)), 8, 8).
std::string searchKey(std::string_view cleanedKeyword, const Md5Function& md5);
// base + "search.php?keywords=<keyword>&key=<key>". The keyword's bytes that cannot stand in a
// query as they are (blanks, '#', '%', '+', '?', '=', control and non-ASCII bytes) are written
// as %XX, so "#" cannot cut the key off the address.
std::string storeSearchAddress(std::string_view base, std::string_view cleanedKeyword, std::string_view key);
// The search box refuses shorter keywords (counted in bytes, before cleaning).
constexpr size_t kMinSearchKeyword = 2;

// A store page link to a package becomes a download request.
constexpr size_t kMaxDownloadAddress = 254;
struct DownloadRequest {
  std::string address;  // as the store page linked it
  std::string request;  // the package's name, the downloads queue's key: what precedes the last ".apk"
};
enum class DownloadRequestOutcome {
  Ok,
  NotPackage,  // no ".apk" in the address: the browser goes on navigating
  TooLong,     // longer than kMaxDownloadAddress: refused, the navigation is cancelled
  NoName,      // no package name before the last ".apk": refused, the navigation is cancelled
};
DownloadRequestOutcome makeDownloadRequest(std::string_view address, DownloadRequest& out);

}  // namespace zorvik
