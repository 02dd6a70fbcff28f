#include "platform/clock.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace qa {
namespace {

std::tm localNow()
{
    std::time_t t = std::time(nullptr);
    std::tm out{};
    localtime_r(&t, &out);
    return out;
}

} // namespace

std::string SystemClock::date()
{
    std::tm tm = localNow();
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02d-%02d-%04d", tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900);
    return buf;
}

std::string SystemClock::time()
{
    std::tm tm = localNow();
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

float SystemClock::secondsSinceMidnight()
{
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t t = system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    double frac = duration<double>(now.time_since_epoch()).count();
    frac -= static_cast<double>(static_cast<long long>(frac));
    return static_cast<float>(tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec + frac);
}

} // namespace qa
