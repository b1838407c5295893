// The Windows XML reader: an MSXML document holds the manifest text, Chinese text included, as
// code page 936 converts it.
#include <gtest/gtest.h>

#include "installer/XmlTree.h"

namespace zorvik {
namespace {

TEST(MsxmlReader, ReadsAnsiTextThroughTheCodePage) {
  XmlTree tree;
  ASSERT_EQ(parseXmlTree("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<manifest package=\"联系人\">\n"
                         "<application label=\"通话 &amp; 短信\">\n</application><uses-sdk>\n</uses-sdk></manifest>",
                         tree),
            XmlParseStatus::kOk);
  ASSERT_EQ(tree.elements.size(), 3u);
  EXPECT_EQ(*tree.elements[0].attribute("package"), "联系人");
  EXPECT_EQ(*tree.elements[1].attribute("label"), "通话 & 短信");
  EXPECT_EQ(tree.elements[1].parent, 0u);
  EXPECT_EQ(tree.elements[0].children, (std::vector<size_t>{1, 2}));
  EXPECT_EQ(parseXmlTree("<manifest><application></manifest>", tree), XmlParseStatus::kRefused);
  EXPECT_STREQ(kNoXmlReaderMessage, "您的系统组件版本过低，请先下载安装微软XML解析组件");
}

}  // namespace
}  // namespace zorvik
