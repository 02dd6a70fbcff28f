// The marking actions of both programs, each with the guard that keeps its
// output out of the inputs.
#include "review/marking/actions.h"

#include <system_error>

#include "platform/errors.h"
#include "platform/utf8.h"
#include "review/marking/marks_file.h"
#include "review/write/destination.h"

namespace qa::review {
namespace fs = std::filesystem;
namespace {

std::optional<ActionFailure> refused(const AmongInputs& among, const fs::path& target, const std::string& what)
{
    if (!among)
        return std::nullopt;
    if (const auto input = among(target))
        return ActionFailure{2, what + text::pathToUtf8(target) + " is among the inputs (" + *input +
                                    "); nothing is written there"};
    return std::nullopt;
}

ActionFailure failureOf(int status, const RuntimeError& e)
{
    return {status, e.path().empty() ? e.reason() : e.path() + ": " + e.reason()};
}

} // namespace

AmongInputs amongReviewInputs(std::vector<fs::path> inputs, std::vector<std::string> names,
                              std::vector<fs::path> files)
{
    return [inputs = std::move(inputs), names = std::move(names),
            files = std::move(files)](const fs::path& p) -> std::optional<std::string> {
        const auto k = amongInputs(p, inputs, files);
        if (!k)
            return std::nullopt;
        return *k < names.size() ? names[*k] : text::pathToUtf8(inputs[*k]);
    };
}

MarksRead readMarks(const fs::path& file, const AmongInputs& among, bool mustExist)
{
    MarksRead out;
    if ((out.failure = refused(among, file, "the marks file ")))
        return out;
    std::error_code ec;
    if (mustExist && !fs::exists(file, ec))
        return out.failure = ActionFailure{2, text::pathToUtf8(file) + ": no such marks file"}, out;
    try {
        out.table = readMarksFile(file);
    } catch (const RuntimeError& e) {
        out.failure = failureOf(2, e);
    }
    return out;
}

FeedbackDone writeFeedbackInto(const fs::path& folder, const Marking& marking, const AmongInputs& among)
{
    FeedbackDone out;
    if ((out.failure = refused(among, folder, "")))
        return out;
    try {
        out.written = writeFeedback(marking, folder);
    } catch (const RuntimeError& e) {
        out.failure = failureOf(3, e);
    }
    return out;
}

WorksheetDone fillWorksheetFile(const fs::path& worksheet, const Marking& marking, std::size_t sheet,
                                const AmongInputs& among, const WorksheetOptions& options)
{
    WorksheetDone out;
    out.written = gradedPath(worksheet);
    if ((out.failure = refused(among, out.written, "")))
        return out;
    const std::string name = text::pathToUtf8(worksheet);
    std::string bytes;
    if (const std::string why = readFileAt(worksheet, bytes); !why.empty())
        return out.failure = ActionFailure{2, name + ": cannot be read: " + why}, out;
    try {
        out.filled = fillWorksheet(bytes, name, marking, sheet, options);
    } catch (const RuntimeError& e) {
        return out.failure = failureOf(2, e), out;
    }
    if (const std::string why = writeWholeFile(out.written, out.filled.bytes); !why.empty())
        out.failure = ActionFailure{3, "cannot write " + text::pathToUtf8(out.written) + ": " + why};
    return out;
}

} // namespace qa::review
