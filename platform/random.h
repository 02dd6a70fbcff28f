#pragma once
#include <cstdint>

namespace qa {

// The window's one random generator: uniform single-precision values in [0, 1).
class Random {
public:
    virtual ~Random() = default;
    virtual void seed(float value) = 0;
    virtual float next() = 0;
};

// A 24-bit linear congruential generator; its values are multiples of 2^-24,
// so they are exact in single precision and never reach 1.
class LcgRandom final : public Random {
public:
    void seed(float value) override;
    float next() override;

private:
    std::uint32_t state_ = 0x50000;
};

} // namespace qa
