#include "server/names.h"

#include <charconv>

#include "cursor/fold.h"
#include "symbols/var.h"

namespace zunt {

TSite SiteOf(const TAnalysis& analysis, bool constant, size_t entry) {
  TSite site;
  if (const TInput* input = TAnalyses::InputOf(analysis, constant, entry)) site.Path = input->Path;
  return site;
}

std::vector<TDeclaredName> DeclaredIn(const TAnalysis& analysis, const std::string& path) {
  std::vector<TDeclaredName> names;
  size_t vars = 0;
  size_t constants = 0;
  const TState& state = analysis.State;
  for (const TInput& input : analysis.Inputs) {
    if (input.Path == path) {
      for (size_t i = vars; i < input.VarsEnd && i < analysis.Globals; ++i) {
        names.push_back(TDeclaredName{std::string(state.Vars.Name(state.Vars[i])),
                                      std::string(state.Vars.Replacement(state.Vars[i])), false,
                                      SiteOf(analysis, false, i)});
      }
      for (size_t i = constants; i < input.ConstantsEnd; ++i) {
        names.push_back(TDeclaredName{std::string(state.Constants.Name(state.Constants[i])),
                                      std::string(state.Constants.Replacement(state.Constants[i])),
                                      true, SiteOf(analysis, true, i)});
      }
    }
    vars = input.VarsEnd;
    constants = input.ConstantsEnd;
  }
  return names;
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

std::vector<const TSeenItem*> LocalsAt(const TAnalysis& analysis, size_t offset) {
  std::vector<const TSeenItem*> locals;
  for (const TSeenItem& item : analysis.Seen) {
    if (item.Begin >= offset) break;
    if (item.Kind == TSeen::ClearLocals) locals.clear();
    if (item.Kind == TSeen::Local) locals.push_back(&item);
  }
  return locals;
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
