#pragma once
#include <chrono>
#include <string>

namespace qa {

// A moment on the local wall clock.
struct LocalTime {
    int year = 2000;
    int month = 1; // 1 to 12
    int day = 1;   // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;
    double fraction = 0; // of the second, 0 to below 1
};

// The texts the record files carry: MM-DD-YYYY, and HH:MM:SS on the 24-hour
// clock. Independent of the process locale.
std::string formatDate(const LocalTime& t);
std::string formatTime(const LocalTime& t);

// The platform clock: what time it is. The texts are made from it here, so
// that every clock, the tests' ones included, formats them the same way.
class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime now() = 0;

    // Today as MM-DD-YYYY; each call reads the clock.
    virtual std::string date() { return formatDate(now()); }
    // Now as HH:MM:SS; each call reads the clock.
    virtual std::string time() { return formatTime(now()); }
    // Seconds since midnight, with fractions.
    virtual float secondsSinceMidnight();
};

// The local wall clock.
class SystemClock final : public Clock {
public:
    LocalTime now() override;
    // The local time at a given moment.
    static LocalTime at(std::chrono::system_clock::time_point moment);
};

} // namespace qa
