#include "base/warnings.h"

namespace zunt {
namespace {

// By kind, None first.
constexpr std::string_view kNames[kWarningKinds] = {
    "",
    "byte-order-mark",
    "utf8-text",
    "open-back-quote",
    "non-latin-letter",
    "text-after-index",
    "index-overflow",
    "lf-line-end",
    "text-after-constant",
    "multi-line-constant",
    "alias",
    "overlap",
    "project-settings",
};

}  // namespace

std::string_view WarningName(TWarning kind) { return kNames[static_cast<size_t>(kind)]; }

TWarning WarningNamed(std::string_view name) {
  for (size_t i = 1; i < kWarningKinds; ++i) {
    if (kNames[i] == name) return static_cast<TWarning>(i);
  }
  return TWarning::None;
}

std::string WarningNames() {
  std::string names;
  for (size_t i = 1; i < kWarningKinds; ++i) {
    if (i != 1) names += ", ";
    names += kNames[i];
  }
  return names;
}

bool ReadWarningSwitch(std::string_view word, TWarningSet* on, TWarningSet* given) {
  bool off = word.starts_with("no-");
  TWarning kind = WarningNamed(off ? word.substr(3) : word);
  if (kind == TWarning::None) return false;
  on->Set(kind, !off);
  given->Set(kind, true);
  return true;
}

}  // namespace zunt
