#include "info/win/UpdateDocument.h"

#include <cwchar>

#include "common/win/WideText.h"
#include "common/win/XmlDocument.h"

namespace zorvik {

namespace {
const char* const kVersionRowCaptions[3] = {"手机参数", "祝福短信", "论坛映射"};

struct DetailKind {
  const wchar_t* element;
  const char* caption;
  int icon;
};
const DetailKind kDetailKinds[3] = {
    {L"add", "新增功能", kUpdateIconAdd},
    {L"update", "常规改进", kUpdateIconImprove},
    {L"fix", "漏洞修复", kUpdateIconFix},
};

std::string textOf(IXMLDOMNode* node) {
  Bstr text;
  if (!node || FAILED(node->get_text(text.put())) || !text.get()) return {};
  return fromWide(text.view());
}
}  // namespace

UpdateInfo readUpdateDocument(IXMLDOMDocument* doc) {
  UpdateInfo info;
  std::vector<UpdateRow> arrived;
  for (const ComPtr<IXMLDOMNode>& item : selectNodes(doc, L"root/item")) {
    const std::wstring type = xmlAttribute(item.get(), L"type");
    std::vector<ComPtr<IXMLDOMNode>> children = childElements(item.get());
    if (_wcsicmp(type.c_str(), L"version") == 0) {
      if (children.empty()) continue;
      info.latestVersion = textOf(children[0].get());
      for (size_t i = 1; i < children.size() && i <= 3; ++i)
        arrived.push_back({kUpdateIconVersion, kVersionRowCaptions[i - 1], textOf(children[i].get())});
    } else if (_wcsicmp(type.c_str(), L"detail") == 0) {
      for (const ComPtr<IXMLDOMNode>& change : children) {
        const std::wstring name = xmlNodeName(change.get());
        for (const DetailKind& kind : kDetailKinds)
          if (name == kind.element) arrived.push_back({kind.icon, kind.caption, textOf(change.get())});
      }
    }
  }
  info.rows.assign(arrived.rbegin(), arrived.rend());
  return info;
}

}  // namespace zorvik
