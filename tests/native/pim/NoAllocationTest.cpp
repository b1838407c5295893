// LocateNumber runs for every row of every list: it must not allocate. Counts every operator new
// of this test program while numbers of each kind are located.
// Replacement allocation functions pair malloc with free by design.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "LocationTestSupport.h"
#include "pim/LocateNumber.h"

namespace {
std::atomic<long> gAllocations{0};
}

void* operator new(std::size_t size) {
  ++gAllocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace zorvik {
namespace {

TEST(LocateNumberCost, NoAllocationOnTheLookupPath) {
  test::TempFolder folder;
  PhoneTable table(PhoneTableSetup{.folder = folder.path()});
  const std::vector<std::string> numbers = {
      "13800138000", "+8613903111234", "010-12345678", "0755-1234567", "10086",        "95588",
      "12345678",    "10655123",       "-1",           "4008517517",   "075512345678", "1795113800138000",
      "17951075512345678", "10657555123456", std::string(300, '9')};
  const long before = gAllocations.load();
  std::size_t total = 0;
  for (int round = 0; round < 100; ++round)
    for (const std::string& n : numbers) total += std::string_view(LocateNumber(table, n)).size();
  EXPECT_EQ(gAllocations.load() - before, 0);
  EXPECT_GT(total, 0u);
}

}  // namespace
}  // namespace zorvik
