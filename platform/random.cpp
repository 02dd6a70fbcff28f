#include "platform/random.h"

#include <bit>
#include <cstring>

namespace qa {

void LcgRandom::seed(float value)
{
    std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
    state_ = (bits ^ (bits >> 8) ^ (bits >> 16) ^ 0x50000u) & 0xFFFFFFu;
}

float LcgRandom::next()
{
    state_ = (state_ * 1140671485u + 12820163u) & 0xFFFFFFu;
    return static_cast<float>(state_) / 16777216.0f;
}

} // namespace qa
