// decode over arbitrary coded texts and code numbers. The result is checked
// against the band table character by character: a blank stays, codes below
// 66 map to c + 209 - k, 66 to 118 are dropped, 119 and up map to c - k - 100,
// each rounded half to even; a code outside 0..255 must raise error 5.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>

#include "coding/code_scheme.h"
#include "fuzz_check.h"
#include "platform/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    double k = 0;
    const int kind = in.ConsumeIntegralInRange(0, 3);
    switch (kind) {
    case 0: k = in.ConsumeIntegralInRange(19, 28); break;                    // drawn at start-up
    case 1: k = in.ConsumeIntegral<std::int32_t>(); break;                   // set by the query file
    case 2: k = static_cast<float>(in.ConsumeFloatingPoint<float>()); break; // any single-precision value
    default: {
        std::uint64_t bits = in.ConsumeIntegral<std::uint64_t>(); // NaN, infinities too
        std::memcpy(&k, &bits, sizeof k);
    }
    }
    const std::string coded = in.ConsumeRemainingBytesAsString();
    const std::string copy = coded;

    std::string want;
    bool wantFail = false;
    for (unsigned char c : coded) {
        double code;
        if (c == 32) {
            want += ' ';
            continue;
        } else if (c < 66) {
            code = (c + 209) - k;
        } else if (c <= 118) {
            continue;
        } else {
            code = c - k - 100;
        }
        const double whole = std::nearbyint(code);
        if (!(whole >= 0 && whole <= 255)) {
            wantFail = true;
            break;
        }
        want += static_cast<char>(static_cast<unsigned char>(whole));
    }
    if (kind == 0) {
        // For the start-up range only a low-band code from 119 to k + 99 can fail.
        bool lowTooSmall = false;
        for (unsigned char c : coded)
            lowTooSmall = lowTooSmall || (c >= 119 && c <= k + 99);
        FUZZ_CHECK(wantFail == lowTooSmall);
    }

    try {
        const std::string got = qa::coding::decode(coded, k);
        FUZZ_CHECK(!wantFail);
        FUZZ_CHECK(got == want);
        FUZZ_CHECK(got.size() <= coded.size());
    } catch (const qa::RuntimeError& e) {
        FUZZ_CHECK(wantFail);
        FUZZ_CHECK(e.number() == qa::kInvalidCall);
    }
    FUZZ_CHECK(coded == copy);
    return 0;
}
