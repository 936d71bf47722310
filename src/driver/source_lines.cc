#include "driver/source_lines.h"

#include <algorithm>
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

void FillSourceLines(TPlatform& platform, const std::vector<TLoadedText>& loaded,
                     std::vector<TFail>& reports, const TSharedDeclarations* shared) {
  TQuotedFiles read;  // the other files, for these reports alone
  for (const TLoadedText& text : loaded) {
    if (!text.Path.empty()) read.Keep(text.Path, text.Bytes);
  }
  for (TFail& report : reports) {
    if (report.Severity != TSeverity::Note || report.Line == 0 || report.Column == 0 ||
        !report.SourceLine.empty() || report.File.empty()) {
      continue;
    }
    bool kept = shared && std::find(shared->Files.begin(), shared->Files.end(), report.File) !=
                              shared->Files.end();
    report.Quote((kept ? shared->Quoted : read).Line(platform, report.File, report.Line),
                 report.Column);
  }
}

}  // namespace zunt
