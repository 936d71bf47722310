#include "server/transport.h"

#include <algorithm>
#include <cstring>

namespace zunt {
namespace {

constexpr size_t kReadSize = 64 << 10;
// Of a line longer than twice this, only this many bytes at its end are kept.
constexpr size_t kMaxHeaderLine = 4096;

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] | 0x20) : a[i];
    char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] | 0x20) : b[i];
    if (x != y) return false;
  }
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Reads a decimal length (one too large for 64 bits reads as the largest);
// false for anything else.
bool ParseLength(std::string_view text, uint64_t* length) {
  text = TrimBlanks(text);
  if (text.empty()) return false;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    uint64_t digit = static_cast<uint64_t>(c - '0');
    value = value > (UINT64_MAX - digit) / 10 ? UINT64_MAX : value * 10 + digit;
  }
  *length = value;
  return true;
}

}  // namespace

size_t TMemoryInput::Read(char* to, size_t most) {
  size_t n = std::min({most, Step, Bytes.size()});
  std::memcpy(to, Bytes.data(), n);
  Bytes.remove_prefix(n);
  return n;
}

bool TFrameReader::Fill() {
  if (At < Buffer.size()) return true;
  Buffer.resize(kReadSize);
  At = 0;
  size_t n = Input.Read(Buffer.data(), Buffer.size());
  Buffer.resize(n);
  return n != 0;
}

bool TFrameReader::ReadLine(std::string* line) {
  line->clear();
  while (Fill()) {
    const char* begin = Buffer.data() + At;
    size_t available = Buffer.size() - At;
    const void* lf = std::memchr(begin, '\n', available);
    size_t n = lf ? static_cast<size_t>(static_cast<const char*>(lf) - begin) : available;
    // Of a long line only the end is kept: a frame's header may follow the
    // rest of a skipped body on the same line.
    line->append(begin, n);
    if (line->size() > 2 * kMaxHeaderLine) line->erase(0, line->size() - kMaxHeaderLine);
    At += n;
    if (lf) {
      ++At;
      if (!line->empty() && line->back() == '\r') line->pop_back();
      return true;
    }
  }
  return !line->empty();
}

bool TFrameReader::Take(uint64_t n, std::string* body, uint64_t keep) {
  body->reserve(static_cast<size_t>(std::min(n, keep)));
  while (n != 0) {
    if (!Fill()) return false;
    size_t part = static_cast<size_t>(std::min<uint64_t>(n, Buffer.size() - At));
    if (body->size() < keep) {
      body->append(Buffer.data() + At,
                   static_cast<size_t>(std::min<uint64_t>(part, keep - body->size())));
    }
    At += part;
    n -= part;
  }
  return true;
}

TFrame TFrameReader::Next() {
  TFrame frame;
  if (Broken) return frame;
  std::string line;
  bool haveLength = false;
  bool badLength = false;
  bool anyHeader = false;
  bool lengthSeen = false;
  uint64_t length = 0;
  while (true) {
    if (!ReadLine(&line)) {
      frame.Status = TFrameStatus::End;
      if (anyHeader) frame.Error = "the input ended inside a message's header";
      return frame;
    }
    if (line.empty()) {
      if (!anyHeader) continue;  // blank lines between messages
      break;
    }
    // A line that is no header may hold the next frame's header after the
    // rest of a frame that was skipped.
    size_t name = line.find("Content-Length:");
    if (name == std::string::npos) {
      for (size_t i = 0; i + 15 <= line.size() && name == std::string::npos; ++i) {
        if (EqualsIgnoringCase(std::string_view(line).substr(i, 15), "content-length:")) name = i;
      }
    }
    if (name != std::string::npos) {
      anyHeader = true;
      uint64_t value = 0;
      bool valid = ParseLength(std::string_view(line).substr(name + 15), &value);
      // A second length that differs leaves no way to tell where the body ends.
      if (lengthSeen && (valid != haveLength || value != length)) {
        return BrokenFrame("a message's header has two different Content-Length values");
      }
      lengthSeen = true;
      haveLength = valid;
      badLength = !valid;
      length = value;
      continue;
    }
    size_t colon = line.find(':');
    if (colon != std::string::npos && colon > 0 && line.find('{') == std::string::npos) {
      anyHeader = true;  // another header, such as Content-Type
    }
  }
  if (!haveLength) {
    frame.Status = TFrameStatus::Skipped;
    frame.Error = badLength ? "a message's Content-Length is not a length"
                            : "a message's header has no Content-Length";
    return frame;
  }
  frame.Length = length;
  if (length > Trusted) {
    return BrokenFrame("a message's Content-Length of " + std::to_string(length) +
                       " bytes is more than any message can be");
  }
  if (length > Limit) {
    frame.Status = TFrameStatus::TooLarge;
    frame.Error = "a message of " + std::to_string(length) + " bytes is larger than the limit of " +
                  std::to_string(Limit) + " bytes: skipped";
    if (!Take(length, &frame.Body, kSkippedHead)) {
      frame.Status = TFrameStatus::End;
      frame.Error += "; the input ended inside it";
      frame.Body.clear();
    }
    return frame;
  }
  if (!Take(length, &frame.Body, length)) {
    frame.Status = TFrameStatus::End;
    frame.Error = "the input ended inside a message of " + std::to_string(length) + " bytes";
    frame.Body.clear();
    return frame;
  }
  frame.Status = TFrameStatus::Message;
  return frame;
}

TFrame TFrameReader::BrokenFrame(std::string error) {
  Broken = true;
  TFrame frame;
  frame.Status = TFrameStatus::Broken;
  frame.Error = std::move(error);
  return frame;
}

std::string FrameMessage(std::string_view body) {
  std::string frame = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  frame += body;
  return frame;
}

}  // namespace zunt
