// Under Wine: the prefix table comes out of the program's own resource "DB"/471 (language 2052)
// into "phone.db" in the system's temporary folder, and every lookup agrees with the table the
// native build generates.
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "pim/LocateNumber.h"
#include "pim/PhoneTable.h"

namespace zorvik {
namespace {

std::string generatedTable() {
  std::ifstream in(ZORVIK_TEST_PREFIX_TABLE, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(ProgramResource, HoldsTheGeneratedTableInChinese) {
  const WORD chinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
  ASSERT_EQ(chinese, 2052);
  HRSRC found = FindResourceExA(nullptr, "DB", MAKEINTRESOURCEA(471), chinese);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(SizeofResource(nullptr, found), 1200000u);
  const void* data = LockResource(LoadResource(nullptr, found));
  ASSERT_NE(data, nullptr);
  const std::string generated = generatedTable();
  ASSERT_EQ(generated.size(), 1200000u);
  EXPECT_EQ(std::string(static_cast<const char*>(data), generated.size()), generated);
  // Only the Chinese resource exists: the lookup is by language, as the program makes it.
  EXPECT_EQ(FindResourceExA(nullptr, "DB", MAKEINTRESOURCEA(471), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)),
            nullptr);
}

TEST(ProgramResource, DefaultTableGoesToTheTemporaryFolderAndAgreesEverywhere) {
  char temp[MAX_PATH + 1];
  const DWORD n = GetTempPathA(sizeof temp, temp);
  ASSERT_GT(n, 0u);
  PhoneTable table;
  EXPECT_EQ(table.path(), std::string(temp, n) + "phone.db");
  ASSERT_TRUE(table.isOpen());
  EXPECT_TRUE(table.wroteFile());
  const std::string generated = generatedTable();
  ASSERT_EQ(generated.size(), PhoneTable::kTableBytes);
  int mismatches = 0;
  for (std::uint32_t i = 0; i < PhoneTable::kPrefixCount; ++i) {
    const int expected = static_cast<unsigned char>(generated[2 * i]) |
                         static_cast<unsigned char>(generated[2 * i + 1]) << 8;
    if (table.lookupPrefix(PhoneTable::kFirstPrefix + i) != expected) ++mismatches;
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_STREQ(LocateNumber(table, "13800138000"), "北京");
}

}  // namespace
}  // namespace zorvik
