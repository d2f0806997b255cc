// The render command's heap: large blocks from the advised heap, reused once freed.
#include "platform/large_page_heap.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

namespace {

// The VmFlags line of the mapping that holds address, from /proc/self/smaps.
std::string FlagsOfMappingAt(uintptr_t address) {
  std::ifstream smaps("/proc/self/smaps");
  std::string line;
  bool inside = false;
  while (std::getline(smaps, line)) {
    uintptr_t from = 0, to = 0;
    char dash = 0;
    std::istringstream range(line);
    if (range >> std::hex >> from >> dash >> to && dash == '-') {
      inside = address >= from && address < to;
    } else if (inside && line.rfind("VmFlags:", 0) == 0) {
      return line;
    }
  }
  return "";
}

TEST(LargePageHeap, LargeBlocksComeFromTheAdvisedHeapAndAreReused) {
  // However slowly its pages come: that case is the next test's.
  const size_t advised =
      UseLargePageHeap(size_t{128} << 20, std::numeric_limits<double>::infinity());
  if (advised == 0) GTEST_SKIP() << "the system refuses huge page advice";
  EXPECT_GE(advised, size_t{100} << 20);
  // A picture-sized block: inside the heap, not a mapping of its own.
  void* block = std::malloc(size_t{16} << 20);
  ASSERT_NE(block, nullptr);
  const uintptr_t at = reinterpret_cast<uintptr_t>(block);
  EXPECT_LT(at, reinterpret_cast<uintptr_t>(sbrk(0)));
  EXPECT_NE(FlagsOfMappingAt(at + (size_t{8} << 20)).find(" hg"), std::string::npos)
      << FlagsOfMappingAt(at + (size_t{8} << 20));
  // Freed and asked again: the same memory, with its pages already there.
  std::free(block);
  void* again = std::malloc(size_t{16} << 20);
  EXPECT_EQ(again, block);
  std::free(again);
}

// A huge page that takes long to come (the host of a virtual machine backing memory it had
// taken back) ends the huge pages: here every page counts as slow, so the first one probed
// stays huge and the rest of the heap is advised for small pages.
TEST(LargePageHeap, ASlowHugePageLeavesTheRestToSmallPages) {
  const uintptr_t before = reinterpret_cast<uintptr_t>(sbrk(0));
  const size_t advised = UseLargePageHeap(size_t{64} << 20, -1.0);
  const uintptr_t after = reinterpret_cast<uintptr_t>(sbrk(0));
  if (advised == 0) GTEST_SKIP() << "the system refuses huge page advice";
  // Run after the test above in one process, the heap it left has room already.
  if (after - before < (size_t{16} << 20)) GTEST_SKIP() << "the heap hardly grew";
  EXPECT_EQ(advised, size_t{2} << 20);
  // Past the first huge page of what the heap grew by.
  const uintptr_t at = after - (size_t{8} << 20);
  EXPECT_NE(FlagsOfMappingAt(at).find(" nh"), std::string::npos) << FlagsOfMappingAt(at);
  EXPECT_EQ(FlagsOfMappingAt(at).find(" hg"), std::string::npos) << FlagsOfMappingAt(at);
}

}  // namespace
