// The output of a run as it is built: bytes appended at the end of one buffer
// that grows when it must.
#ifndef ZUNT_TRANSLATOR_OUTPUT_H_
#define ZUNT_TRANSLATOR_OUTPUT_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

namespace zunt {

class TOutput {
 public:
  /// Appends bytes.
  void Append(std::string_view bytes) {
    size_t n = bytes.size();
    if (n > Capacity - Size) Grow(n);
    CopyShort(Data.get() + Size, bytes.data(), n);
    Size += n;
  }
  /// Makes room for n more bytes; returns where they go. Commit tells how
  /// many of them were written.
  char* Room(size_t n) {
    if (n > Capacity - Size) Grow(n);
    return Data.get() + Size;
  }
  /// Makes n bytes written into the room part of the output.
  void Commit(size_t n) { Size += n; }
  /// Appends the first n (at most 16) of the sixteen bytes at from, with one
  /// store of all sixteen; the ones past n fall in the room after the output.
  void AppendShort(const char* from, size_t n) {
    char* at = Room(16);
    std::memcpy(at, from, 16);
    Size += n;
  }
  /// Appends one byte.
  void Push(char byte) {
    if (Size == Capacity) Grow(1);
    Data[Size++] = byte;
  }

  /// Makes room for capacity bytes in all, so that appending up to there never moves them.
  void Reserve(size_t capacity) {
    if (capacity > Capacity) Grow(capacity - Size);
  }
  /// Forgets the bytes; the buffer is kept.
  void Clear() { Size = 0; }
  /// Forgets the bytes and gives the buffer back.
  void Release() {
    Data.reset();
    Size = 0;
    Capacity = 0;
  }

  /// Copies n bytes, without a call for the few bytes of a name or a number:
  /// two copies that may overlap cover anything from 4 to 16 bytes.
  static void CopyShort(char* to, const char* from, size_t n) {
    if (n >= 8 && n <= 16) {
      uint64_t head, tail;
      std::memcpy(&head, from, 8);
      std::memcpy(&tail, from + n - 8, 8);
      std::memcpy(to, &head, 8);
      std::memcpy(to + n - 8, &tail, 8);
    } else if (n >= 4 && n < 8) {
      uint32_t head, tail;
      std::memcpy(&head, from, 4);
      std::memcpy(&tail, from + n - 4, 4);
      std::memcpy(to, &head, 4);
      std::memcpy(to + n - 4, &tail, 4);
    } else if (n < 4) {
      for (size_t i = 0; i < n; ++i) to[i] = from[i];
    } else {
      std::memcpy(to, from, n);
    }
  }

  /// Returns the bytes appended so far.
  std::string_view View() const { return {Data.get(), Size}; }
  size_t size() const { return Size; }

 private:
  // Moves the bytes to a buffer with room for at least `more` after them.
  void Grow(size_t more) {
    size_t capacity = Capacity * 2 > Size + more ? Capacity * 2 : Size + more;
    std::unique_ptr<char[]> data(new char[capacity]);
    if (Size != 0) std::memcpy(data.get(), Data.get(), Size);
    Data = std::move(data);
    Capacity = capacity;
  }

  std::unique_ptr<char[]> Data;
  size_t Size = 0;
  size_t Capacity = 0;
};

}  // namespace zunt

#endif  // ZUNT_TRANSLATOR_OUTPUT_H_
