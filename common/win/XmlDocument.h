#pragma once
// The one way the program makes an MSXML DOM document: the newest installed version first, then
// the version-independent one. With none installed the user is told and sent to the download page.
#include <windows.h>
#include <msxml2.h>

#include <cstddef>
#include <string>
#include <vector>

#include "common/win/Handles.h"

namespace zorvik {

// Tried in this order.
constexpr std::size_t kXmlDocumentProgIdCount = 6;
extern const wchar_t* const kXmlDocumentProgIds[kXmlDocumentProgIdCount];

// Shows "您的系统组件版本过低，请先下载安装微软XML解析组件" and opens the browser, maximised, on
// the parser's download page.
void notifyNoXmlParser(HWND owner);

// A DOM document of the first ProgID whose class exists and can be created; empty when none can,
// after calling `notify(owner)`. `usedProgId` (optional) receives the ProgID that worked.
// Needs COM initialised on the calling thread.
ComPtr<IXMLDOMDocument> createXmlDocument(HWND owner, const wchar_t* const* progIds = kXmlDocumentProgIds,
                                          std::size_t progIdCount = kXmlDocumentProgIdCount,
                                          void (*notify)(HWND) = notifyNoXmlParser,
                                          std::wstring* usedProgId = nullptr);

// Loads a file synchronously. False when the file is missing or the parser reports an error;
// `reason` (optional) then receives the parser's reason.
bool loadXmlFile(IXMLDOMDocument* doc, const std::wstring& path, std::wstring* reason = nullptr);
bool loadXmlText(IXMLDOMDocument* doc, const std::wstring& text, std::wstring* reason = nullptr);

// The nodes a slash path selects under `node` (empty on any failure).
std::vector<ComPtr<IXMLDOMNode>> selectNodes(IXMLDOMNode* node, const std::wstring& path);
// The element children of `node`, in document order.
std::vector<ComPtr<IXMLDOMNode>> childElements(IXMLDOMNode* node);
// An attribute's value; empty when absent.
std::wstring xmlAttribute(IXMLDOMNode* node, const std::wstring& name);
// The text of the first child element called `name`; empty when absent.
std::wstring xmlChildText(IXMLDOMNode* node, const std::wstring& name);
std::wstring xmlNodeName(IXMLDOMNode* node);

}  // namespace zorvik
