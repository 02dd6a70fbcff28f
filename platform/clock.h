#pragma once
#include <string>

namespace qa {

// The platform clock. Tests inject a fixed or scripted clock.
class Clock {
public:
    virtual ~Clock() = default;
    // Today as MM-DD-YYYY.
    virtual std::string date() = 0;
    // Now as HH:MM:SS on the 24-hour clock.
    virtual std::string time() = 0;
    // Seconds since midnight, with fractions.
    virtual float secondsSinceMidnight() = 0;
};

// The local wall clock.
class SystemClock final : public Clock {
public:
    std::string date() override;
    std::string time() override;
    float secondsSinceMidnight() override;
};

} // namespace qa
