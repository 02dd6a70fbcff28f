// Arbitrary bytes read as record files by the instructor's review. The reader
// never reads outside the bytes, every block and problem stands on lines in
// order, and the report and CSV made of whatever it read hold no markup from
// the bytes and stay well-formed CSV.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "fuzz_check.h"
#include "review/reader.h"
#include "review/review.h"

namespace {

namespace fs = std::filesystem;

bool within(std::string_view part, const std::string& whole)
{
    return part.empty() || (part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size());
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const qa::review::ParsedFile parsed = qa::review::parseRecordFile(bytes);
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
