// The Windows build's XML reader: an MSXML DOM document, created from the newest class the
// system has, loaded with the text and copied into the element tree.
#include <windows.h>
#include <msxml2.h>
#include <oleauto.h>

#include <string>

#include "common/win/Handles.h"
#include "common/win/WideText.h"
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

std::string ansi(const Bstr& text) { return fromWide(text.view()); }

bool createDocument(ComPtr<IXMLDOMDocument>& doc) {
  for (const CLSID& cls : kDocumentClasses) {
    ComPtr<IUnknown> unknown;
    if (FAILED(CoCreateInstance(cls, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                unknown.putVoid())))
      continue;
    if (SUCCEEDED(unknown->QueryInterface(kDocumentInterface, doc.putVoid()))) return true;
  }
  return false;
}

void copyElement(IXMLDOMNode* node, size_t parent, XmlTree& out) {
  const size_t index = out.elements.size();
  out.elements.emplace_back();
  out.elements[index].parent = parent;
  if (parent != XmlElement::kNoParent) out.elements[parent].children.push_back(index);
  Bstr name;
  if (SUCCEEDED(node->get_baseName(name.put()))) out.elements[index].name = ansi(name);

  ComPtr<IXMLDOMNamedNodeMap> attributes;
  long count = 0;
  if (SUCCEEDED(node->get_attributes(attributes.put())) && attributes && SUCCEEDED(attributes->get_length(&count))) {
    for (long i = 0; i < count; ++i) {
      ComPtr<IXMLDOMNode> attribute;
      if (FAILED(attributes->get_item(i, attribute.put())) || !attribute) continue;
      Bstr attributeName, value;
      attribute->get_baseName(attributeName.put());
      attribute->get_text(value.put());
      out.elements[index].attributes.emplace_back(ansi(attributeName), ansi(value));
    }
  }

  ComPtr<IXMLDOMNodeList> children;
  long childCount = 0;
  if (FAILED(node->get_childNodes(children.put())) || !children || FAILED(children->get_length(&childCount))) return;
  for (long i = 0; i < childCount; ++i) {
    ComPtr<IXMLDOMNode> child;
    DOMNodeType type = NODE_INVALID;
    if (FAILED(children->get_item(i, child.put())) || !child || FAILED(child->get_nodeType(&type))) continue;
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
  Bstr text(toWide(ansiText));
  VARIANT_BOOL loaded = VARIANT_FALSE;
  if (FAILED(doc->loadXML(text.get(), &loaded)) || loaded != VARIANT_TRUE) return XmlParseStatus::kRefused;
  ComPtr<IXMLDOMElement> root;
  if (FAILED(doc->get_documentElement(root.put())) || !root) return XmlParseStatus::kRefused;
  copyElement(root.get(), XmlElement::kNoParent, out);
  return XmlParseStatus::kOk;
}

}  // namespace zorvik
