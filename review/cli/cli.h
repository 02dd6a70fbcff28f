#pragma once
// The qa-review command line, for both programs: the one alone and the one
// with the desk's window.
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

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
using MarkingWindow = std::function<int(MarkingDesk& desk)>;

int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   bool errIsTerminal = false, const MarkingWindow& window = {});

// The usage text (several lines, each ended by "\n").
std::string usageText();

} // namespace qa::review
