// A global allocator for tests that fails on request: a test arms it, and the
// allocation it names throws std::bad_alloc, as when memory runs out.
#ifndef ZUNT_TESTS_FAILING_ALLOCATOR_H_
#define ZUNT_TESTS_FAILING_ALLOCATOR_H_

namespace zunt {

/// Makes the allocation after the next `allocations` fail; with forGood every
/// later one fails too, until StopFailing.
void FailAllocationsAfter(long allocations, bool forGood);

/// Lets every allocation succeed again; returns whether one failed.
bool StopFailing();

}  // namespace zunt

#endif  // ZUNT_TESTS_FAILING_ALLOCATOR_H_
