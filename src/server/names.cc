#include "server/names.h"

#include <algorithm>
#include <charconv>

#include "cursor/fold.h"
#include "symbols/var.h"

namespace zunt {

std::pair<size_t, size_t> NameOnLine(const TText& text, uint64_t line, uint64_t column,
                                     std::string_view name) {
  if (line == 0 || name.empty()) return {0, 0};
  const std::string& bytes = text.Bytes();
  size_t lineEnd = bytes.find('\n', text.OffsetOfReport(line, 1));
  if (lineEnd == std::string::npos) lineEnd = bytes.size();
  // A constant's place is its "(", a variable's may be blanks before the name.
  for (size_t at = text.OffsetOfReport(line, column); at + name.size() <= lineEnd; ++at) {
    if (SameName(std::string_view(bytes).substr(at, name.size()), name)) {
      return {at, at + name.size()};
    }
    if (bytes[at] != '(' && bytes[at] != ' ' && bytes[at] != '\t') break;
  }
  return {0, 0};
}

namespace {

// Returns where an entry was declared, given its file's text as the
// workspace holds it now and that text's generation (text may be nullptr).
TSite SiteIn(const TText* text, uint64_t generation, const TAnalysis& analysis, bool constant,
             size_t entry) {
  TSite site;
  const TInput* input = TAnalyses::InputOf(analysis, constant, entry);
  if (!input) return site;
  site.Path = input->Path;
  const TSymbolTable& table = constant ? analysis.State.Constants : analysis.State.Vars;
  TSymbolTable::TSite kept = table.SiteAt(entry);
  // A file changed since the tables were read keeps its names' places no more.
  if (kept.Line == 0 || !text || generation != input->Generation) return site;
  auto [begin, end] = NameOnLine(*text, kept.Line, kept.Column, table.Name(table.At(entry)));
  if (begin == end) return site;
  site.Begin = begin;
  site.End = end;
  site.Line = kept.Line;
  return site;
}

}  // namespace

TSite SiteOf(TWorkspace& workspace, const TAnalysis& analysis, bool constant, size_t entry) {
  const TInput* input = TAnalyses::InputOf(analysis, constant, entry);
  uint64_t generation = 0;
  const TText* text = input ? workspace.Text(input->Path, &generation) : nullptr;
  return SiteIn(text, generation, analysis, constant, entry);
}

namespace {

// Calls visit(constant, entry) for each entry of the tables that the
// declarations file at path gave, variables first.
template <typename TVisit>
void ForEachDeclaredIn(const TAnalysis& analysis, const std::string& path, TVisit visit) {
  size_t vars = 0;
  size_t constants = 0;
  for (const TInput& input : analysis.Inputs) {
    if (input.Path == path) {
      for (size_t i = vars; i < input.VarsEnd && i < analysis.Globals; ++i) visit(false, i);
      for (size_t i = constants; i < input.ConstantsEnd; ++i) visit(true, i);
    }
    vars = input.VarsEnd;
    constants = input.ConstantsEnd;
  }
}

}  // namespace

std::vector<TDeclaredName> DeclaredIn(TWorkspace& workspace, const TAnalysis& analysis,
                                      const std::string& path) {
  std::vector<TDeclaredName> names;
  uint64_t generation = 0;
  const TText* text = workspace.Text(path, &generation);
  ForEachDeclaredIn(analysis, path, [&](bool constant, size_t i) {
    const TSymbolTable& table = constant ? analysis.State.Constants : analysis.State.Vars;
    names.push_back(TDeclaredName{std::string(table.Name(table.At(i))),
                                  std::string(table.Replacement(table.At(i))), constant,
                                  SiteIn(text, generation, analysis, constant, i), i});
  });
  return names;
}

std::optional<TDeclaredName> DeclaredAt(TWorkspace& workspace, const TAnalysis& analysis,
                                        const std::string& path, size_t offset) {
  uint64_t generation = 0;
  const TText* text = workspace.Text(path, &generation);
  if (!text) return std::nullopt;
  std::string_view bytes(text->Bytes());
  offset = std::min(offset, bytes.size());
  uint64_t line =
      1 + static_cast<uint64_t>(std::count(bytes.begin(), bytes.begin() + offset, '\n'));
  std::optional<TDeclaredName> found;
  ForEachDeclaredIn(analysis, path, [&](bool constant, size_t i) {
    const TSymbolTable& table = constant ? analysis.State.Constants : analysis.State.Vars;
    if (found || table.SiteAt(i).Line != line) return;
    TSite site = SiteIn(text, generation, analysis, constant, i);
    if (site.Line == 0 || offset < site.Begin || offset > site.End) return;
    found = TDeclaredName{std::string(table.Name(table.At(i))),
                          std::string(table.Replacement(table.At(i))), constant, site, i};
  });
  return found;
}

std::string ReferenceValue(std::string_view value, char mark, int32_t index) {
  if (value.empty()) return {};
  bool numberOnly = mark == '@';
  if (index == 0) return std::string(value.substr(numberOnly ? 1 : 0));
  TVar var = ParseVarValue(value);
  int32_t sum =
      static_cast<int32_t>(static_cast<uint32_t>(var.Number) + static_cast<uint32_t>(index));
  std::string text = numberOnly ? "" : std::string(1, value[0]);
  return text + std::to_string(sum);
}

TReferenceContext ReferenceContextAt(std::string_view bytes, size_t offset) {
  size_t start = offset;
  while (start > 0 && bytes[start - 1] != '\n') --start;
  TReferenceContext context;
  for (size_t i = start; i < offset; ++i) {
    char b = bytes[i];
    if (context.Mark == 0) {
      if (b == '$' || b == '@' || b == '(') context = TReferenceContext{b, i + 1};
    } else if (b == (context.Mark == '(' ? ')' : context.Mark)) {
      context = TReferenceContext{};
    }
  }
  return context;
}

std::string NameProblem(std::string_view name, bool constant) {
  if (name.empty()) return "имя не может быть пустым";
  if (constant) {
    if (name.find_first_of(")\r\n") != std::string_view::npos) {
      return "в имени константы не может быть «)» и перевода строки";
    }
    return {};
  }
  if (name.find_first_of("$@=[]();~`\r\n") != std::string_view::npos) {
    return "в имени переменной не может быть $ @ = [ ] ( ) ; ~ ` и перевода строки";
  }
  if (static_cast<unsigned char>(name.front()) <= 32 ||
      static_cast<unsigned char>(name.back()) <= 32) {
    return "имя переменной не может начинаться или кончаться пробелом";
  }
  return {};
}

bool StartsWithFolded(std::string_view folded, std::string_view text) {
  if (text.size() > folded.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (kFoldCase[static_cast<unsigned char>(folded[i])] !=
        kFoldCase[static_cast<unsigned char>(text[i])]) {
      return false;
    }
  }
  return true;
}

bool ContainsFolded(std::string_view folded, std::string_view text) {
  for (size_t at = 0; at + text.size() <= folded.size(); ++at) {
    if (StartsWithFolded(folded.substr(at), text)) return true;
  }
  return text.empty();
}

std::string_view FileNameOf(std::string_view path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace zunt
