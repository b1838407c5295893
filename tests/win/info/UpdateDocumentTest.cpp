// The update document read through the XML document factory under Wine.
#include <gtest/gtest.h>

#include <string>

#include "common/win/XmlDocument.h"
#include "info/win/UpdateDocument.h"

namespace zorvik {
namespace {

UpdateInfo read(const wchar_t* xml) {
  ComScope com;
  ComPtr<IXMLDOMDocument> doc = createXmlDocument(nullptr);
  EXPECT_TRUE(doc);
  EXPECT_TRUE(loadXmlText(doc.get(), xml));
  return readUpdateDocument(doc.get());
}

TEST(UpdateDocument, RowsArriveAtTheTopInReverseOrder) {
  UpdateInfo info = read(
      L"<root><item type='version'><v>2.1.0</v><a>机型 400</a><b>短信 50</b><c>论坛</c><d>ignored</d></item>"
      L"<item type='detail'><add>新页面</add><fix>崩溃</fix><update>更快</update></item></root>");
  EXPECT_EQ(info.latestVersion, "2.1.0");
  ASSERT_EQ(info.rows.size(), 6u);
  EXPECT_EQ(info.rows[0].caption, "常规改进");
  EXPECT_EQ(info.rows[0].icon, kUpdateIconImprove);
  EXPECT_EQ(info.rows[0].text, "更快");
  EXPECT_EQ(info.rows[1].caption, "漏洞修复");
  EXPECT_EQ(info.rows[1].icon, kUpdateIconFix);
  EXPECT_EQ(info.rows[2].caption, "新增功能");
  EXPECT_EQ(info.rows[2].icon, kUpdateIconAdd);
  EXPECT_EQ(info.rows[3].caption, "论坛映射");
  EXPECT_EQ(info.rows[3].icon, kUpdateIconVersion);
  EXPECT_EQ(info.rows[5].caption, "手机参数");
  EXPECT_EQ(info.rows[5].text, "机型 400");
}

TEST(UpdateDocument, AVersionItemWithOneChildSetsTheVersionAndAddsNoRows) {
  UpdateInfo info = read(L"<root><item type='version'><v>3.0</v></item></root>");
  EXPECT_EQ(info.latestVersion, "3.0");
  EXPECT_TRUE(info.rows.empty());
}

TEST(UpdateDocument, UnknownDetailElementsAndItemTypesAddNothing) {
  UpdateInfo info = read(L"<root><item type='detail'><remove>x</remove><fix>y</fix></item>"
                         L"<item type='news'><add>z</add></item><item><add>w</add></item></root>");
  ASSERT_EQ(info.rows.size(), 1u);
  EXPECT_EQ(info.rows[0].text, "y");
  EXPECT_EQ(info.latestVersion, "");
}

TEST(UpdateDocument, TypeIsComparedWithoutCase) {
  UpdateInfo info = read(L"<root><item type='VERSION'><v>4.2</v><a>p</a></item>"
                         L"<item type='Detail'><add>q</add></item></root>");
  EXPECT_EQ(info.latestVersion, "4.2");
  ASSERT_EQ(info.rows.size(), 2u);
  EXPECT_EQ(info.rows[0].text, "q");
  EXPECT_EQ(info.rows[1].caption, "手机参数");
}

TEST(UpdateDocument, ADocumentWithoutRootGivesNothing) {
  UpdateInfo info = read(L"<other><item type='version'><v>1</v></item></other>");
  EXPECT_EQ(info.latestVersion, "");
  EXPECT_TRUE(info.rows.empty());
}

}  // namespace
}  // namespace zorvik
