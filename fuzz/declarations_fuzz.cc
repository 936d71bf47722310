// Fuzz target: the declarations reader on the cursor of a run's state. The
// input is the declarations file. The reader either fills the tables with
// entries that keep the rules of stored names and values, or throws TFail
// (and nothing else) with a declarations error on a line of the file. Read
// with its quick reader of plain lines, it leaves the same error, warnings,
// cursor and tables as the careful reader alone.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/fail.h"
#include "fuzz_check.h"
#include "symbols/declarations.h"
#include "translator/state.h"

namespace zunt {
namespace {

bool IsFolded(const std::string& name) {
  std::string folded = name;
  UpperCaseName(folded);
  return folded == name;
}

// Every name is found as itself and in small letters, and leads to its own
// entry, so no two entries share a name.
void CheckFindable(const TSymbolTable& table) {
  for (size_t i = 0; i < table.size(); ++i) {
    std::string_view name = table.Name(table[i]);
    Require(table.Find(name) == &table[i], "a stored name is found and leads to its own entry");
    Require(table.IndexOf(table[i]) == i, "an entry's place in the order of adding is its own");
    Require(table.Find(LowerCase(name)) == &table[i], "a stored name is found in small letters");
  }
}

void CheckVariables(const TVarTable& vars, const std::string& foldedInput) {
  CheckFindable(vars);
  for (size_t i = 0; i < vars.size(); ++i) {
    std::string name(vars.Name(vars[i]));
    TVar var = vars.Var(vars[i]);
    Require(IsFolded(name), "a variable's name is stored folded");
    Require(name.find_first_of("[=$@\r") == std::string::npos,
            "a variable's name holds no \"[\", \"=\", \"$\", \"@\" or CR");
    Require(name.empty() || static_cast<unsigned char>(name[0]) > 32,
            "a variable's name is trimmed at its start");
    Require(foldedInput.find(name) != std::string::npos,
            "a variable's name is taken from the file");
    Require(var.Valid(), "a stored variable is valid");
    std::optional<int32_t> number = StrToIntStrict(var.Text);
    Require(number && *number == var.Number, "a variable's number is the value of its text");
    Require(var.Text.empty() || static_cast<unsigned char>(var.Text.back()) > 32,
            "a variable's value is trimmed at its end");
  }
}

void CheckConstants(const TConstTable& constants, const std::string& foldedInput,
                    const std::string& inputWithoutCr) {
  CheckFindable(constants);
  for (size_t i = 0; i < constants.size(); ++i) {
    std::string name(constants.Name(constants[i]));
    std::string text(constants.Replacement(constants[i]));
    Require(!name.empty() && IsFolded(name), "a constant's name is stored folded and not empty");
    Require(name.find_first_of(")\r") == std::string::npos,
            "a constant's name holds no \")\" or CR");
    Require(foldedInput.find("(" + name + ")") != std::string::npos,
            "a constant's name is taken from between parentheses");
    Require(text.find_first_of(std::string_view("\r\0", 2)) == std::string::npos,
            "a constant's text holds no CR and no zero byte");
    Require(inputWithoutCr.find("'" + text) != std::string::npos,
            "a constant's text is taken from after a quote");
  }
}

}  // namespace
}  // namespace zunt

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zunt;
  std::string input(reinterpret_cast<const char*>(data), size);
  uint64_t lineFeeds = CountLineFeeds(input);
  Require(DeclarationsOutcome(input, true) == DeclarationsOutcome(input, false),
          "the quick reader of plain lines leaves what the careful reader leaves");

  TState state;
  state.LoadIntoCursor(input);
  try {
    ReadDeclarations(state.Cursor, state.Vars, state.Constants);
  } catch (const TFail& fail) {
    Require(IsErrorInFile(fail.Text(), TErrorFile::Declarations, lineFeeds),
            "an error is a declarations error with a line of the file");
    return 0;
  } catch (...) {
    Broken("the reader throws nothing but TFail");
  }

  Require(state.Cursor.Pos <= state.Cursor.Size && state.Cursor.Line >= 1 &&
              state.Cursor.Line <= lineFeeds + 1,
          "the cursor stays inside the file");
  size_t entries = state.Vars.size() + state.Constants.size();
  Require(entries <= static_cast<size_t>(std::count(input.begin(), input.end(), '=')),
          "every entry was declared with an \"=\"");

  // Names are stored folded as they are compared: every letter with a case.
  std::string folded = input;
  for (char& c : folded) c = static_cast<char>(kFoldCase[static_cast<unsigned char>(c)]);
  std::string withoutCr = input;
  withoutCr.erase(std::remove(withoutCr.begin(), withoutCr.end(), '\r'), withoutCr.end());
  CheckVariables(state.Vars, folded);
  CheckConstants(state.Constants, folded, withoutCr);
  return 0;
}
