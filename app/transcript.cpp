#include "app/transcript.h"

namespace qa {

std::string Transcript::cumulativeText() const
{
    std::size_t total = 0;
    for (const std::string& piece : pieces_)
        total += piece.size();
    std::string out;
    out.reserve(total);
    for (auto it = pieces_.rbegin(); it != pieces_.rend(); ++it)
        out += *it;
    return out;
}

} // namespace qa
