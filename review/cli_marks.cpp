// The command line's marking steps.
#include "review/cli_marks.h"

#include <ostream>

#include "platform/errors.h"
#include "review/feedback.h"
#include "review/marks.h"
#include "review/marks_file.h"
#include "review/sheet.h"
#include "review/worksheet.h"

namespace qa::review {
namespace fs = std::filesystem;
namespace {

constexpr int kGoOn = -1, kUsage = 2, kCannotWrite = 3;

int cannotRead(std::ostream& err, const RuntimeError& e)
{
    err << "qa-review: " << e.path() << ": " << e.reason() << "\n";
    return kUsage;
}

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

int worksheet(const std::string& name, const Marking& m, std::optional<long> assignment, const AmongInputs& among,
              std::ostream& out, std::ostream& err)
{
    const std::optional<std::size_t> sheet = worksheetSheet(m, assignment, err);
    if (!sheet)
        return kUsage;
    const fs::path in = pathFromUtf8(name), target = gradedPath(in);
    if (const auto input = among(target))
        return err << "qa-review: " << pathToUtf8(target) << " is among the inputs (" << *input
                   << "); nothing is written there\n",
               kUsage;
    std::string bytes;
    if (const std::string why = readWholeFile(in, bytes); !why.empty())
        return err << "qa-review: " << name << ": cannot be read: " << why << "\n", kUsage;
    FilledWorksheet filled;
    try {
        filled = fillWorksheet(bytes, name, m, *sheet);
    } catch (const RuntimeError& e) {
        return cannotRead(err, e);
    }
    if (const std::string why = writeWholeFile(target, filled.bytes); !why.empty())
        return err << "qa-review: cannot write " << pathToUtf8(target) << ": " << why << "\n", kCannotWrite;
    for (const std::string& row : filled.rowsWithoutStudent)
        err << "qa-review: " << name << ": " << row << ": no student of that id; the row is left as it was\n";
    for (const std::string& who : filled.studentsWithoutRow)
        err << "qa-review: " << who << " has marks but no row in " << name << "\n";
    for (const std::string& why : filled.gradeProblems)
        err << "qa-review: " << name << ": warning: " << why << "\n";
    if (!filled.gradesLeft.empty()) {
        err << "qa-review: " << name << ": Grade is left as it was (Feedback comments are filled) for";
        for (std::size_t k = 0; k < filled.gradesLeft.size(); ++k)
            err << (k ? ", " : " ") << filled.gradesLeft[k];
        err << "\n";
    }
    out << "Worksheet: " << pathToUtf8(target) << " (" << filled.filled - filled.gradesLeft.size()
        << " grades filled)\n";
    return kGoOn;
}

int feedback(const std::string& name, const Marking& m, const AmongInputs& among, std::ostream& out,
             std::ostream& err)
{
    const fs::path folder = pathFromUtf8(name);
    if (const auto input = among(folder))
        return err << "qa-review: " << name << " is among the inputs (" << *input
                   << "); nothing is written there\n",
               kUsage;
    FeedbackWritten written;
    try {
        written = writeFeedback(m, folder);
    } catch (const RuntimeError& e) {
        return err << "qa-review: cannot write " << e.path() << ": " << e.reason() << "\n", kCannotWrite;
    }
    for (const std::string& who : written.withoutId)
        err << "qa-review: " << who << ": the platform's submitter id is unknown; the page is not in the ZIP\n";
    if (!written.zips)
        err << "qa-review: this build writes no ZIP archives (it has no libarchive); the pages are written\n";
    out << "Feedback: " << written.files.size() << (written.files.size() == 1 ? " file" : " files") << " in "
        << pathToUtf8(folder) << "\n";
    return kGoOn;
}

} // namespace

bool takeMarkingOption(const std::vector<std::string>& args, std::size_t& i, MarkingRequest& request,
                       std::string& why)
{
    const std::string& a = args[i];
    if (a == "--mark") {
        request.window = true;
        return true;
    }
    std::string* target = a == "--marks"       ? &request.marks
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

int openMarking(const MarkingRequest& request, const Review& review, const fs::path& reportFolder,
                const fs::path& firstInput, const AmongInputs& among, MarkingRun& run, std::ostream& err)
{
    const fs::path file =
        request.marks.empty() ? defaultMarksPath(reportFolder, firstInput) : pathFromUtf8(request.marks);
    if (const auto input = among(file))
        return err << "qa-review: the marks file " << pathToUtf8(file) << " is among the inputs (" << *input
                   << "); nothing is written there: give --marks FILE outside them\n",
               kUsage;
    std::error_code ec;
    if (!request.marks.empty() && !fs::exists(file, ec))
        return err << "qa-review: " << request.marks << ": no such marks file\n", kUsage;
    MarksTable table;
    try {
        table = readMarksFile(file);
    } catch (const RuntimeError& e) {
        return cannotRead(err, e);
    }
    run.desk = std::make_unique<MarkingDesk>(Marking(review.sheets(), std::move(table)), file);
    for (const UnmatchedRow& row : run.desk->marking().unmatched())
        err << "qa-review: " << pathToUtf8(file) << ":" << row.line << ": " << row.what << "; the row is kept\n";
    return kGoOn;
}

int finishMarking(const MarkingRequest& request, MarkingRun& run, std::optional<long> assignment,
                  const AmongInputs& among, const MarkingWindow& window, std::ostream& out, std::ostream& err)
{
    const Marking& m = run.desk->marking();
    if (!request.feedback.empty())
        if (const int status = feedback(request.feedback, m, among, out, err); status != kGoOn)
            return status;
    if (!request.worksheet.empty())
        if (const int status = worksheet(request.worksheet, m, assignment, among, out, err); status != kGoOn)
            return status;
    if (!request.window)
        return 0;
    if (!window)
        return err << "qa-review: --mark needs the window, and this qa-review was built without one\n", kUsage;
    out << "Marks: " << pathToUtf8(run.desk->marksFile()) << "\n" << std::flush;
    return window(*run.desk);
}

} // namespace qa::review
