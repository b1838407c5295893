// The Windows build's XML reader: an MSXML DOM document, created from the newest class the
// system has, loaded with the text and copied into the element tree.
#include <windows.h>
#include <msxml2.h>
#include <oleauto.h>

#include <utility>

#include "installer/XmlTree.h"

namespace zorvik {

const char kNoXmlReaderMessage[] = "您的系统组件版本过低，请先下载安装微软XML解析组件";

namespace {

// The document classes in the order they are tried: 6.0, then 5.0, then the version-independent one.
const CLSID kDocumentClasses[] = {
    {0x88D96A05, 0xF192, 0x11D4, {0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5}},
    {0x88D969E5, 0xF192, 0x11D4, {0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5}},
    {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}},
};
const IID kDocumentInterface = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

// Owns one COM reference.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  void reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }
  T** out() {
    reset();
    return &p_;
  }
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const std::wstring& text) : b_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { SysFreeString(b_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR* out() {
    SysFreeString(b_);
    b_ = nullptr;
    return &b_;
  }
  BSTR get() const { return b_; }

 private:
  BSTR b_ = nullptr;
};

// COM for the calling thread, released only if this call started it.
class ComScope {
 public:
  ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT hr_;
};

std::wstring wide(const std::string& ansi) {
  if (ansi.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), out.data(), n);
  return out;
}

std::string ansi(BSTR text) {
  const int length = text ? static_cast<int>(SysStringLen(text)) : 0;
  if (length == 0) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_ACP, 0, text, length, out.data(), n, nullptr, nullptr);
  return out;
}

bool createDocument(ComPtr<IXMLDOMDocument>& doc) {
  for (const CLSID& cls : kDocumentClasses) {
    ComPtr<IUnknown> unknown;
    if (FAILED(CoCreateInstance(cls, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                reinterpret_cast<void**>(unknown.out()))))
      continue;
    if (SUCCEEDED(unknown->QueryInterface(kDocumentInterface, reinterpret_cast<void**>(doc.out())))) return true;
  }
  return false;
}

void copyElement(IXMLDOMNode* node, size_t parent, XmlTree& out) {
  const size_t index = out.elements.size();
  out.elements.emplace_back();
  out.elements[index].parent = parent;
  if (parent != XmlElement::kNoParent) out.elements[parent].children.push_back(index);
  Bstr name;
  if (SUCCEEDED(node->get_baseName(name.out()))) out.elements[index].name = ansi(name.get());

  ComPtr<IXMLDOMNamedNodeMap> attributes;
  long count = 0;
  if (SUCCEEDED(node->get_attributes(attributes.out())) && attributes && SUCCEEDED(attributes->get_length(&count))) {
    for (long i = 0; i < count; ++i) {
      ComPtr<IXMLDOMNode> attribute;
      if (FAILED(attributes->get_item(i, attribute.out())) || !attribute) continue;
      Bstr attributeName, value;
      attribute->get_baseName(attributeName.out());
      attribute->get_text(value.out());
      out.elements[index].attributes.emplace_back(ansi(attributeName.get()), ansi(value.get()));
    }
  }

  ComPtr<IXMLDOMNodeList> children;
  long childCount = 0;
  if (FAILED(node->get_childNodes(children.out())) || !children || FAILED(children->get_length(&childCount))) return;
  for (long i = 0; i < childCount; ++i) {
    ComPtr<IXMLDOMNode> child;
    DOMNodeType type = NODE_INVALID;
    if (FAILED(children->get_item(i, child.out())) || !child || FAILED(child->get_nodeType(&type))) continue;
    // The document's depth is bounded by the parser's own element depth limit.
    if (type == NODE_ELEMENT) copyElement(child.get(), index, out);
  }
}

}  // namespace

XmlParseStatus parseXmlTree(const std::string& ansiText, XmlTree& out) {
  out = XmlTree();
  ComScope com;
  ComPtr<IXMLDOMDocument> doc;
  if (!createDocument(doc)) return XmlParseStatus::kNoXmlReader;
  doc->put_async(VARIANT_FALSE);
  doc->put_validateOnParse(VARIANT_FALSE);
  doc->put_resolveExternals(VARIANT_FALSE);
  Bstr text(wide(ansiText));
  VARIANT_BOOL loaded = VARIANT_FALSE;
  if (FAILED(doc->loadXML(text.get(), &loaded)) || loaded != VARIANT_TRUE) return XmlParseStatus::kRefused;
  ComPtr<IXMLDOMElement> root;
  if (FAILED(doc->get_documentElement(root.out())) || !root) return XmlParseStatus::kRefused;
  copyElement(root.get(), XmlElement::kNoParent, out);
  return XmlParseStatus::kOk;
}

}  // namespace zorvik
