#include "pim/ContactCardHtml.h"

#include "common/HtmlEscape.h"

#include <cstdio>
#include <iterator>

namespace zorvik {
namespace {

template <size_t N>
const char* pick(const char* const (&table)[N], int32_t kind, const char* other) {
  return kind >= 0 && static_cast<size_t>(kind) < N ? table[kind] : other;
}

constexpr const char* kPhoneLabels[] = {"自定电话：", "个人电话：", "手机：",     "公司电话：",
                                        "公司传真：", "个人传真：", "寻呼机：", "其他电话："};
constexpr const char* kEmailLabels[] = {"自定邮箱：", "个人邮箱：", "工作邮箱：", "其他邮箱：", "手机邮箱:"};
constexpr const char* kAddressLabels[] = {"自定地址：", "个人地址：", "工作地址：", "其他地址："};
constexpr const char* kOrganizationLabels[] = {"自定组织：", "工作组织：", "其他组织："};
// Protocols 0..8; -1 is a custom protocol.
constexpr const char* kImLabels[] = {"AIM：",  "MSN：",  "雅虎通：", "Skype:",     "QQ：",
                                     "GTalk：", "ICQ：", "Jabber：", "NetMeeting："};

constexpr const char* kPlainMiddle = "</p><p class='entry'>&nbsp;</p><p class='l'>";

void appendRow(std::string& html, const char* label, const char* middle, const std::string& value) {
  html += "<div><p class='l w80 right c6'>";
  html += label;
  html += middle;
  html += htmlEscape(value);
  html += "</p><p class='clear'></p></div>";
}

template <typename LabelOf>
void appendRows(std::string& html, const std::vector<ContactItem>& items, LabelOf labelOf, const char* middle) {
  for (const ContactItem& item : items) appendRow(html, labelOf(item.kind), middle, item.value);
}

}  // namespace

const char* phoneLabel(int32_t kind) { return pick(kPhoneLabels, kind, "未知电话："); }
const char* emailLabel(int32_t kind) { return pick(kEmailLabels, kind, "未知邮箱："); }
const char* addressLabel(int32_t kind) { return pick(kAddressLabels, kind, "未知地址："); }
const char* organizationLabel(int32_t kind) { return pick(kOrganizationLabels, kind, "未知组织："); }
const char* imLabel(int32_t protocol) {
  if (protocol == -1) return "自定义IM：";
  return pick(kImLabels, protocol, "其他IM：");
}

std::string buildContactCardHtml(const ContactCard& card) {
  std::string html;
  html.reserve(2048);
  html += "<div class='line'><div class='l'><div class='photo'><img src='avatar_photo.png' width='50' "
          "height='50'/></div></div><div class='name'><b>";
  if (card.displayName.present) html += htmlEscape(card.displayName.value);
  html += "</b></div><div class='nickname'>";
  if (card.nickname.present) html += htmlEscape(card.nickname.value);
  html += "</div><div class='clear'></div></div><div class='p10 summary'><div id='generals'><p "
          "class='category'><b>基本信息</b></p>\t<div><p class='l w80 right c6'>收藏：</p><p "
          "class='entry'>&nbsp;</p><p class='l'>";
  html += card.starred ? "【是】" : "否";
  html += "</p><p class='clear'></p></div>\t<div><p class='l w80 right c6'>联系次数：</p><p "
          "class='entry'>&nbsp;</p><p class='l'>";
  char times[32];
  std::snprintf(times, sizeof times, "%d 次", card.timesContacted);
  html += times;
  html += "</p><p class='clear'></p></div> <div><p class='l w80 right c6'>上次联系：</p><p "
          "class='entry'>&nbsp;</p><p class='l'>";
  html += htmlEscape(card.lastContactText);
  html += "</p><p class='clear'></p></div> </div>";

  if (!card.phones.empty() || !card.emails.empty() || !card.ims.empty()) {
    html += "<div id='pims'><p class='category'><b>联系方式</b></p>";
    appendRows(html, card.phones, phoneLabel, "</p><p class='entry'><img src='pim_call.gif'/>&nbsp;</p><p class='l'>");
    appendRows(html, card.emails, emailLabel, kPlainMiddle);
    appendRows(html, card.ims, imLabel, "</p><p class='entry'><img src='pim_web.gif'/>&nbsp;</p><p class='l'>");
    html += "</div>";
  }
  if (!card.addresses.empty() || !card.webPages.empty() || !card.organizations.empty()) {
    html += "<div id='others'><p class='category'><b>其他信息</b></p>";
    appendRows(html, card.addresses, addressLabel, kPlainMiddle);
    appendRows(html, card.webPages, [](int32_t) { return "个人网页："; }, kPlainMiddle);
    appendRows(html, card.organizations, organizationLabel, kPlainMiddle);
    html += "</div>";
  }
  if (!card.groups.empty()) {
    html += "<div id='groups'><p class='category'><b>分组信息</b></p>";
    appendRows(html, card.groups, [](int32_t) { return "所属分组："; },
               "</p><p class='entry'><img src='pim_group.gif'/>&nbsp;</p><p class='l'>");
    html += "</div>";
  }
  if (card.notes.present) {
    html += "<div id='notes'><p class='category'><b>备注</b></p><p class='l w280  section  c6'>";
    html += htmlEscape(card.notes.value);
    html += "</p></div>";
  }
  return html;
}

}  // namespace zorvik
