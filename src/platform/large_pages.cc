// Memory for the POSIX program: every block of 2 MiB or more is placed on
// 2 MiB pages. A run touches its large buffers (the output, the name tables)
// once each, and taking a page fault per 4 KiB of them costs more than the
// work done in them.
#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <new>

void* operator new(std::size_t size) {
  constexpr std::size_t kHugePage = std::size_t{2} << 20;
  if (size >= kHugePage) {
    // Aligned and whole pages, so that every page of the block can be large.
    std::size_t rounded = (size + kHugePage - 1) & ~(kHugePage - 1);
    if (void* block = std::aligned_alloc(kHugePage, rounded)) {
      madvise(block, rounded, MADV_HUGEPAGE);  // only advice
      return block;
    }
  }
  void* block = std::malloc(size != 0 ? size : 1);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}
