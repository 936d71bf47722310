#include "base/diagnostics.h"

#include "base/cp1251.h"

namespace zunt {
namespace {

// Returns "предупреждение" in the form that goes with count.
std::string_view WarningsWord(size_t count) {
  size_t ones = count % 10, tens = count % 100 / 10;
  if (tens != 1 && ones == 1) return "предупреждение";
  if (tens != 1 && ones >= 2 && ones <= 4) return "предупреждения";
  return "предупреждений";
}

}  // namespace

void TDiagnostics::StartFile(std::string path) {
  if (HiddenWarnings != 0) {
    TFail note(TSeverity::Note, TBoxPrefix::None,
               Win1251("ещё ") + std::to_string(HiddenWarnings) + ' ' +
                   Win1251(WarningsWord(HiddenWarnings)) + Win1251(" не показано"),
               0);
    note.File = CurrentFile;
    Add(std::move(note));
  }
  CurrentFile = std::move(path);
  FileWarnings = HiddenWarnings = 0;
  LineFeedWarned = false;
}

}  // namespace zunt
