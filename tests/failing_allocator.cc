#include "failing_allocator.h"

#include <cstdlib>
#include <new>

namespace {

long gAllocationsLeft = -1;  // before the one that fails; -1: none fails
bool gFailForGood = false;
bool gFailed = false;

}  // namespace

void* operator new(std::size_t size) {
  if (gAllocationsLeft == 0) {
    gFailed = true;
    if (!gFailForGood) gAllocationsLeft = -1;
    throw std::bad_alloc();
  }
  if (gAllocationsLeft > 0) --gAllocationsLeft;
  if (void* block = std::malloc(size != 0 ? size : 1)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace zunt {

void FailAllocationsAfter(long allocations, bool forGood) {
  gFailForGood = forGood;
  gFailed = false;
  gAllocationsLeft = allocations;
}

bool StopFailing() {
  gAllocationsLeft = -1;
  return gFailed;
}

}  // namespace zunt
