// Inlay hints: after each variable reference the variable it names (its
// letter and number, the index added), after each constant reference the
// first line of its text; for the range the editor shows, and asked again
// when the declarations change.
#include "base/cp1251.h"
#include "server/names.h"
#include "server/session.h"

namespace zunt {
namespace {

// A constant's text as a hint shows it: its first line, at most this many
// characters, then "…".
constexpr size_t kHintCharacters = 20;

std::string ConstantHint(std::string_view text) {
  size_t end = text.find_first_of("\r\n");
  bool cut = end != std::string_view::npos;
  text = text.substr(0, end);
  if (text.size() > kHintCharacters) {
    text = text.substr(0, kHintCharacters);
    cut = true;
  }
  return Utf8FromWin1251(text) + (cut ? "…" : "");
}

}  // namespace

TJson TSession::InlayHint(const TJson& params) {
  TJson hints = TJson::array();
  std::string path = PathOf(params);
  if (Workspace.KindOf(path) != TDocumentKind::Script) return hints;
  uint64_t generation = 0;
  const TText* text = Workspace.Text(path, &generation);
  if (!text) return hints;
  TRange range = RangeFromJson(params.at("range"));
  size_t from = text->OffsetOf(range.Start);
  size_t to = text->OffsetOf(range.End);
  TAnalysis& analysis = Analyses.Analyse(path);
  const TState& state = analysis.State;
  Visit(analysis, [&](const TSeenItem& item, const TSeenItem* local) {
    if (item.Begin >= to) return false;
    // A hint stands just after its reference: that place is in the range.
    if (item.End < from || item.End > to) return true;
    std::string label;
    if (item.Kind == TSeen::Constant && item.Entry != SIZE_MAX) {
      label = ConstantHint(state.Constants.Replacement(state.Constants.At(item.Entry)));
    } else if (item.Kind == TSeen::Variable && local) {
      label = Utf8FromWin1251(ReferenceValue(local->Value, '$', item.Index));
    } else if (item.Kind == TSeen::Variable && item.Entry != SIZE_MAX) {
      label = Utf8FromWin1251(
          ReferenceValue(state.Vars.Replacement(state.Vars.At(item.Entry)), '$', item.Index));
    }
    if (!label.empty()) {
      hints.push_back(TJson{{"position", ToJson(text->PositionOf(item.End))},
                            {"label", label},
                            {"paddingLeft", true}});
    }
    return true;
  });
  return hints;
}

}  // namespace zunt
