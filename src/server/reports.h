// The tool's reports as an editor shows them: diagnostics with a range over
// the token, a severity, a stable code per kind of message and the text.
#ifndef ZUNT_SERVER_REPORTS_H_
#define ZUNT_SERVER_REPORTS_H_

#include <string>
#include <string_view>
#include <vector>

#include "base/fail.h"
#include "server/protocol.h"
#include "server/text.h"
#include "server/workspace.h"

namespace zunt {

/// Returns the stable code of an error's message (UTF-8 text), such as
/// "undeclared-variable"; a warning's code is its kind's name (WarningName).
std::string_view CodeOf(std::string_view message);

/// Returns a report's message in UTF-8: its Windows-1251 text, and any path as it is.
std::string MessageOf(const TFail& report);

/// Returns the end of the token that starts at `at`: a whole reference, a
/// local declaration, a name or a value; at least one byte unless the line ends there.
size_t TokenEnd(std::string_view bytes, size_t at);

/// Returns the range of a report in the text of its file.
TRange RangeOf(const TFail& report, const TText& text);

/// Returns the LSP diagnostics of reports about the file at path, whose
/// text is given; a note (one of a report's, or the report before it) is
/// related information.
TJson DiagnosticsOf(const std::vector<const TFail*>& reports, const std::string& path,
                    const TText& text, TWorkspace& workspace);

/// Returns the diagnostics of the characters of a text that Windows-1251 lacks,
/// and a warning for a text read as Latin-1.
TJson TextDiagnostics(const TText& text, bool latin1);

}  // namespace zunt

#endif  // ZUNT_SERVER_REPORTS_H_
