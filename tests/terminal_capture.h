// A reporter that keeps what the terminal would show, without colour.
#ifndef ZUNT_TESTS_TERMINAL_CAPTURE_H_
#define ZUNT_TESTS_TERMINAL_CAPTURE_H_

#include <string>

#include "driver/driver.h"
#include "driver/terminal.h"

namespace zunt {

/// Keeps each report as the terminal shows it.
struct TTerminalCapture final : TReporter {
  std::string Text;
  void Report(const TFail& report) override { Text += TerminalText(report, false); }
};

}  // namespace zunt

#endif  // ZUNT_TESTS_TERMINAL_CAPTURE_H_
