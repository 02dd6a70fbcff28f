#include "platform/clock.h"

#include <ctime>

namespace qa {
namespace {

// Zero-padded decimal digits of a non-negative number, right-aligned.
void appendDigits(std::string& out, int value, int width)
{
    const std::size_t at = out.size();
    out.append(static_cast<std::size_t>(width), '0');
    for (std::size_t i = out.size(); i-- > at && value > 0; value /= 10)
        out[i] = static_cast<char>('0' + value % 10);
}

// Three zero-padded fields with a separator between them.
std::string threeFields(int a, int b, int c, char separator, int lastWidth)
{
    std::string out;
    appendDigits(out, a, 2);
    out += separator;
    appendDigits(out, b, 2);
    out += separator;
    appendDigits(out, c, lastWidth);
    return out;
}

} // namespace

std::string formatDate(const LocalTime& t)
{
    return threeFields(t.month, t.day, t.year, '-', 4);
}

std::string formatTime(const LocalTime& t)
{
    return threeFields(t.hour, t.minute, t.second, ':', 2);
}

float Clock::secondsSinceMidnight()
{
    const LocalTime t = now();
    return static_cast<float>(t.hour * 3600 + t.minute * 60 + t.second + t.fraction);
}

LocalTime SystemClock::at(std::chrono::system_clock::time_point moment)
{
    using namespace std::chrono;
    const std::time_t seconds = system_clock::to_time_t(moment);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &seconds);
#else
    localtime_r(&seconds, &tm);
#endif
    LocalTime out;
    out.year = tm.tm_year + 1900;
    out.month = tm.tm_mon + 1;
    out.day = tm.tm_mday;
    out.hour = tm.tm_hour;
    out.minute = tm.tm_min;
    out.second = tm.tm_sec;
    out.fraction = duration<double>(moment - system_clock::from_time_t(seconds)).count();
    if (out.fraction < 0 || out.fraction >= 1)
        out.fraction = 0;
    return out;
}

LocalTime SystemClock::now()
{
    return at(std::chrono::system_clock::now());
}

} // namespace qa
