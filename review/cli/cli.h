#pragma once
// The qa-review command line, for both programs: the one alone and the one
// with the desk's window.
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "review/model/result.h"

namespace qa::review {

class MarkingDesk;

// The command line: qa-review [--html FILE] [--csv FILE] [--xlsx FILE] [--assignment N] PATH...
// `args` are the arguments after the program name, in UTF-8. Returns the exit
// status: 0 when at least one record file was read, 1 when none was, 2 for a
// usage error (with the usage text on `err`), 3 when an output cannot be
// written. Progress goes to `err` only when `errIsTerminal` and the run is
// long.
// The marking window of a program that has one (--mark): runs over `desk`
// until it is closed and returns the exit status.
// `ending`: the program ends on return, and what was read is not freed.
using MarkingWindow = std::function<int(MarkingDesk& desk)>;

int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   bool errIsTerminal = false, const MarkingWindow& window = {}, bool ending = false);

// The usage text (several lines, each ended by "\n").
std::string usageText();

// The exit status when the run ends at a step; none when it goes on.
using Exit = std::optional<int>;

// What failed, on `err` as the command line says it; the exit status for it:
// 3 when an output cannot be written, else 2 (a file that cannot be read, an
// output refused among the inputs).
int failed(std::ostream& err, const Problem& problem);

} // namespace qa::review
