// Messages framed as the Language Server Protocol frames them: header lines
// ("Content-Length: N", CR LF each), an empty line, then N bytes of JSON.
#ifndef ZUNT_SERVER_TRANSPORT_H_
#define ZUNT_SERVER_TRANSPORT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zunt {

/// Where messages come from: a pipe, a file, or bytes in memory.
class TByteInput {
 public:
  virtual ~TByteInput() = default;
  /// Reads up to `most` bytes; returns how many, 0 at the end of the input.
  virtual size_t Read(char* to, size_t most) = 0;
};

/// Bytes in memory as an input, handed out a few at a time when asked.
class TMemoryInput final : public TByteInput {
 public:
  explicit TMemoryInput(std::string_view bytes, size_t step = SIZE_MAX)
      : Bytes(bytes), Step(step) {}
  size_t Read(char* to, size_t most) override;

 private:
  std::string_view Bytes;
  size_t Step;
};

/// The largest message body taken; a longer one is skipped.
inline constexpr uint64_t kMaxMessageSize = uint64_t{256} << 20;
/// A Content-Length above this is no message a client sends: the stream
/// cannot be trusted any more.
inline constexpr uint64_t kMaxTrustedLength = uint64_t{1} << 30;
/// How much of a skipped body's start is kept, to tell what it was about.
inline constexpr size_t kSkippedHead = 64 << 10;

/// What reading the next message gave.
enum class TFrameStatus {
  Message,   // Body holds the message
  Skipped,   // a faulty frame was passed over; Error says what was wrong
  TooLarge,  // a body over the limit was read past; Body holds its start, Length its size
  Broken,    // the framing cannot be trusted (a huge length, two that differ): Error says why
  End,       // the input ended (Error says so when it ended inside a frame)
};

struct TFrame {
  TFrameStatus Status = TFrameStatus::End;
  std::string Body;
  uint64_t Length = 0;  // the Content-Length
  std::string Error;    // for the log
};

/// Reads framed messages one after another. A frame with a bad or missing
/// Content-Length is skipped up to the next header that names one; a body
/// over the limit is read past and dropped. After a Broken frame nothing
/// more is read.
class TFrameReader {
 public:
  explicit TFrameReader(TByteInput& input, uint64_t limit = kMaxMessageSize,
                        uint64_t trusted = kMaxTrustedLength)
      : Input(input), Limit(limit), Trusted(trusted) {}
  /// Returns the next message, a skipped frame, or the end.
  TFrame Next();

 private:
  // Reads one header line without its line end; false at the end of the input.
  bool ReadLine(std::string* line);
  // Makes at least one unread byte available; false at the end of the input.
  bool Fill();
  // Returns a Broken frame, after which nothing more is read.
  TFrame BrokenFrame(std::string error);
  // Takes n bytes of the body, keeping the first `keep` of them in *body;
  // returns false when the input ends first.
  bool Take(uint64_t n, std::string* body, uint64_t keep);

  TByteInput& Input;
  uint64_t Limit;
  uint64_t Trusted;
  bool Broken = false;
  std::string Buffer;
  size_t At = 0;  // the first unread byte of Buffer
};

/// Returns the frame of a message body.
std::string FrameMessage(std::string_view body);

}  // namespace zunt

#endif  // ZUNT_SERVER_TRANSPORT_H_
