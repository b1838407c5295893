#include "common/win/XmlDocument.h"

#include <shellapi.h>

namespace zorvik {

const wchar_t* const kXmlDocumentProgIds[kXmlDocumentProgIdCount] = {
    L"Msxml2.DOMDocument.6.0", L"Msxml2.DOMDocument.5.0", L"Msxml2.DOMDocument.4.0",
    L"Msxml2.DOMDocument.3.0", L"Msxml2.DOMDocument.2.6", L"Msxml2.DOMDocument",
};

namespace {
// MSXML 6.0, the version the program asks for first.
constexpr char kXmlParserDownloadPage[] = "https://www.microsoft.com/en-us/download/details.aspx?id=3988";
}  // namespace

void notifyNoXmlParser(HWND owner) {
  MessageBoxA(owner, "您的系统组件版本过低，请先下载安装微软XML解析组件", "Zorvik", MB_OK | MB_ICONWARNING);
  ShellExecuteA(owner, "open", kXmlParserDownloadPage, nullptr, nullptr, SW_SHOWMAXIMIZED);
}

ComPtr<IXMLDOMDocument> createXmlDocument(HWND owner, const wchar_t* const* progIds, std::size_t progIdCount,
                                          void (*notify)(HWND), std::wstring* usedProgId) {
  for (std::size_t i = 0; i < progIdCount; ++i) {
    const wchar_t* progId = progIds[i];
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(progId, &clsid))) continue;
    ComPtr<IXMLDOMDocument> doc;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument, doc.putVoid())) || !doc)
      continue;
    if (usedProgId) *usedProgId = progId;
    return doc;
  }
  if (notify) notify(owner);
  return {};
}

namespace {
bool finishLoad(IXMLDOMDocument* doc, HRESULT hr, VARIANT_BOOL ok, std::wstring* reason) {
  if (SUCCEEDED(hr) && ok == VARIANT_TRUE) return true;
  if (reason) {
    reason->clear();
    ComPtr<IXMLDOMParseError> error;
    Bstr text;
    if (SUCCEEDED(doc->get_parseError(error.put())) && error && SUCCEEDED(error->get_reason(text.put())) && text.get())
      *reason = std::wstring(text.view());
  }
  return false;
}

void prepare(IXMLDOMDocument* doc) {
  doc->put_async(VARIANT_FALSE);
  doc->put_validateOnParse(VARIANT_FALSE);
  doc->put_resolveExternals(VARIANT_FALSE);
}
}  // namespace

bool loadXmlFile(IXMLDOMDocument* doc, const std::wstring& path, std::wstring* reason) {
  if (!doc) return false;
  prepare(doc);
  Bstr file(path);
  VARIANT source;
  VariantInit(&source);
  source.vt = VT_BSTR;
  source.bstrVal = file.get();  // borrowed: `file` frees it
  VARIANT_BOOL ok = VARIANT_FALSE;
  HRESULT hr = doc->load(source, &ok);
  return finishLoad(doc, hr, ok, reason);
}

bool loadXmlText(IXMLDOMDocument* doc, const std::wstring& text, std::wstring* reason) {
  if (!doc) return false;
  prepare(doc);
  Bstr xml(text);
  VARIANT_BOOL ok = VARIANT_FALSE;
  HRESULT hr = doc->loadXML(xml.get(), &ok);
  return finishLoad(doc, hr, ok, reason);
}

std::vector<ComPtr<IXMLDOMNode>> selectNodes(IXMLDOMNode* node, const std::wstring& path) {
  std::vector<ComPtr<IXMLDOMNode>> out;
  if (!node) return out;
  Bstr query(path);
  ComPtr<IXMLDOMNodeList> list;
  if (FAILED(node->selectNodes(query.get(), list.put())) || !list) return out;
  long count = 0;
  if (FAILED(list->get_length(&count))) return out;
  for (long i = 0; i < count; ++i) {
    ComPtr<IXMLDOMNode> item;
    if (SUCCEEDED(list->get_item(i, item.put())) && item) out.push_back(std::move(item));
  }
  return out;
}

std::vector<ComPtr<IXMLDOMNode>> childElements(IXMLDOMNode* node) {
  std::vector<ComPtr<IXMLDOMNode>> out;
  if (!node) return out;
  ComPtr<IXMLDOMNodeList> list;
  if (FAILED(node->get_childNodes(list.put())) || !list) return out;
  long count = 0;
  if (FAILED(list->get_length(&count))) return out;
  for (long i = 0; i < count; ++i) {
    ComPtr<IXMLDOMNode> item;
    DOMNodeType type;
    if (SUCCEEDED(list->get_item(i, item.put())) && item && SUCCEEDED(item->get_nodeType(&type)) &&
        type == NODE_ELEMENT)
      out.push_back(std::move(item));
  }
  return out;
}

std::wstring xmlAttribute(IXMLDOMNode* node, const std::wstring& name) {
  ComPtr<IXMLDOMElement> element;
  if (!node || FAILED(node->QueryInterface(IID_IXMLDOMElement, element.putVoid())) || !element) return {};
  Bstr attr(name);
  VARIANT value;
  VariantInit(&value);
  std::wstring out;
  if (element->getAttribute(attr.get(), &value) == S_OK && value.vt == VT_BSTR && value.bstrVal)
    out.assign(value.bstrVal, SysStringLen(value.bstrVal));
  VariantClear(&value);
  return out;
}

std::wstring xmlChildText(IXMLDOMNode* node, const std::wstring& name) {
  if (!node) return {};
  Bstr query(name);
  ComPtr<IXMLDOMNode> child;
  if (node->selectSingleNode(query.get(), child.put()) != S_OK || !child) return {};
  Bstr text;
  if (FAILED(child->get_text(text.put())) || !text.get()) return {};
  return std::wstring(text.view());
}

std::wstring xmlNodeName(IXMLDOMNode* node) {
  Bstr name;
  if (!node || FAILED(node->get_nodeName(name.put())) || !name.get()) return {};
  return std::wstring(name.view());
}

}  // namespace zorvik
