// The marking actions of both programs, each with the guard that keeps its
// output out of the inputs.
#include "review/marking/actions.h"

#include <system_error>

#include "platform/utf8.h"
#include "review/marking/marks_file.h"
#include "review/write/destination.h"

namespace qa::review {
namespace fs = std::filesystem;
namespace {

std::optional<Problem> refused(const AmongInputs& among, const fs::path& target, const std::string& what)
{
    if (!among)
        return std::nullopt;
    if (const auto input = among(target))
        return Problem{{},
                       0,
                       0,
                       what + text::pathToUtf8(target) + " is among the inputs (" + *input +
                           "); nothing is written there"};
    return std::nullopt;
}

} // namespace

AmongInputs amongReviewInputs(std::vector<fs::path> inputs, std::vector<std::string> names,
                              std::vector<ReadInput> files)
{
    return [inputs = std::move(inputs), names = std::move(names),
            files = std::move(files)](const fs::path& p) -> std::optional<std::string> {
        const auto k = amongInputs(p, inputs, files);
        if (!k)
            return std::nullopt;
        return *k < names.size() ? names[*k] : text::pathToUtf8(inputs[*k]);
    };
}

Result<MarksTable> readMarks(const fs::path& file, const AmongInputs& among, bool mustExist)
{
    if (std::optional<Problem> no = refused(among, file, "the marks file "))
        return *no;
    std::error_code ec;
    if (mustExist && !fs::exists(file, ec))
        return Problem{text::pathToUtf8(file), 0, 0, "no such marks file"};
    return readMarksFile(file);
}

Result<CommentBank> readBank(const fs::path& file, const AmongInputs& among, bool mustExist)
{
    if (std::optional<Problem> no = refused(among, file, "the comment bank "))
        return *no;
    std::error_code ec;
    if (mustExist && !fs::exists(file, ec))
        return Problem{text::pathToUtf8(file), 0, 0, "no such comment bank"};
    return readBankFile(file);
}

Result<FeedbackWritten> writeFeedbackInto(const fs::path& folder, const Marking& marking, const AmongInputs& among)
{
    if (std::optional<Problem> no = refused(among, folder, ""))
        return *no;
    return writeFeedback(marking, folder);
}

Result<WorksheetDone> fillWorksheetFile(const fs::path& worksheet, const Marking& marking, std::size_t sheet,
                                        const AmongInputs& among, const WorksheetOptions& options)
{
    WorksheetDone out;
    out.written = gradedPath(worksheet);
    if (std::optional<Problem> no = refused(among, out.written, ""))
        return *no;
    const Result<std::string> bytes = readFileAt(worksheet);
    if (!bytes)
        return bytes.problem();
    Result<FilledWorksheet> filled = fillWorksheet(*bytes, text::pathToUtf8(worksheet), marking, sheet, options);
    if (!filled)
        return filled.problem();
    out.filled = std::move(*filled);
    if (Result<void> written = writeWholeFile(out.written, out.filled.bytes); !written)
        return Problem{
            {}, 0, 0, "cannot write " + text::pathToUtf8(out.written) + ": " + written.problem().what, true};
    return out;
}

} // namespace qa::review
