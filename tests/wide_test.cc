// The sixteen-byte searches against their plain versions, on the same bytes:
// a wrong lane, mask or tail is silent otherwise. The data always ends where
// its buffer ends, so that the sanitizers see any read past it.
#include "cursor/wide.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "cursor/fold.h"
#include "test_util.h"

namespace zunt {
namespace {

// Bytes in a buffer of exactly their size.
class TExact {
 public:
  explicit TExact(std::string_view bytes) : Size(bytes.size()), Bytes(new char[Size]) {
    std::memcpy(Bytes.get(), bytes.data(), Size);
  }
  const char* begin() const { return Bytes.get(); }
  const char* end() const { return Bytes.get() + Size; }
  std::string_view View() const { return {Bytes.get(), Size}; }

 private:
  size_t Size;
  std::unique_ptr<char[]> Bytes;
};

// Texts of 0 to 70 bytes drawn from each alphabet: ordinary text, the bytes
// the searches stop at, high bytes, and every byte.
std::vector<std::string> Texts() {
  std::string every;
  for (int b = 0; b < 256; ++b) every.push_back(static_cast<char>(b));
  const std::string alphabets[] = {
      "abcxyz",
      "ab$@(`~\n ",
      "aZ[]\n$@)",
      W("приветПРИВЕТёЁўЎ") + "a\n",
      "a\x80\xFF[",
      every,
      std::string("a =$@[)'\r\n\t\0", 12),
  };
  std::mt19937 random(13);
  std::vector<std::string> texts;
  for (const std::string& alphabet : alphabets) {
    for (int i = 0; i < 300; ++i) {
      std::string text(random() % 71, ' ');
      for (char& c : text) c = alphabet[random() % alphabet.size()];
      texts.push_back(text);
    }
  }
  return texts;
}

TEST(Wide, SearchesAgreeWithPlain) {
  const TStopBytes sets[] = {TStopBytes("$@(`~", '$'),  TStopBytes("$@(`~\n ", '$'),
                             TStopBytes("=\r$@", '\n'), TStopBytes("'", '\n'),
                             TStopBytes(")\r", '\n'),   TStopBytes(" ", '$')};
  for (const std::string& text : Texts()) {
    TExact data(text);
    std::string where = Readable(text);
    for (size_t from = 0; from <= text.size(); ++from) {
      for (const TStopBytes& stops : sets) {
        uint64_t plainCount = 5, wideCount = 5;
        ASSERT_EQ(plain::FindAny(data.View(), from, stops, &plainCount),
                  wide::FindAny(data.View(), from, stops, &wideCount))
            << where << " from " << from;
        ASSERT_EQ(plainCount, wideCount) << where << " from " << from;

        std::string plainOut(text.size() + 16, '#'), wideOut(text.size() + 16, '#');
        const char* plainStop =
            plain::CopyUntil(data.begin() + from, data.end(), &plainOut[0], stops);
        const char* wideStop = wide::CopyUntil(data.begin() + from, data.end(), &wideOut[0], stops);
        ASSERT_EQ(plainStop, wideStop) << where << " from " << from;
        size_t copied = static_cast<size_t>(plainStop - (data.begin() + from));
        ASSERT_EQ(plainOut.substr(0, copied), wideOut.substr(0, copied)) << where;
        ASSERT_EQ(text.substr(from, copied), wideOut.substr(0, copied)) << where;

        // A copy to a limit, which may read up to sixteen bytes past it.
        for (size_t limit = from + 1; limit + 16 <= text.size() && limit <= from + 40; ++limit) {
          plainStop =
              plain::CopyToStop(data.begin() + from, data.begin() + limit, &plainOut[0], stops);
          wideStop =
              wide::CopyToStop(data.begin() + from, data.begin() + limit, &wideOut[0], stops);
          ASSERT_EQ(plainStop, wideStop) << where << " from " << from << " to " << limit;
          copied = static_cast<size_t>(plainStop - (data.begin() + from));
          ASSERT_EQ(text.substr(from, copied), plainOut.substr(0, copied)) << where;
          ASSERT_EQ(text.substr(from, copied), wideOut.substr(0, copied)) << where;
        }
      }
      ASSERT_EQ(plain::FindHighByte(data.View(), from), wide::FindHighByte(data.View(), from))
          << where << " from " << from;
      std::string plainSqueezed = text.substr(from), wideSqueezed = text.substr(from);
      plainSqueezed.resize(static_cast<size_t>(
          plain::SqueezeBlanks(plainSqueezed.data(), plainSqueezed.data() + plainSqueezed.size()) -
          plainSqueezed.data()));
      wideSqueezed.resize(static_cast<size_t>(
          wide::SqueezeBlanks(wideSqueezed.data(), wideSqueezed.data() + wideSqueezed.size()) -
          wideSqueezed.data()));
      ASSERT_EQ(plainSqueezed, wideSqueezed) << where << " from " << from;
      for (char b : {'\n', 'a', '\xFF'}) {
        ASSERT_EQ(plain::Count(data.begin() + from, data.end(), b),
                  wide::Count(data.begin() + from, data.end(), b))
            << where << " from " << from;
      }
    }
  }
}

// Long texts: the counts add up past 255 blocks, where a lane would overflow.
TEST(Wide, CountsAgreeOnLongTexts) {
  for (size_t period : {1, 2, 7, 16}) {
    std::string text;
    for (size_t i = 0; i < 20000; ++i) text.push_back(i % period == 0 ? '\n' : 'x');
    TExact data(text);
    uint64_t plainCount = 0, wideCount = 0;
    const TStopBytes stops("$", '\n');
    EXPECT_EQ(plain::FindAny(data.View(), 3, stops, &plainCount),
              wide::FindAny(data.View(), 3, stops, &wideCount));
    EXPECT_EQ(plainCount, wideCount) << period;
    EXPECT_EQ(plain::Count(data.begin(), data.end(), '\n'),
              wide::Count(data.begin(), data.end(), '\n'))
        << period;
  }
}

TEST(Wide, NameStopsAndKeysAgreeWithPlain) {
  for (const std::string& text : Texts()) {
    std::string where = Readable(text);
    // Every start, and every end of the data from there: names cut by the end.
    for (size_t from = 0; from < text.size() && from < 24; ++from) {
      for (size_t size = from; size <= text.size() && size <= from + 18; ++size) {
        TExact data(std::string_view(text).substr(0, size));
        for (char close : {'$', '@', ')'}) {
          TNameStops a = plain::FindNameStops(data.begin() + from, data.end(), close);
          TNameStops b = wide::FindNameStops(data.begin() + from, data.end(), close);
          ASSERT_EQ(a.Close, b.Close) << where << " " << from << " " << size;
          ASSERT_EQ(a.Bracket, b.Bracket) << where << " " << from << " " << size;
          ASSERT_EQ(a.Square, b.Square) << where << " " << from << " " << size;
        }
        if (size - from >= 16) {
          for (char close : {'$', '@', ')'}) {
            TShortName a = plain::ShortName(data.begin() + from, TLanes(close));
            TShortName b = wide::ShortName(data.begin() + from, TLanes(close));
            ASSERT_EQ(a.Stop, b.Stop) << where << " " << from;
            ASSERT_EQ(a.Key, b.Key) << where << " " << from;
          }
        }
        size_t n = std::min<size_t>(16, size - from);
        TKey key = wide::KeyOf(data.begin() + from, n, data.end());
        ASSERT_EQ(plain::KeyOf(data.begin() + from, n, data.end()), key) << where;
        // The key is the name folded by kFoldCase, zeros after it.
        unsigned char bytes[16] = {};
        for (size_t i = 0; i < n; ++i)
          bytes[i] = kFoldCase[static_cast<unsigned char>(text[from + i])];
        TKey expected;
        std::memcpy(&expected.Lo, bytes, 8);
        std::memcpy(&expected.Hi, bytes + 8, 8);
        ASSERT_EQ(expected, key) << where << " " << from << " " << n;
      }
    }
  }
}

// The stops of the plain declaration lines, with and without the blanks, from
// every start and with the data cut at every end.
TEST(Wide, BytesBeforeAgreesWithPlain) {
  const TStopBytes sets[] = {TStopBytes("=$@[", '\n'), TStopBytes(")\r\n", '\n'),
                             TStopBytes(std::string_view("'\r\n\0", 4), '\n')};
  for (const std::string& text : Texts()) {
    for (size_t from = 0; from < text.size() && from < 24; ++from) {
      for (size_t size = from; size <= text.size() && size <= from + 18; ++size) {
        TExact data(std::string_view(text).substr(0, size));
        for (const TStopBytes& stops : sets) {
          for (bool blanks : {false, true}) {
            ASSERT_EQ(plain::BytesBefore(data.begin() + from, data.end(), stops, blanks),
                      wide::BytesBefore(data.begin() + from, data.end(), stops, blanks))
                << Readable(text) << " " << from << " " << size << " " << blanks;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace zunt
