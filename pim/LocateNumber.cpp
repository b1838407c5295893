#include "pim/LocateNumber.h"

#include <cstdint>
#include <cstring>

#include "pim/LocationTables.h"

namespace zorvik {
namespace {

struct ServiceNumber {
  int value;
  const char* name;
};

constexpr ServiceNumber kThreeDigitServices[] = {
    {110, "报警"},     {119, "火警"},     {120, "医疗急救"},   {122, "交通报警"},    {112, "电话故障"},
    {117, "报时服务"}, {121, "天气预报"}, {114, "号码百事通"}, {160, "信息咨询服务"},
};

constexpr ServiceNumber kFiveDigitServices[] = {
    {95598, "供电服务"},     {12395, "水上求救"},     {95119, "森林火警"},     {12580, "中移动百事通"},
    {10000, "中国电信"},     {10010, "中国联通"},     {10050, "中国铁通"},     {10060, "中国网通"},
    {10070, "中国卫通"},     {10086, "中国移动"},     {11185, "中国邮政"},     {95530, "东方航空"},
    {95539, "南航销售"},     {95080, "深圳航空"},     {95557, "厦门航空"},     {12330, "知识产权举报"},
    {12315, "消费者投诉"},   {12319, "城建服务"},     {96310, "城管执法"},     {12348, "法律咨询"},
    {12358, "价格举报"},     {12365, "质量监督"},     {12366, "纳税服务"},     {12369, "环保投诉"},
    {96100, "民政服务"},     {96118, "旅游投诉"},     {96178, "廉政投诉"},     {12388, "纪检监察举报"},
    {95500, "太平洋保险"},   {95501, "深圳发展银行"}, {95502, "永安财产保险"}, {95505, "天安保险"},
    {95508, "广发银行"},     {95511, "平安人寿"},     {95512, "平安产险"},     {95515, "合众人寿"},
    {95516, "中国银联"},     {95518, "人民保险"},     {95519, "人寿保险"},     {95522, "泰康人寿"},
    {95567, "新华人寿"},     {95569, "安邦财产保险"}, {95585, "中华联合财保"}, {95590, "大地财产保险"},
    {95596, "民生人寿保险"}, {95588, "工商银行"},     {95566, "中国银行"},     {95533, "建设银行"},
    {95559, "交通银行"},     {95580, "邮政储蓄"},     {95599, "农业银行"},     {95555, "招商银行"},
    {95558, "中信银行"},     {95577, "华夏银行"},     {95561, "兴业银行"},     {95595, "光大银行"},
    {95568, "民生银行"},     {95528, "浦发银行"},     {96198, "农业信用联社"},
};

struct HotLine {
  const char* number;
  const char* name;
};

constexpr HotLine kHotLines[] = {
    {"4008517517", "麦乐送"},       {"4008823823", "肯德基宅急送"}, {"4008123123", "必胜客宅急送"},
    {"4007787878", "巴贝拉家家送"}, {"4008887272", "棒约翰外送"},   {"4008205555", "招行信用卡"},
};

constexpr const char* kPrivate = "私有号码";
constexpr const char* kUnknown = "未知";
constexpr const char* kSpNumber = "<SP号码>";

template <std::size_t N>
const char* serviceName(const ServiceNumber (&table)[N], int value) {
  for (const ServiceNumber& s : table)
    if (s.value == value) return s.name;
  return kUnknown;
}

// The number once its country prefix and dashes are gone. Only its first characters matter to
// any rule, so it lives in a fixed buffer; the length counts every character.
struct Digits {
  static constexpr std::size_t kKept = 32;
  char text[kKept];
  std::size_t length = 0;

  std::size_t kept() const { return length < kKept ? length : kKept; }
  char at(std::size_t i) const { return i < kept() ? text[i] : '\0'; }  // i from 0
  bool startsWith(const char* prefix) const {
    const std::size_t n = std::strlen(prefix);
    return n <= kept() && std::memcmp(text, prefix, n) == 0;
  }
  bool equals(const char* other) const {
    return length == std::strlen(other) && std::memcmp(text, other, length) == 0;
  }
  // The value of the leading decimal digits of count characters from position from (0-based).
  std::uint32_t number(std::size_t from, std::size_t count) const {
    std::uint32_t value = 0;
    for (std::size_t i = from; i < from + count && i < kept(); ++i) {
      if (text[i] < '0' || text[i] > '9') break;
      value = value * 10 + static_cast<std::uint32_t>(text[i] - '0');
    }
    return value;
  }
};

const char* mobile(const PhoneTable& table, std::uint32_t prefix) {
  return AreaCity(RegionAreaCode(table.lookupPrefix(prefix)));
}

// An 11-character fixed-line number starting at from: a second character below 3 means a
// two-digit area code (010, 020-029), any other a three-digit one.
const char* fixedLine(const Digits& d, std::size_t from) {
  const char second = d.at(from + 1);
  const bool twoDigits = second >= '0' && second < '3';
  return AreaCity(static_cast<int>(d.number(from + 1, twoDigits ? 2 : 3)));
}

}  // namespace

const char* LocateNumber(const PhoneTable& table, std::string_view number) {
  if (!number.empty() && number.front() == '-') return kPrivate;
  if (!number.empty() && number.front() == '+') number.remove_prefix(number.size() < 3 ? number.size() : 3);

  Digits d;
  for (char c : number) {
    if (c == '-') continue;
    if (d.length < Digits::kKept) d.text[d.length] = c;
    ++d.length;
  }

  switch (d.length) {
    case 3:
      return serviceName(kThreeDigitServices, static_cast<int>(d.number(0, 3)));
    case 5:
      return serviceName(kFiveDigitServices, static_cast<int>(d.number(0, 5)));
    case 6:
      return d.equals("100861") ? "中国移动自助服务" : kUnknown;
    case 8:
      if (d.startsWith("0")) return AreaCity(static_cast<int>(d.number(1, 2)));
      if (d.startsWith("10")) return kSpNumber;
      if (d.equals("95105105")) return "火车票电话预订";
      return "座机";
    case 9:
      if (d.startsWith("0")) return AreaCity(static_cast<int>(d.number(1, 3)));
      if (d.startsWith("10")) return kSpNumber;
      return kUnknown;
    case 10:
      for (const HotLine& h : kHotLines)
        if (d.equals(h.number)) return h.name;
      return kUnknown;
    case 11:
      if (d.startsWith("1")) return mobile(table, d.number(0, 7));
      return fixedLine(d, 0);
    case 12:
      if (d.startsWith("0")) return AreaCity(static_cast<int>(d.number(1, 3)));
      if (d.startsWith("106")) return kSpNumber;
      return kUnknown;
    case 16:
      if (d.startsWith("106")) return kSpNumber;
      if (d.startsWith("1")) {
        // A five-digit dialling prefix (such as 17951) before an ordinary number.
        if (d.at(5) == '0') return fixedLine(d, 5);
        return mobile(table, d.number(5, 7));
      }
      return kUnknown;
    case 17:
      if (d.startsWith("1") && d.at(5) == '0') return AreaCity(static_cast<int>(d.number(6, 3)));
      if (d.startsWith("106")) return kSpNumber;
      return kUnknown;
    default:
      return d.startsWith("106") ? kSpNumber : kUnknown;
  }
}

}  // namespace zorvik
