// The pages' own files inside the program: a page reaches its style sheet and pictures as
// res://<program>/<bare name>, i.e. as RT_HTML resources named by the file name. The contact card
// the builder makes must find every picture it names, and every class it uses in contact.css.
#include <windows.h>

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "pim/ContactCardHtml.h"
#include "app/resource.h"

namespace {

// The resource's bytes, or "" when the program has no HTML resource of that name.
std::string htmlResource(const std::string& name) {
  HRSRC found = FindResourceA(nullptr, name.c_str(), MAKEINTRESOURCEA(23));  // RT_HTML
  if (!found) return {};
  HGLOBAL loaded = LoadResource(nullptr, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  return data ? std::string(static_cast<const char*>(data), SizeofResource(nullptr, found)) : std::string();
}

zorvik::ContactCard fullCard() {
  zorvik::ContactCard card;
  card.starred = true;
  card.displayName = {true, 0, "张三"};
  card.nickname = {true, 0, "三哥"};
  card.notes = {true, 0, "带伞"};
  card.phones = {{1, 2, "13800138000"}};
  card.emails = {{2, 1, "a@example.com"}};
  card.ims = {{3, 4, "10001"}};
  card.webPages = {{4, 0, "http://example.com"}};
  card.addresses = {{5, 1, "北京"}};
  card.organizations = {{6, 1, "卓维克"}};
  card.groups = {{7, 0, "同事"}};
  return card;
}

TEST(PageResources, TheContactCardFindsItsPicturesAndStyles) {
  HRSRC cardPage = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_HTML_CONTACT), MAKEINTRESOURCEA(23));
  ASSERT_NE(cardPage, nullptr);
  const std::string css = htmlResource("contact.css");
  ASSERT_FALSE(css.empty());

  const std::string html = zorvik::buildContactCardHtml(fullCard());
  std::set<std::string> pictures, classes;
  const std::regex src("src='([^']*)'"), cls("class='([^']*)'");
  for (std::sregex_iterator i(html.begin(), html.end(), src), end; i != end; ++i) pictures.insert((*i)[1]);
  for (std::sregex_iterator i(html.begin(), html.end(), cls), end; i != end; ++i) {
    const std::string list = (*i)[1];
    size_t at = 0;
    while (at < list.size()) {
      const size_t space = list.find(' ', at);
      const std::string one = list.substr(at, space == std::string::npos ? std::string::npos : space - at);
      if (!one.empty()) classes.insert(one);
      if (space == std::string::npos) break;
      at = space + 1;
    }
  }
  EXPECT_EQ(pictures, (std::set<std::string>{"avatar_photo.png", "pim_call.gif", "pim_web.gif", "pim_group.gif"}));
  for (const std::string& picture : pictures) {
    const std::string bytes = htmlResource(picture);
    EXPECT_GT(bytes.size(), 20u) << picture << " is not among the program's resources";
    if (picture.size() > 4 && picture.substr(picture.size() - 4) == ".gif") {
      EXPECT_EQ(bytes.substr(0, 6), "GIF89a") << picture;
    } else {
      EXPECT_EQ(bytes.substr(1, 3), "PNG") << picture;
    }
  }
  EXPECT_GE(classes.size(), 10u);
  for (const std::string& name : classes) {
    const std::regex rule("\\." + name + "[^A-Za-z0-9_-]");
    EXPECT_TRUE(std::regex_search(css, rule)) << "contact.css does not style ." << name;
  }
}

}  // namespace
