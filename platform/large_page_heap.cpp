#include "platform/large_page_heap.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
// glibc's largest mapping threshold on 64-bit systems: blocks up to this size come from the
// heap (a 4096 x 1024 strip of pixels is 16 MB).
constexpr int kLargestHeapBlock = 32 << 20;

}  // namespace

size_t UseLargePageHeap(size_t reserve, double slow_page_ms) {
  mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_TOP_PAD, static_cast<int>(reserve));
  const uintptr_t start = reinterpret_cast<uintptr_t>(sbrk(0));
  // Blocks the free heap cannot hold make it grow, by the pad as well; freed, they stay.
  std::vector<void*> blocks;
  while (reinterpret_cast<uintptr_t>(sbrk(0)) - start < reserve && blocks.size() < 64) {
    void* block = std::malloc(kLargestHeapBlock / 2);
    if (!block) break;
    blocks.push_back(block);
  }
  for (void* block : blocks) std::free(block);
  const uintptr_t end = reinterpret_cast<uintptr_t>(sbrk(0));
  const uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
  if (end <= first) return 0;
  if (madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE) != 0) return 0;
  for (int k = 0; k < kProbedHugePages && first + (k + 1) * kHugePage <= end; ++k) {
    const uintptr_t page = first + k * kHugePage;
    const auto before = std::chrono::steady_clock::now();
    // Faults the page in as a write would, without writing: the heap's free chunks keep their
    // links. A kernel without the request (before Linux 5.14) is not probed.
    if (madvise(reinterpret_cast<void*>(page), kHugePage, MADV_POPULATE_WRITE) != 0) break;
    const std::chrono::duration<double, std::milli> took =
        std::chrono::steady_clock::now() - before;
    if (took.count() > slow_page_ms) {
      const uintptr_t rest = page + kHugePage;
      if (rest < end) madvise(reinterpret_cast<void*>(rest), end - rest, MADV_NOHUGEPAGE);
      return rest - first;
    }
  }
  return end - first;
}
