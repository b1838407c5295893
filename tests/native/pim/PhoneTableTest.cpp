// PhoneTable: the file it writes and reads, several tables at once, and every way the file can be
// missing, stale, short or unwritable.
#include <atomic>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "LocationTestSupport.h"
#include "pim/LocateNumber.h"
#include "pim/PhoneTable.h"

namespace zorvik {
namespace {

// A table with the given entries and 0 everywhere else.
std::string tableWith(std::initializer_list<std::pair<std::uint32_t, int>> entries,
                      std::size_t size = PhoneTable::kTableBytes) {
  std::string bytes(size, '\0');
  for (const auto& [prefix, region] : entries) {
    const std::size_t at = 2 * (prefix - PhoneTable::kFirstPrefix);
    bytes[at] = static_cast<char>(region & 0xff);
    bytes[at + 1] = static_cast<char>(region >> 8);
  }
  return bytes;
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(PhoneTable, WritesTheProgramTableAndReadsEntries) {
  test::TempFolder folder;
  PhoneTable table(PhoneTableSetup{.folder = folder.path()});
  ASSERT_TRUE(table.isOpen());
  EXPECT_TRUE(table.wroteFile());
  const std::string written = readFile(folder.file("phone.db"));
  ASSERT_EQ(written.size(), PhoneTable::kTableBytes);
  // An entry read through the table is the little-endian word at 2 * prefix - 2,600,000.
  const std::uint32_t prefix = 1380013;
  const std::size_t at = 2 * prefix - 2600000;
  const int expected = static_cast<unsigned char>(written[at]) | static_cast<unsigned char>(written[at + 1]) << 8;
  EXPECT_NE(expected, 0);
  EXPECT_EQ(table.lookupPrefix(prefix), expected);
}

TEST(PhoneTable, PrefixesOutsideTheRangeGiveZero) {
  test::TempFolder folder;
  const std::string bytes = tableWith({{1300000, 5}, {1899999, 7}, {1555555, 300}});
  PhoneTable table(PhoneTableSetup{.folder = folder.path(), .programTable = false, .table = bytes});
  EXPECT_EQ(table.lookupPrefix(1300000), 5);
  EXPECT_EQ(table.lookupPrefix(1899999), 7);
  EXPECT_EQ(table.lookupPrefix(1555555), 300);
  EXPECT_EQ(table.lookupPrefix(1555556), 0);
  EXPECT_EQ(table.lookupPrefix(1299999), 0);
  EXPECT_EQ(table.lookupPrefix(1900000), 0);
  EXPECT_EQ(table.lookupPrefix(0), 0);
  EXPECT_EQ(table.lookupPrefix(0xFFFFFFFFu), 0);
}

TEST(PhoneTable, AZeroEntryGivesNoRecord) {
  test::TempFolder folder;
  const std::string bytes = tableWith({{1380013, 2}});  // region 2 is area code 010
  PhoneTable table(PhoneTableSetup{.folder = folder.path(), .programTable = false, .table = bytes});
  EXPECT_STREQ(LocateNumber(table, "13800138000"), "北京");
  EXPECT_STREQ(LocateNumber(table, "13900000000"), "没有记录");
  // Region indices past the table's slots have no area code.
  const std::string odd = tableWith({{1380013, 414}, {1390000, 0xFFFF}});
  test::TempFolder other;
  PhoneTable strange(PhoneTableSetup{.folder = other.path(), .programTable = false, .table = odd});
  EXPECT_STREQ(LocateNumber(strange, "13800138000"), "没有记录");
  EXPECT_STREQ(LocateNumber(strange, "13900000000"), "没有记录");
}

TEST(PhoneTable, TwoTablesAtOnceBothRead) {
  test::TempFolder folder;
  PhoneTable first(PhoneTableSetup{.folder = folder.path()});
  PhoneTable second(PhoneTableSetup{.folder = folder.path()});
  ASSERT_TRUE(first.isOpen());
  ASSERT_TRUE(second.isOpen());
  EXPECT_TRUE(first.wroteFile());
#ifdef _WIN32
  // The first holds the file open with read sharing only: the second cannot delete or rewrite
  // it and reads the existing one.
  EXPECT_FALSE(second.wroteFile());
#endif
  for (const char* number : {"13800138000", "13903111234", "18616012345", "15912345678"}) {
    EXPECT_STREQ(LocateNumber(first, number), LocateNumber(second, number)) << number;
    EXPECT_STRNE(LocateNumber(first, number), "没有记录") << number;
  }
  PhoneTable third(PhoneTableSetup{.folder = folder.path()});
  EXPECT_STREQ(LocateNumber(third, "13800138000"), "北京");
}

TEST(PhoneTable, AFolderThatCannotBeWrittenLeavesMobileNumbersWithoutRecord) {
  test::TempFolder folder;
  // A "folder" below a plain file can hold nothing, whatever the user's rights.
  writeFile(folder.file("plain"), "x");
  PhoneTable table(PhoneTableSetup{.folder = folder.file("plain") + "/sub"});
  EXPECT_FALSE(table.isOpen());
  EXPECT_FALSE(table.wroteFile());
  EXPECT_EQ(table.lookupPrefix(1380013), 0);
  EXPECT_STREQ(LocateNumber(table, "13800138000"), "没有记录");
  // Everything that needs no prefix table still works.
  EXPECT_STREQ(LocateNumber(table, "010-12345678"), "北京");
  EXPECT_STREQ(LocateNumber(table, "10086"), "中国移动");
}

TEST(PhoneTable, AMissingTableReplacesNoFileWithAnEmptyOne) {
  test::TempFolder folder;
  writeFile(folder.file("phone.db"), tableWith({{1380013, 2}}));  // left by an earlier run
  PhoneTable table(PhoneTableSetup{.folder = folder.path(), .programTable = false});
  EXPECT_FALSE(table.wroteFile());
  EXPECT_TRUE(table.isOpen());  // opened, creating it
  EXPECT_EQ(table.lookupPrefix(1380013), 0);
  EXPECT_STREQ(LocateNumber(table, "13800138000"), "没有记录");
}

TEST(PhoneTable, AStaleFileIsReplaced) {
  test::TempFolder folder;
  writeFile(folder.file("phone.db"), std::string(PhoneTable::kTableBytes, '\xff'));
  PhoneTable table(PhoneTableSetup{.folder = folder.path()});
  EXPECT_TRUE(table.wroteFile());
  EXPECT_STREQ(LocateNumber(table, "13800138000"), "北京");
  EXPECT_STREQ(LocateNumber(table, "19912345678"), "没有记录");
}

TEST(PhoneTable, AShortFileGivesZeroPastItsEnd) {
  test::TempFolder folder;
  const std::string half = tableWith({{1300001, 9}}, PhoneTable::kTableBytes / 2);
  PhoneTable table(PhoneTableSetup{.folder = folder.path(), .programTable = false, .table = half});
  EXPECT_TRUE(table.wroteFile());
  EXPECT_EQ(table.lookupPrefix(1300001), 9);
  EXPECT_EQ(table.lookupPrefix(1599999), 0);  // the last entry of the half
  EXPECT_EQ(table.lookupPrefix(1600000), 0);  // past the end
  EXPECT_EQ(table.lookupPrefix(1899999), 0);
}

TEST(PhoneTable, MovingKeepsTheOpenFile) {
  test::TempFolder folder;
  PhoneTable table(PhoneTableSetup{.folder = folder.path()});
  PhoneTable moved(std::move(table));
  EXPECT_TRUE(moved.isOpen());
  EXPECT_STREQ(LocateNumber(moved, "13800138000"), "北京");
  PhoneTable assigned(PhoneTableSetup{.folder = folder.path(), .programTable = false});
  assigned = std::move(moved);
  EXPECT_STREQ(LocateNumber(assigned, "13800138000"), "北京");
}

TEST(PhoneTable, ThreadsLookingUpAtOnceAgree) {
  test::TempFolder folder;
  PhoneTable table(PhoneTableSetup{.folder = folder.path()});
  std::vector<int> expected;
  for (std::uint32_t p = 1300000; p < 1900000; p += 997) expected.push_back(table.lookupPrefix(p));
  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      std::size_t i = 0;
      for (std::uint32_t p = 1300000; p < 1900000; p += 997, ++i)
        if (table.lookupPrefix(p) != expected[i]) ++mismatches;
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(mismatches.load(), 0);
}


}  // namespace
}  // namespace zorvik

namespace zorvik {
namespace {

// Lookups read through a view of the file; where none can be made they seek and read. Both
// ways give the same bytes and refuse to read past the end.
TEST(PhoneFile, ViewAndReadsAgree) {
  test::TempFolder folder;
  const std::string path = folder.file("phone.db");
  std::string bytes(4099, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + 1);
  ASSERT_TRUE(replaceFile(path, bytes));
  PhoneFile viewed = PhoneFile::openForReading(path);
  PhoneFile plain = PhoneFile::openForReading(path, false);
  ASSERT_TRUE(viewed.isMapped());
  ASSERT_FALSE(plain.isMapped());
  for (const PhoneFile* file : {&viewed, &plain}) {
    for (std::size_t at : {std::size_t{0}, std::size_t{1}, std::size_t{2048}, std::size_t{4097}}) {
      unsigned char two[2] = {};
      ASSERT_TRUE(file->readAt(at, two, 2)) << at;
      EXPECT_EQ(two[0], static_cast<unsigned char>(bytes[at]));
      EXPECT_EQ(two[1], static_cast<unsigned char>(bytes[at + 1]));
    }
    unsigned char two[2];
    EXPECT_FALSE(file->readAt(4098, two, 2));
    EXPECT_FALSE(file->readAt(1ull << 40, two, 2));
    EXPECT_FALSE(file->readAt(~0ull, two, 2));
  }
  PhoneFile moved(std::move(viewed));
  EXPECT_FALSE(viewed.isOpen());
  unsigned char one;
  EXPECT_TRUE(moved.readAt(5, &one, 1));
  EXPECT_EQ(one, static_cast<unsigned char>(bytes[5]));
}

TEST(PhoneFile, AnEmptyFileHasNoViewAndNoEntries) {
  test::TempFolder folder;
  PhoneFile file = PhoneFile::openForReading(folder.file("phone.db"));
  EXPECT_TRUE(file.isOpen());
  EXPECT_FALSE(file.isMapped());
  unsigned char two[2];
  EXPECT_FALSE(file.readAt(0, two, 2));
}

}  // namespace
}  // namespace zorvik
