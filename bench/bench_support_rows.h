#pragma once
#include <cstdio>
#include <string>

namespace qa::bench {

// Prints one row of the results table: what, figure, floor, ratio, target.
inline void row(const std::string& what, double figure, double floor, const std::string& unit, double target)
{
    const double ratio = floor > 0 ? figure / floor : 0;
    std::printf("ROW|%s|%.3f %s|%.3f %s|%.2fx|<= %.2fx|%s\n", what.c_str(), figure, unit.c_str(), floor,
                unit.c_str(), ratio, target, ratio <= target ? "holds" : "MISSED");
    std::fflush(stdout);
}

} // namespace qa::bench
