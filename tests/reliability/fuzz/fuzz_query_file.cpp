// codeFile over arbitrary query files, through the real file layer on a
// temporary drive root. The coded copy must hold one line per query line, each ended
// by CR LF: assignment lines as they stand, query lines as "query" and the
// rest from position 8, every other line unchanged; the code number becomes
// the length of the first line. An empty file raises error 62 and changes
// nothing.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <vector>

#include "coding/query_file.h"
#include "fuzz_check.h"
#include "support/fakes.h"

namespace {

qa::testing::Harness& harness()
{
    static qa::testing::Harness h;
    static bool ready = h.files.createDirectories(qa::records::Session::kHomeDir);
    FUZZ_CHECK(ready);
    return h;
}

std::string lowerAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Lines end at CR LF, or at a CR or LF standing alone.
std::vector<std::string> lines(const std::string& s)
{
    std::vector<std::string> out;
    std::string cur;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' || s[i] == '\n') {
            out.push_back(cur);
            cur.clear();
            if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')
                ++i;
        } else {
            cur += s[i];
        }
    }
    if (!cur.empty())
        out.push_back(cur);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    qa::testing::Harness& h = harness();
    FuzzedDataProvider in(data, size);
    std::string id;
    for (std::size_t n = in.ConsumeIntegralInRange(0, 3); n > 0; --n)
        id += "abcxyz019_"[in.ConsumeIntegralInRange(0, 9)];
    std::string content = in.ConsumeRemainingBytesAsString();
    // Steer a share of inputs towards the two kinds of line that are kept.
    if (!content.empty() && (content[0] & 3) == 1)
        content.insert(0, "query ");
    else if (!content.empty() && (content[0] & 3) == 2)
        content.insert(0, "ASSIGN");

    const std::filesystem::path dir = h.root.home();
    const std::filesystem::path query = dir / ("query" + id + ".txt");
    const std::filesystem::path coded = dir / ("queri" + id + ".txt");
    std::filesystem::remove(coded);
    std::ofstream(query, std::ios::binary | std::ios::trunc) << content;

    double codeNbr = 21.5;
    const std::vector<std::string> want = lines(content);
    try {
        qa::coding::codeFile(h.files, qa::records::Session::kHomeDir, id, codeNbr);
    } catch (const qa::RuntimeError& e) {
        FUZZ_CHECK(want.empty());
        FUZZ_CHECK(e.number() == qa::kInputPastEnd);
        FUZZ_CHECK(codeNbr == 21.5);
        FUZZ_CHECK(!std::filesystem::exists(coded));
        return 0;
    }
    FUZZ_CHECK(!want.empty());
    FUZZ_CHECK(codeNbr == static_cast<double>(want.front().size()));
    std::string expected;
    for (const std::string& line : want) {
        const std::string head = lowerAscii(line.substr(0, 6));
        if (head == "assign")
            expected += line;
        else if (head == "query ")
            expected += "query" + (line.size() >= 8 ? line.substr(7) : std::string());
        else
            expected += line;
        expected += "\r\n";
    }
    std::ifstream out(coded, std::ios::binary);
    const std::string got{std::istreambuf_iterator<char>(out), {}};
    FUZZ_CHECK(got == expected);
    FUZZ_CHECK(h.files.openCount() == 0);
    return 0;
}
