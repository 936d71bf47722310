#include "platform/posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "driver/cp1251.h"
#include "driver/fail.h"

namespace zunt {
namespace {

// Converts Windows-1251 message text to UTF-8 with every CR LF written as LF.
std::string TerminalLines(std::string_view text) {
  std::string out;
  for (size_t at = 0; at < text.size();) {
    size_t crlf = text.find("\r\n", at);
    size_t end = crlf == std::string_view::npos ? text.size() : crlf;
    out += Utf8FromWin1251(text.substr(at, end - at));
    if (crlf == std::string_view::npos) break;
    out += '\n';
    at = crlf + 2;
  }
  return out;
}

// Writes all of data to fd; returns false on an error or a short write.
bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

TFileKind TPosixPlatform::Probe(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return TFileKind::Missing;
  return S_ISREG(st.st_mode) ? TFileKind::Regular : TFileKind::Other;
}

TLoadStatus TPosixPlatform::Load(const std::string& path, std::string* data) {
  data->clear();
  // O_NONBLOCK: should the path have become a pipe since Probe, opening it must not wait.
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return TLoadStatus::CannotOpen;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return TLoadStatus::CannotOpen;
  }
  uint64_t size = static_cast<uint64_t>(st.st_size);
  TLoadStatus status = TLoadStatus::Ok;
  try {
    if (size > MaxInputSize) throw std::bad_alloc();
    data->resize(size);
    size_t got = 0;
    while (got < size) {
      ssize_t n = read(fd, data->data() + got, size - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    if (got < size) status = TLoadStatus::ReadShort;
  } catch (const std::bad_alloc&) {
    status = TLoadStatus::ReadShort;
  }
  close(fd);
  if (status != TLoadStatus::Ok) data->clear();
  return status;
}

TWriteStatus TPosixPlatform::WriteOutput(const std::string& path, std::string_view data) {
  // Write a hidden temporary file beside the output, then rename it over the
  // output: the old output stays whole until the new one is complete.
  size_t slash = path.rfind('/');
  size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  std::string temp = path.substr(0, nameStart) + "." + path.substr(nameStart) + ".XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) return TWriteStatus::CannotCreate;

  mode_t mask = umask(0);
  umask(mask);
  bool written = fchmod(fd, 0666 & ~mask) == 0 && WriteAll(fd, data) && fsync(fd) == 0;
  if (close(fd) != 0) written = false;
  if (!written) {
    unlink(temp.c_str());
    return TWriteStatus::CannotWrite;
  }
  if (rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    return TWriteStatus::CannotCreate;
  }
  return TWriteStatus::Ok;
}

std::string TerminalText(const TFail& fail) {
  std::string text(kCaption);
  text += '\n';
  text += TerminalLines(fail.BeforePath());
  text += fail.Path();
  text += TerminalLines(fail.AfterPath());
  text += '\n';
  return text;
}

void TPosixPlatform::ShowFailure(const TFail& fail) {
  std::string text = TerminalText(fail);
  WriteAll(STDERR_FILENO, text);
}

}  // namespace zunt
