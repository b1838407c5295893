#pragma once
// The parsed manifest text as a small element tree, filled by the platform's XML reader: MSXML
// in the Windows build, libxml2 in the native build. The analysis reads only this tree, so both
// builds give the same results from the same text.
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zorvik {

struct XmlElement {
  std::string name;
  // (name, value) in document order; names without their namespace prefix, values ANSI text.
  std::vector<std::pair<std::string, std::string>> attributes;
  std::vector<size_t> children;  // indices of child elements in XmlTree::elements
  size_t parent = kNoParent;
  static constexpr size_t kNoParent = static_cast<size_t>(-1);

  // The value of the first attribute with this name, or nullptr.
  const std::string* attribute(const std::string& attributeName) const {
    for (const auto& a : attributes)
      if (a.first == attributeName) return &a.second;
    return nullptr;
  }
};

struct XmlTree {
  // Every element in document order; elements[0] is the root.
  std::vector<XmlElement> elements;
};

enum class XmlParseStatus {
  kOk,
  kRefused,      // the text is not well-formed
  kNoXmlReader,  // no XML reader is available on this system (Windows: no MSXML class)
};

// Parses ANSI XML text (the decoder's output).
XmlParseStatus parseXmlTree(const std::string& ansiText, XmlTree& out);

// The message shown when no XML reader can be created.
extern const char kNoXmlReaderMessage[];

}  // namespace zorvik
