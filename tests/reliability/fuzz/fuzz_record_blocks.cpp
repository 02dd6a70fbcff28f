// The three record blocks built from arbitrary texts. Whatever the texts,
// each file gets its share in the fixed shape: the student's texts stand
// verbatim between the fixed lines, the send copy of a response is the master
// copy without its two blank lines and question tag, and the shares differ
// only where the layout says so.
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>

#include "fuzz_check.h"
#include "records/layouts.h"

namespace {

// 12-31-2026 23:59:58, formatted by the product's clock code.
class FixedClock : public qa::Clock {
public:
    qa::LocalTime now() override { return {2026, 12, 31, 23, 59, 58, 0}; }
};

bool startsWith(const std::string& s, const std::string& p)
{
    return s.compare(0, p.size(), p) == 0;
}
bool endsWith(const std::string& s, const std::string& p)
{
    return s.size() >= p.size() && s.compare(s.size() - p.size(), p.size(), p) == 0;
}

const std::string R = std::string(qa::records::kOpeningRule) + "\r\n";
const std::string C = qa::records::kClosingRule;
const std::string kTime = std::string(36, ' ') + "23:59:58\r\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    FixedClock clock;
    const qa::records::RecordPaths paths{"c:\\d\\m.txt", "c:\\d\\s.txt", "c:\\d\\n.txt"};
    const double codeNbr = in.ConsumeFloatingPoint<double>();
    const std::string a = in.ConsumeRandomLengthString(512);
    const std::string b = in.ConsumeRandomLengthString(512);
    const std::string c = in.ConsumeRandomLengthString(64);
    const std::string d = in.ConsumeRandomLengthString(64);
    const std::string e = in.ConsumeRemainingBytesAsString();

    {
        const auto parts = qa::records::responseBlock({a, b, c, d}, paths, codeNbr, clock);
        FUZZ_CHECK(parts.size() == 2 && parts[0].path == paths.master && parts[1].path == paths.send);
        const std::string& m = parts[0].bytes;
        const std::string& s = parts[1].bytes;
        const std::string tail = b + "\r\n" + R + "RESPONSE -->  \r\n" + a + "\r\n" + C + "\r\n";
        FUZZ_CHECK(s == R + kTime + tail);
        FUZZ_CHECK(startsWith(m, R + kTime + "\r\n\r\n`questionNumber"));
        FUZZ_CHECK(endsWith(m, tail));
        // The tag line: one line, a number item (sign place, number, one blank).
        const std::size_t tagStart = R.size() + kTime.size() + 4;
        const std::string tag = m.substr(tagStart, m.size() - tail.size() - tagStart);
        FUZZ_CHECK(endsWith(tag, " \r\n"));
        FUZZ_CHECK(tag.find_first_of("\r\n") == tag.size() - 2);
        FUZZ_CHECK(tag[15] == ' ' || tag[15] == '-');
    }
    {
        const std::string note = "NOTES -------> " + a;
        const auto parts = qa::records::notesBlock({note, b}, paths, codeNbr, clock);
        FUZZ_CHECK(parts.size() == 3 && parts[2].path == paths.notes);
        const std::string body =
            R + kTime + std::string(36, ' ') + "12-31-202623:59:58\r\n" + b + "\r\n" + R + note + "\r\n" + C;
        FUZZ_CHECK(parts[0].bytes == body + "\r\n");
        FUZZ_CHECK(parts[1].bytes == body + "       ");
        FUZZ_CHECK(parts[2].bytes == parts[1].bytes);
    }
    {
        const auto parts = qa::records::openingHeader({e, a, c, b, d}, paths, codeNbr, clock);
        FUZZ_CHECK(parts.size() == 2);
        const std::string head = e + "\r\nStudent Name:  " + a + "\r\nassignment #" + c + "\r\n" + b +
                                 "\r\nInitials:  " + d + "\r\nDate and Time 12-31-2026";
        FUZZ_CHECK(parts[0].bytes == head + "23:59:58\r\n");
        FUZZ_CHECK(parts[1].bytes == head + " 23:59:58\r\n");
    }
    return 0;
}
