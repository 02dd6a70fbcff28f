// The command line's marking steps.
#include "review/cli/cli_marks.h"

#include <ostream>

#include "platform/utf8.h"
#include "review/cli/cli.h"
#include "review/marking/marks_file.h"
#include "review/marking/sheet.h"

namespace qa::review {
namespace fs = std::filesystem;
namespace {

constexpr int kUsage = 2;

// The sheet the worksheet is for: the one assignment, or the one asked for.
std::optional<std::size_t> worksheetSheet(const Marking& m, std::optional<long> assignment, std::ostream& err)
{
    if (assignment) {
        for (std::size_t s = 0; s < m.sheets().size(); ++s)
            if (sameAssignment(m.sheets()[s].assignment, std::to_string(*assignment)))
                return s;
    } else if (m.sheets().size() == 1) {
        return 0;
    }
    err << "qa-review: a grading worksheet is for one assignment; "
        << (assignment ? "the inputs hold no assignment " + std::to_string(*assignment)
                       : std::string("give it with --assignment N"))
        << "\n";
    return std::nullopt;
}

Exit worksheet(const MarkingRequest& request, const Marking& m, std::optional<long> assignment,
               const AmongInputs& among, std::ostream& out, std::ostream& err)
{
    const std::optional<std::size_t> sheet = worksheetSheet(m, assignment, err);
    if (!sheet)
        return kUsage;
    const std::string& name = request.worksheet;
    WorksheetOptions options;
    options.replaceGrades = request.replaceGrades;
    const Result<WorksheetDone> done = fillWorksheetFile(text::pathFromUtf8(name), m, *sheet, among, options);
    if (!done)
        return failed(err, done.problem());
    const FilledWorksheet& filled = done->filled;
    for (const std::string& who : filled.studentsWithoutRow)
        err << "qa-review: " << who << " has marks but no row in " << name << "\n";
    for (const std::string& why : filled.gradeProblems)
        err << "qa-review: " << name << ": warning: " << why << "\n";
    out << "Worksheet: " << text::pathToUtf8(done->written) << " (" << filled.gradesSet() << " grades, "
        << filled.commentsSet() << " comments filled; what the platform's import will do:)\n"
        << worksheetPreview(filled);
    return std::nullopt;
}

Exit feedback(const std::string& name, const Marking& m, const AmongInputs& among, std::ostream& out,
              std::ostream& err)
{
    const fs::path folder = text::pathFromUtf8(name);
    const Result<FeedbackWritten> done = writeFeedbackInto(folder, m, among);
    if (!done)
        return failed(err, done.problem());
    const FeedbackWritten& written = *done;
    for (const std::string& who : written.withoutId)
        err << "qa-review: " << who << ": the platform's submitter id is unknown; the page is not in the ZIP\n";
    if (!written.zips)
        err << "qa-review: this build writes no ZIP archives (it has no libarchive); the pages are written\n";
    out << "Feedback: " << written.files.size() << (written.files.size() == 1 ? " file" : " files") << " in "
        << text::pathToUtf8(folder) << " (the marked students only)\n";
    return std::nullopt;
}

} // namespace

bool takeMarkingOption(const std::vector<std::string>& args, std::size_t& i, MarkingRequest& request,
                       std::string& why)
{
    const std::string& a = args[i];
    if (a == "--mark" || a == "--replace-grades") {
        (a == "--mark" ? request.window : request.replaceGrades) = true;
        return true;
    }
    std::string* target = a == "--marks"       ? &request.marks
                          : a == "--comments"  ? &request.comments
                          : a == "--feedback"  ? &request.feedback
                          : a == "--worksheet" ? &request.worksheet
                                               : nullptr;
    if (!target)
        return false;
    if (i + 1 >= args.size() || args[i + 1].empty())
        why = a + " needs a value";
    else if (!target->empty())
        why = a + " is given twice";
    else
        *target = args[++i];
    return true;
}

Exit openMarking(const MarkingRequest& request, const Review& review, const fs::path& reportFolder,
                 const fs::path& firstInput, const AmongInputs& among, MarkingRun& run, std::ostream& err)
{
    const fs::path file =
        request.marks.empty() ? defaultMarksPath(reportFolder, firstInput) : text::pathFromUtf8(request.marks);
    const fs::path bankFile =
        request.comments.empty() ? defaultBankPath(file) : text::pathFromUtf8(request.comments);
    Result<std::unique_ptr<MarkingDesk>> desk = openMarkingDesk(
        review.sheets(), {file, bankFile, !request.marks.empty(), !request.comments.empty()}, among);
    if (!desk) {
        Problem p = desk.problem();
        if (among(file))
            p.what += ": give --marks FILE outside them";
        else if (among(bankFile))
            p.what += ": give --comments FILE outside them";
        return failed(err, p);
    }
    run.desk = std::move(*desk);
    for (const UnmatchedRow& row : run.desk->marking().unmatched())
        err << "qa-review: " << text::pathToUtf8(file) << ":" << row.line << ": " << row.what
            << "; the row is kept\n";
    return std::nullopt;
}

int finishMarking(const MarkingRequest& request, MarkingRun& run, std::optional<long> assignment,
                  const AmongInputs& among, const MarkingWindow& window, std::ostream& out, std::ostream& err)
{
    const Marking& m = run.desk->marking();
    if (!request.feedback.empty())
        if (const Exit status = feedback(request.feedback, m, among, out, err))
            return *status;
    if (!request.worksheet.empty())
        if (const Exit status = worksheet(request, m, assignment, among, out, err))
            return *status;
    if (!request.window)
        return 0;
    if (!window)
        return err << "qa-review: --mark needs the window, and this qa-review was built without one\n", kUsage;
    out << "Marks: " << text::pathToUtf8(run.desk->marksFile()) << "\n" << std::flush;
    return window(*run.desk);
}

} // namespace qa::review
