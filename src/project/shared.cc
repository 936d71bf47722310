#include "project/shared.h"

#include <algorithm>
#include <new>

#include "cursor/wide.h"

#include "base/cp1251.h"

namespace zunt {

std::unique_ptr<TSharedDeclarations> ReadShared(TPlatform& platform,
                                                const std::vector<std::string>& files,
                                                bool warnings, TWarningSet wanted, bool places) {
  auto shared = std::make_unique<TSharedDeclarations>();
  shared->Files = files;
  TRun run;
  run.State.Rekey(platform.HashSeed());
  TDiagnostics& diagnostics = run.State.Diagnostics;
  diagnostics.Warnings = warnings;
  diagnostics.Wanted = wanted;
  run.State.Vars.KeepValues(diagnostics.Looks(TWarning::Alias) ||
                            diagnostics.Looks(TWarning::Overlap));
  try {
    for (const std::string& path : files) ReadDeclarationsFile(platform, path, run);
  } catch (const TFail& fail) {
    diagnostics.Add(fail);
    shared->Failed = true;
  } catch (const std::bad_alloc&) {
    diagnostics.Items.emplace_back(Win1251("Недостаточно памяти для компиляции!"));
    shared->Failed = true;
  }
  diagnostics.StartFile({});  // the last file's note of warnings not shown
  shared->Reports = std::move(diagnostics.Items);
  shared->Errors = diagnostics.Errors;
  shared->Warnings = diagnostics.WarningCount;
  shared->Vars = std::move(run.State.Vars);
  shared->Constants = std::move(run.State.Constants);
  if (places) {
    shared->Vars.KeepPlaces();
    shared->Constants.KeepPlaces();
  }
  return shared;
}

namespace {

// The folder of a path (with its last separator) and its name after it.
std::pair<std::string, std::string_view> SplitPath(std::string_view path,
                                                   std::string_view separators) {
  size_t end = path.find_last_of(separators);
  if (end == std::string_view::npos) return {std::string(), path};
  return {std::string(path.substr(0, end + 1)), path.substr(end + 1)};
}

// Names in a folder: exactly, or without regard to Latin case where the
// system does so (Windows, whose paths take "\\").
bool SameName(std::string_view a, std::string_view b, bool foldCase) {
  if (!foldCase) return a == b;
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

bool IsShared(TPlatform& platform, const TSharedDeclarations& shared, const std::string& path) {
  std::string_view separators = platform.PathSeparators();
  bool foldCase = separators.find('\\') != std::string_view::npos;
  auto [folder, name] = SplitPath(path, separators);
  TFolderId id;
  bool known = false;
  for (const std::string& file : shared.Files) {
    auto [otherFolder, otherName] = SplitPath(file, separators);
    if (!SameName(name, otherName, foldCase)) continue;
    if (!known && !platform.IdentifyFolder(folder, &id)) return false;
    known = true;
    TFolderId otherId;
    if (platform.IdentifyFolder(otherFolder, &otherId) && otherId == id) return true;
  }
  return false;
}

void TQuotedFiles::Keep(const std::string& path, std::string_view bytes) {
  std::lock_guard<std::mutex> lock(Mutex);
  TFile& file = Files[path];
  file.Bytes = bytes;
  file.Read = true;
}

std::string TQuotedFiles::Line(TPlatform& platform, const std::string& path, uint64_t line) {
  std::lock_guard<std::mutex> lock(Mutex);
  auto [slot, added] = Files.try_emplace(path);
  TFile& file = slot->second;
  if (added && platform.Load(path, &file.Loaded) == TLoadStatus::Ok) {
    file.Bytes = file.Loaded->Bytes();
    file.Read = true;
  }
  if (!file.Read || line == 0) return {};
  std::string_view data = file.Bytes;
  // Marks up to the line, a block's line feeds counted at once.
  while (file.Marks.back().Line <= line && file.Marks.back().At < data.size()) {
    const TMark& last = file.Marks.back();
    size_t end = std::min(data.size(), last.At + kMarkEvery);
    size_t feed = data.find('\n', end);
    end = feed == std::string_view::npos ? data.size() : feed + 1;
    file.Marks.push_back(
        TMark{end, last.Line + fast::Count(data.data() + last.At, data.data() + end, '\n')});
  }
  auto mark = std::upper_bound(file.Marks.begin(), file.Marks.end(), line,
                               [](uint64_t n, const TMark& m) { return n < m.Line; });
  size_t at = std::prev(mark)->At;
  for (uint64_t n = std::prev(mark)->Line; n < line; ++n) {
    at = data.find('\n', at);
    if (at == std::string_view::npos) return {};
    ++at;
  }
  std::string_view rest = data.substr(at);
  rest = rest.substr(0, rest.find('\n'));
  if (!rest.empty() && rest.back() == '\r') rest.remove_suffix(1);
  return std::string(rest);
}

bool StartFrom(const TSharedDeclarations& shared, TRun& run) {
  TDiagnostics& diagnostics = run.State.Diagnostics;
  diagnostics.Items = shared.Reports;
  diagnostics.Errors = shared.Errors;
  diagnostics.WarningCount = shared.Warnings;
  if (!shared.Files.empty()) {
    run.State.Vars.ShareNamesOf(&shared.Vars);
    run.State.Constants.ShareNamesOf(&shared.Constants);
  }
  return !shared.Failed;
}

}  // namespace zunt
