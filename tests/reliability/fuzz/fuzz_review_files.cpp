// Arbitrary bytes read as record files by the instructor's review (a few
// bytes stand for the files' fixed lines, unless the input starts with 0). The reader
// never reads outside the bytes, every block and problem stands on lines in
// order, and the report and CSV made of whatever it read hold no markup from
// the bytes and stay well-formed CSV.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "bank/builtin_content.h"
#include "fuzz_check.h"
#include "records/layouts.h"
#include "records/record_reader.h"
#include "review/review.h"

namespace {

namespace fs = std::filesystem;

bool within(std::string_view part, const std::string& whole)
{
    return part.empty() ||
           (part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size());
}

const fs::path& folder()
{
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("qa-fuzz-review-" + std::to_string(::getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

// The input with a few control bytes standing for the record files' fixed
// lines, so that the fuzzer reaches whole and broken blocks, not only junk.
std::string expand(const std::string& in)
{
    using namespace qa::records;
    const std::string crlf = "\r\n";
    std::string out;
    for (char c : in) {
        switch (c) {
        case '\x01': out += kOpeningRule + crlf; break;
        case '\x02': out += kClosingRule; break;
        case '\x03': out += crlf; break;
        case '\x04': out += kIndent + "23:59:58"; break;
        case '\x05': out += kResponseLabel + crlf; break;
        case '\x06': out += kNotesPrefix; break;
        case '\x07':
            out += "\xC1\xC2" + crlf + kNameLabel + "Ann" + crlf + kAssignmentLabel + "001" + crlf +
                   qa::bank::builtinContent()[0] + crlf + kInitialsLabel + "AL" + crlf + kDateLabel +
                   "03-07-2026 10:00:00" + crlf;
            break;
        case '\x08': out += kIndent + "03-07-2026" + "00:00:01"; break;
        case '\x0B': out += qa::bank::builtinContent()[2]; break;
        case '\x0E': out += kToNextZone; break;
        default: out += c;
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string raw(reinterpret_cast<const char*>(data), size);
    const std::string bytes = size > 0 && data[0] == 0 ? raw : expand(raw);
    size = bytes.size();
    const qa::records::ParsedFile parsed = qa::records::parseRecordFile(bytes);
    std::uint32_t last = 0;
    for (const auto& b : parsed.blocks) {
        FUZZ_CHECK(within(b.text, bytes) && within(b.currentLine, bytes));
        FUZZ_CHECK(b.line > last);
        last = b.line;
        FUZZ_CHECK(b.header < static_cast<int>(parsed.headers.size()));
    }
    for (const auto& p : parsed.problems)
        FUZZ_CHECK(p.line >= 1 && p.lastLine >= p.line);

    // The same bytes as a send file and, cut in two, as a master and a notes file.
    const fs::path& dir = folder();
    const std::size_t cut = size / 2;
    std::ofstream(dir / "send_0307Ann.txt", std::ios::binary) << bytes;
    std::ofstream(dir / "masterFile_Ann.txt", std::ios::binary) << bytes.substr(0, cut);
    std::ofstream(dir / "notes_Ann.txt", std::ios::binary) << bytes.substr(cut);
    qa::review::Options options;
    options.inputs = {dir};
    const qa::review::Review review = qa::review::Review::load(options);
    std::ostringstream html, csv;
    review.writeHtml(html, "now");
    review.writeCsv(csv);
    const std::string h = html.str(), c = csv.str();
    // The page's own markup is fixed; '<' from the bytes is always escaped.
    FUZZ_CHECK(h.find("<script") == std::string::npos && h.find("<img") == std::string::npos);
    FUZZ_CHECK(c.compare(0, 3, "\xEF\xBB\xBF") == 0 && c.size() >= 5 && c.compare(c.size() - 2, 2, "\r\n") == 0);
    bool quoted = false;
    for (char ch : c)
        quoted = ch == '"' ? !quoted : quoted;
    FUZZ_CHECK(!quoted);
    return 0;
}
