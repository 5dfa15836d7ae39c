#include "HeapPages.h"

#include <malloc.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>

namespace {

// The heap grows in steps of this size, so that its first stretch is one
// region that keeps the large-page advice.
constexpr size_t kHeapStep = size_t{256} << 20;
// The largest block the allocator takes from the heap rather than mapping on
// its own (its own limit on 64-bit systems).
constexpr int kLargestHeapBlock = 32 << 20;
constexpr uintptr_t kLargePage = uintptr_t{2} << 20;

bool unlimited(int resource) {
  rlimit limit{};
  return getrlimit(resource, &limit) == 0 && limit.rlim_cur == RLIM_INFINITY;
}

// Steps of heap only reserve addresses, and pages are taken as they are
// written; but where memory is limited or every reservation is counted
// against a commit limit, a large step could fail where a small block would
// not, so the heap is left as it is.
bool stepsAreFree() {
  if (!unlimited(RLIMIT_AS) || !unlimited(RLIMIT_DATA)) return false;
  std::ifstream policy("/proc/sys/vm/overcommit_memory");
  int mode = 0;
  return !(policy >> mode) || mode != 2;
}

}  // namespace

void preferLargeHeapPages() {
#if defined(MADV_HUGEPAGE) && defined(M_TOP_PAD)
  if (!stepsAreFree()) return;
  // Freed memory at the top stays (a trimmed heap would grow again without
  // the advice), and blocks up to 32 MB come from the heap.
  mallopt(M_TOP_PAD, static_cast<int>(kHeapStep));
  mallopt(M_TRIM_THRESHOLD, static_cast<int>(2 * kHeapStep));
  mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock);
  // A block larger than what the heap has left makes the allocator take a
  // step; the advice then covers it.
  void* block = malloc(kLargePage);
  if (block == nullptr) return;
  auto start = (reinterpret_cast<uintptr_t>(block) + kLargePage - 1) & ~(kLargePage - 1);
  free(block);
  auto end = reinterpret_cast<uintptr_t>(sbrk(0));
  if (end > start && end - start >= kLargePage)
    madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);  // a hint: failure changes nothing
#endif
}
