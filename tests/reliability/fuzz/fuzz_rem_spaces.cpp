// remSpaces over arbitrary bytes: the result is the input with every blank
// and hyphen taken out, all other bytes in their order; doing it twice
// changes nothing more.
#include <cstdint>
#include <string>

#include "coding/code_scheme.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string got = qa::coding::remSpaces(text);

    std::string want;
    std::size_t removed = 0;
    for (char c : text) {
        if (c == ' ' || c == '-')
            ++removed;
        else
            want += c;
    }
    FUZZ_CHECK(got == want);
    FUZZ_CHECK(got.size() + removed == text.size());
    FUZZ_CHECK(got.find_first_of(" -") == std::string::npos);
    FUZZ_CHECK(qa::coding::remSpaces(got) == got);
    return 0;
}
