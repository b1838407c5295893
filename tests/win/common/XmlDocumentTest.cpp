#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "common/win/Handles.h"
#include "common/win/XmlDocument.h"

namespace zorvik {
namespace {

int gNotified = 0;
void countNotify(HWND) { ++gNotified; }

TEST(XmlDocumentFactory, TheNewestInstalledVersionIsCreatedWithoutATellingTheUser) {
  ComScope com;
  gNotified = 0;
  std::wstring used;
  ComPtr<IXMLDOMDocument> doc = createXmlDocument(nullptr, kXmlDocumentProgIds, kXmlDocumentProgIdCount, countNotify, &used);
  ASSERT_TRUE(doc);
  EXPECT_EQ(used, L"Msxml2.DOMDocument.6.0");  // Wine carries MSXML 6
  EXPECT_EQ(gNotified, 0);
}

TEST(XmlDocumentFactory, MissingVersionsAreSkippedInOrder) {
  ComScope com;
  gNotified = 0;
  const wchar_t* const ids[] = {L"Msxml2.DOMDocument.9.9", L"No.Such.Class", L"Msxml2.DOMDocument.3.0",
                                L"Msxml2.DOMDocument"};
  std::wstring used;
  ASSERT_TRUE(createXmlDocument(nullptr, ids, std::size(ids), countNotify, &used));
  EXPECT_EQ(used, L"Msxml2.DOMDocument.3.0");
  EXPECT_EQ(gNotified, 0);
}

TEST(XmlDocumentFactory, NoParserTellsTheUserOnceAndGivesNothing) {
  ComScope com;
  gNotified = 0;
  const wchar_t* const ids[] = {L"Msxml2.DOMDocument.9.9", L"No.Such.Class"};
  EXPECT_FALSE(createXmlDocument(nullptr, ids, std::size(ids), countNotify));
  EXPECT_EQ(gNotified, 1);
}

TEST(XmlDocumentFactory, AParserErrorIsReportedWithItsReason) {
  ComScope com;
  ComPtr<IXMLDOMDocument> doc = createXmlDocument(nullptr);
  ASSERT_TRUE(doc);
  std::wstring reason;
  EXPECT_FALSE(loadXmlText(doc.get(), L"<main><a></main>", &reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_FALSE(loadXmlFile(doc.get(), L"C:\\no\\such\\device.xml", &reason));
}

TEST(XmlDocumentFactory, PathsAttributesAndChildTextsAreRead) {
  ComScope com;
  ComPtr<IXMLDOMDocument> doc = createXmlDocument(nullptr);
  ASSERT_TRUE(doc);
  ASSERT_TRUE(loadXmlText(doc.get(),
                          L"<main date='2016-03-31'><p><htc manufacturer='HTC'><item device='One'><cpu>S4</cpu>"
                          L"</item><item device='G1'/></htc><!-- c --><lg manufacturer='LG'/></p></main>"));
  auto makers = childElements(selectNodes(doc.get(), L"main/p").at(0).get());
  ASSERT_EQ(makers.size(), 2u);
  EXPECT_EQ(xmlNodeName(makers[0].get()), L"htc");
  EXPECT_EQ(xmlAttribute(makers[1].get(), L"manufacturer"), L"LG");
  auto items = selectNodes(doc.get(), L"main/p/htc/item");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(xmlAttribute(items[1].get(), L"device"), L"G1");
  EXPECT_EQ(xmlChildText(items[0].get(), L"cpu"), L"S4");
  EXPECT_EQ(xmlChildText(items[1].get(), L"cpu"), L"");
  EXPECT_EQ(xmlAttribute(items[1].get(), L"missing"), L"");
  EXPECT_TRUE(selectNodes(doc.get(), L"main/p/lg/item").empty());
}

}  // namespace
}  // namespace zorvik
