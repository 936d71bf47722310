// A mod's settings file seen from the editor: what reading it reported, and
// which scripts read a declarations file that the mod includes.
#include <set>

#include "server/reports.h"
#include "server/session.h"

namespace zunt {
namespace {

// Returns how many UTF-16 units the first `characters` characters of a UTF-8
// line take; a byte that starts no character counts as one.
size_t Utf16Units(std::string_view line, size_t characters, size_t* bytes) {
  size_t units = 0, at = 0;
  for (; characters != 0 && at < line.size(); --characters) {
    unsigned char lead = static_cast<unsigned char>(line[at]);
    size_t size = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    units += size == 4 ? 2 : 1;
    at += size;
  }
  *bytes = at < line.size() ? at : line.size();
  return units;
}

// Returns the diagnostic of a report about the settings file: from its
// column over the word there.
TJson ProjectDiagnostic(const TFail& report, std::string_view text) {
  uint64_t line = report.Line == 0 ? 0 : report.Line - 1;
  std::string_view source = report.Line == 0 ? std::string_view() : LineOf(text, report.Line);
  size_t at = 0;
  size_t begin = Utf16Units(source, report.Column == 0 ? 0 : report.Column - 1, &at);
  size_t word = 0;
  while (at + word < source.size() && source[at + word] != ' ' && source[at + word] != '\t' &&
         source[at + word] != '\r') {
    ++word;
  }
  size_t end = begin + Utf16Units(source.substr(at), word == 0 ? 1 : word, &word);
  if (report.Line == 0) end = 0;
  int severity = report.Severity == TSeverity::Error     ? 1
                 : report.Severity == TSeverity::Warning ? 2
                                                         : 3;
  TJson position{{"line", line}, {"character", begin}};
  return TJson{{"range", {{"start", position}, {"end", {{"line", line}, {"character", end}}}}},
               {"severity", severity},
               {"source", "zunt"},
               {"code", "project-settings"},
               {"message", MessageOf(report)}};
}

}  // namespace

void TSession::PublishProject(const std::string& file, bool asked) {
  TServerProject* project = Workspace.Projects().Of(file);
  if (!project || project->File != file) {
    if (asked) PublishList(file, TJson::array());  // gone, or no settings file of a project
    return;
  }
  if (project->Published && !asked) return;
  project->Published = true;
  // Read again at a script's request: the mod's other open scripts are due.
  for (auto& [script, analysis] : Analyses.All()) {
    if (analysis->ProjectFile == file && analysis->ProjectGeneration != project->Generation &&
        Workspace.Find(script)) {
      Due.insert(script);
    }
  }
  TJson list = TJson::array();
  for (const TFail& report : project->Reports) {
    list.push_back(ProjectDiagnostic(report, project->Project.Text));
  }
  PublishList(file, std::move(list));
}

std::string TSession::ScriptFor(const std::string& declarations) {
  std::string own = WithExtension(declarations, ".erm");
  uint64_t generation = 0;
  if (Workspace.Text(own, &generation)) return own;
  std::vector<std::string> scripts = ScriptsReading(declarations, std::string());
  return scripts.empty() ? std::string() : scripts.front();
}

}  // namespace zunt
