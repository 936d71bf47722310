#include "driver/source_lines.h"

#include <memory>
#include <string>

namespace zunt {

std::string_view LineOfText(std::string_view data, uint64_t line) {
  size_t start = 0;
  for (uint64_t i = 1; i < line; ++i) {
    size_t feed = data.find('\n', start);
    if (feed == std::string_view::npos) return {};
    start = feed + 1;
  }
  size_t end = data.find('\n', start);
  if (end == std::string_view::npos) end = data.size();
  if (end > start && data[end - 1] == '\r') --end;
  return data.substr(start, end - start);
}

void FillSourceLines(TPlatform& platform, std::string_view loadedPath, std::string_view loaded,
                     std::vector<TFail>& reports) {
  std::string readPath;  // the file read last, kept for the notes after it
  std::unique_ptr<TInputFile> read;
  for (TFail& report : reports) {
    if (report.Severity != TSeverity::Note || report.Line == 0 || report.Column == 0 ||
        !report.SourceLine.empty() || report.File.empty()) {
      continue;
    }
    std::string_view bytes = loaded;
    if (report.File != loadedPath) {
      if (report.File != readPath) {
        readPath = report.File;
        if (platform.Load(readPath, &read) != TLoadStatus::Ok) read.reset();
      }
      if (!read) continue;
      bytes = read->Bytes();
    }
    report.Quote(LineOfText(bytes, report.Line), report.Column);
  }
}

}  // namespace zunt
