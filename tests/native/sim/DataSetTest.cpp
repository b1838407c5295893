// The generated data set looks like a lived-in phone: sizes, kinds of names and numbers, pictures
// that are real PNG or JPEG files, and every list the pages show filled.
#include "VphoneFixture.h"

#include <regex>
#include <set>

namespace zorvik::sim::test {
namespace {

bool isPicture(const Blob& b) {
  return b && (b->compare(0, 8, "\x89PNG\r\n\x1a\n") == 0 || b->compare(0, 3, "\xFF\xD8\xFF") == 0);
}

TEST(DataSet, ContactsHaveChineseAndLatinNamesRealNumbersAndPhotos) {
  const PhoneState& p = dataSet();
  ASSERT_GE(p.contacts.size(), 200u);
  ASSERT_LE(p.contacts.size(), 220u);
  const std::regex mobile("(\\+86 )?1[3-8][0-9]{9}");
  const std::regex landline("0[1-9][0-9]{1,2}-[2-8][0-9]{6,7}");
  const std::regex service("(10086|10010|10000|95588|95555|12306|114|95338)");
  const std::regex abroad("\\+(34|46) [0-9 ]+");  // the contacts whose texts GBK cannot hold
  size_t abroadNumbers = 0, chinese = 0, latin = 0, mobiles = 0, landlines = 0, services = 0, starred = 0, grouped = 0, photos = 0,
         png = 0, jpeg = 0, emails = 0, ims = 0, addresses = 0, orgs = 0, several = 0;
  for (const Contact& c : p.contacts) {
    const std::string& name = c.displayName.value;
    ASSERT_FALSE(name.empty());
    (static_cast<unsigned char>(name[0]) >= 0x80 ? chinese : latin)++;
    for (const ContactItem& n : c.phones) {
      if (std::regex_match(n.value, mobile)) ++mobiles;
      else if (std::regex_match(n.value, landline)) ++landlines;
      else if (std::regex_match(n.value, service)) ++services;
      else if (std::regex_match(n.value, abroad)) ++abroadNumbers;
      else ADD_FAILURE() << "number " << n.value;
    }
    several += c.phones.size() > 1;
    starred += c.starred == 1;
    grouped += !c.groupIds.empty();
    if (c.photo) {
      EXPECT_TRUE(isPicture(c.photo));
      ++photos;
      (c.photo->compare(0, 4, "\x89PNG") == 0 ? png : jpeg)++;
    }
    emails += !c.emails.empty();
    ims += !c.ims.empty();
    addresses += !c.addresses.empty();
    orgs += !c.organizations.empty();
  }
  EXPECT_GT(chinese, latin);
  EXPECT_GT(latin, 10u);
  EXPECT_GE(services, 8u);
  EXPECT_EQ(abroadNumbers, 2u);
  EXPECT_GT(landlines, 40u);
  EXPECT_GT(mobiles, 200u);
  EXPECT_GT(several, 50u);
  EXPECT_GT(starred, 5u);
  EXPECT_GT(grouped, 50u);
  EXPECT_GT(png, 10u);
  EXPECT_GT(jpeg, 10u);
  EXPECT_GT(photos, 50u);
  EXPECT_GT(emails, 50u);
  EXPECT_GT(ims, 30u);
  EXPECT_GT(addresses, 30u);
  EXPECT_GT(orgs, 50u);
  EXPECT_GE(p.groups.size(), 5u);
}

TEST(DataSet, EveryPageHasSomethingToShow) {
  const PhoneState& p = dataSet();
  EXPECT_EQ(p.threads.size(), 51u);
  size_t in = 0, out = 0;
  for (const Thread& t : p.threads)
    for (const Message& m : t.messages) (m.direction == 1 ? in : out)++;
  EXPECT_GT(in, 50u);
  EXPECT_GT(out, 50u);
  EXPECT_EQ(p.calls.size(), 100u);
  std::set<int32_t> types;
  for (const Call& c : p.calls) types.insert(c.type);
  EXPECT_EQ(types.size(), 3u);
  EXPECT_GE(p.alarms.size(), 5u);
  size_t thumbs = 0;
  for (const Bookmark& b : p.bookmarks) thumbs += isPicture(b.thumbnail);
  EXPECT_GE(p.bookmarks.size(), 10u);
  EXPECT_GT(thumbs, 5u);
  EXPECT_EQ(p.packages.size(), 60u);
  for (const Package& k : p.packages) EXPECT_TRUE(isPicture(k.icon)) << k.name;
  EXPECT_NE(p.findPackage("com.zorvik.Zorvik"), nullptr) << "the agent is installed";
  EXPECT_GE(p.processes.size(), 15u);
  EXPECT_GE(p.cache.size(), 10u);
  std::set<int32_t> events;
  for (const StartupEntry& e : p.startup) events.insert(e.event);
  EXPECT_GE(events.size(), 15u);
  EXPECT_GE(p.files.size(), 80u);
  EXPECT_EQ(p.system.sdk, 15);
  EXPECT_FALSE(p.system.imei.empty());
}

TEST(DataSet, ScaledThreadsHoldTheAskedCountsWithTheLongestFirst) {
  PhoneState p = dataSet();
  scaleThreads(p, 2000, 20000, 500);
  ASSERT_EQ(p.threads.size(), 2000u);
  size_t total = 0;
  std::set<int64_t> ids;
  for (const Thread& t : p.threads) {
    total += t.messages.size();
    for (const Message& m : t.messages) ids.insert(m.id);
  }
  EXPECT_EQ(total, 20000u);
  EXPECT_EQ(ids.size(), 20000u);
  EXPECT_EQ(p.threads[0].messages.size(), 500u);
  EXPECT_EQ(p.threads[1999].messages.size(), 9u);  // 19,500 over 1,999
}

}  // namespace
}  // namespace zorvik::sim::test
