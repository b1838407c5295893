// The native build's XML reader: libxml2 over the text converted to UTF-8.
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <memory>

#include "common/TextConv.h"
#include "installer/XmlTree.h"

namespace zorvik {

const char kNoXmlReaderMessage[] = "您的系统组件版本过低，请先下载安装微软XML解析组件";

namespace {

struct DocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

std::string text(const xmlChar* utf8) { return utf8 ? toAnsi(reinterpret_cast<const char*>(utf8)) : std::string(); }

// libxml2 refuses documents nested deeper than 256 elements, which bounds this recursion.
void walk(xmlNode* node, size_t parent, XmlTree& out) {
  for (; node; node = node->next) {
    if (node->type != XML_ELEMENT_NODE) continue;
    const size_t index = out.elements.size();
    out.elements.emplace_back();
    out.elements[index].name = text(node->name);
    out.elements[index].parent = parent;
    for (xmlAttr* a = node->properties; a; a = a->next) {
      xmlChar* value = xmlNodeListGetString(node->doc, a->children, 1);
      out.elements[index].attributes.emplace_back(text(a->name), text(value));
      xmlFree(value);
    }
    if (parent != XmlElement::kNoParent) out.elements[parent].children.push_back(index);
    walk(node->children, index, out);
  }
}

}  // namespace

XmlParseStatus parseXmlTree(const std::string& ansiText, XmlTree& out) {
  out = XmlTree();
  const std::string utf8 = toUtf8(ansiText);
  std::unique_ptr<xmlDoc, DocFree> doc(xmlReadMemory(utf8.data(), static_cast<int>(utf8.size()), nullptr, "UTF-8",
                                                     XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  if (!doc) return XmlParseStatus::kRefused;
  xmlNode* root = xmlDocGetRootElement(doc.get());
  if (!root) return XmlParseStatus::kRefused;
  walk(root, XmlElement::kNoParent, out);
  return XmlParseStatus::kOk;
}

}  // namespace zorvik
