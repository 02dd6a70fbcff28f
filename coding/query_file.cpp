// Query file coding: the "query" file of the data directory into its coded
// "queri" copy.
#include "coding/query_file.h"

#include <cstdint>
#include <string_view>
#include <vector>

#include "coding/code_scheme.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace qa::coding {
namespace {

// Lines without their CR LF (a lone CR or LF ends a line too). A last line
// without a break still counts; an empty file has no lines.
std::vector<std::string_view> splitLines(std::string_view s)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' || s[i] == '\n') {
            lines.push_back(s.substr(start, i - start));
            if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < s.size())
        lines.push_back(s.substr(start));
    return lines;
}

} // namespace

void codeFile(Files& files, const std::string& dataDir, const std::string& queryFileId, double& codeNbr)
{
    const std::string queryPath = dataDir + "\\query" + queryFileId + ".txt";
    const std::string codedPath = dataDir + "\\queri" + queryFileId + ".txt";

    const std::string content = files.readAll(queryPath);
    const auto lines = splitLines(content);
    if (lines.empty())
        throw RuntimeError(kInputPastEnd);
    codeNbr = static_cast<double>(static_cast<std::int32_t>(lines.front().size()));

    std::string out;
    out.reserve(content.size() + 2 * lines.size());
    for (std::string_view line : lines) {
        const std::string head = text::lower(text::left(line, 6));
        if (head == "assign")
            out.append(line);
        else if (head == "query ")
            out.append("query").append(code(std::string(text::midFrom(line, 8)), codeNbr));
        else
            out.append(code(std::string(line), codeNbr));
        out.append(text::kCrLf);
    }
    files.writeWhole(codedPath, out);
}

} // namespace qa::coding
