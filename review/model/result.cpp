// A Problem as a line of text.
#include "review/model/result.h"

namespace qa::review {

std::string describe(const Problem& problem)
{
    if (problem.file.empty())
        return problem.what;
    std::string out = problem.file;
    if (problem.line)
        out += ":" + std::to_string(problem.line);
    if (problem.lastLine > problem.line)
        out += "-" + std::to_string(problem.lastLine);
    return out + ": " + problem.what;
}

} // namespace qa::review
