// A list of items in the order they were added, stored in blocks that double
// in size and are never moved: adding never copies what is there, and an
// item's address stays the same until the list is cleared.
#ifndef ZUNT_SYMBOLS_BLOCK_LIST_H_
#define ZUNT_SYMBOLS_BLOCK_LIST_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace zunt {

template <class T>
class TBlockList {
  static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);

 public:
  TBlockList() = default;
  TBlockList(const TBlockList&) = delete;
  TBlockList& operator=(const TBlockList&) = delete;
  ~TBlockList() {
    clear();
    for (size_t b = 0; b < Blocks.size(); ++b) {
      ::operator delete(Blocks[b]);
    }
  }

  /// Returns the number of items.
  size_t size() const { return Size; }
  /// Returns whether there are no items.
  bool empty() const { return Size == 0; }

  /// Returns the item at index i (below size()).
  const T& operator[](size_t i) const { return *Address(i); }

  /// Returns a handle of the item at index i: its block and its place in the
  /// block, which At() turns back into the item in two steps.
  static uint32_t Handle(size_t i) {
    size_t b = BlockOf(i);
    return static_cast<uint32_t>(b << kPlaceBits | (i - kFirst * ((size_t{1} << b) - 1)));
  }
  /// Returns the item that a handle stands for.
  const T& At(uint32_t handle) const { return Blocks[handle >> kPlaceBits][handle & kPlaceMask]; }

  /// Appends an item made from args; returns it.
  template <class... TArgs>
  T& emplace_back(TArgs&&... args) {
    if (Size == Capacity()) {
      if (Blocks.size() == kMaxBlocks) throw std::bad_alloc();
      size_t bytes = BlockSize(Blocks.size()) * sizeof(T);
      Blocks.push_back(static_cast<T*>(::operator new(bytes)));
    }
    T* item = new (Address(Size)) T(std::forward<TArgs>(args)...);
    ++Size;
    return *item;
  }

  /// Removes all items; the blocks are kept for the next ones.
  void clear() {
    for (size_t i = 0; i < Size; ++i) Address(i)->~T();
    Size = 0;
  }

  /// Iteration in the order the items were added.
  class const_iterator {
   public:
    const_iterator(const TBlockList* list, size_t i) : List(list), I(i) {}
    const T& operator*() const { return (*List)[I]; }
    const_iterator& operator++() {
      ++I;
      return *this;
    }
    bool operator!=(const const_iterator& other) const { return I != other.I; }

   private:
    const TBlockList* List;
    size_t I;
  };
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, Size}; }

 private:
  // Block b holds kFirst << b items; blocks 0..b-1 hold kFirst * (2^b - 1).
  static constexpr size_t kFirst = 16;
  static size_t BlockSize(size_t b) { return kFirst << b; }
  size_t Capacity() const { return kFirst * ((size_t{1} << Blocks.size()) - 1); }

  // A handle keeps the block in its top five bits and the place below them,
  // which limits the list to 24 blocks (2^28 - 16 items).
  static constexpr int kPlaceBits = 27;
  static constexpr uint32_t kPlaceMask = (uint32_t{1} << kPlaceBits) - 1;
  static constexpr size_t kMaxBlocks = 24;

  static size_t BlockOf(size_t i) {
    return static_cast<size_t>(std::bit_width(i / kFirst + 1)) - 1;
  }

  T* Address(size_t i) const {
    size_t b = BlockOf(i);
    return Blocks[b] + (i - kFirst * ((size_t{1} << b) - 1));
  }

  std::vector<T*> Blocks;
  size_t Size = 0;
};

}  // namespace zunt

#endif  // ZUNT_SYMBOLS_BLOCK_LIST_H_
