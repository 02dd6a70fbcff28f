// The command line: qa-review [--html FILE] [--csv FILE] [--xlsx FILE] [--assignment N] PATH...
#include <chrono>
#include <future>
#include <ostream>
#include <system_error>

#include "platform/utf8.h"
#include "review/cli/cli.h"
#include "review/cli/cli_marks.h"
#include "review/report/workbook.h"
#include "review/review.h"
#include "review/write/destination.h"

namespace qa::review {
namespace fs = std::filesystem;
namespace {

constexpr int kRead = 0, kNothingRead = 1, kUsage = 2, kCannotWrite = 3;

// One output the run was asked for.
struct Output {
    const char* option;
    const char* label; // as the closing lines name it
    std::string name;  // empty when not asked for
};

struct Request {
    Output outputs[3] = {{"--html", "Report", {}}, {"--csv", "CSV", {}}, {"--xlsx", "Workbook", {}}};
    Options options;
    MarkingRequest marking;
    std::vector<std::string> names;
    Output& html() { return outputs[0]; }
    bool anyOutput() const
    {
        for (const Output& o : outputs)
            if (!o.name.empty())
                return true;
        return false;
    }
};

int usage(std::ostream& err, const std::string& why)
{
    err << "qa-review: " << why << "\n" << usageText();
    return kUsage;
}

// One option and its value; none when it is taken.
Exit option(Request& r, const std::string& a, const std::string& v, std::ostream& err)
{
    if (a == "--assignment") {
        if (r.options.assignment || v.size() > 9 || v.find_first_not_of("0123456789") != std::string::npos)
            return usage(err, "--assignment takes one number, like 1 or 001");
        r.options.assignment = std::stol(v);
        return std::nullopt;
    }
    if (a == "--threads") {
        if (r.options.threads || v.size() > 3 || v.find_first_not_of("0123456789") != std::string::npos ||
            std::stoul(v) == 0)
            return usage(err, "--threads takes one number from 1, like 1 or 4");
        r.options.threads = static_cast<unsigned>(std::stoul(v));
        return std::nullopt;
    }
    for (Output& o : r.outputs)
        if (a == o.option) {
            if (!o.name.empty())
                return usage(err, a + " is given twice");
            o.name = v;
        }
    return std::nullopt;
}

Exit parse(const std::vector<std::string>& args, Request& r, std::ostream& out, std::ostream& err)
{
    bool optionsEnd = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!optionsEnd && (a == "--help" || a == "-h")) {
            out << usageText();
            return kRead;
        }
        if (std::string why; !optionsEnd && takeMarkingOption(args, i, r.marking, why)) {
            if (!why.empty())
                return usage(err, why);
        } else if (!optionsEnd &&
                   (a == "--html" || a == "--csv" || a == "--xlsx" || a == "--assignment" || a == "--threads")) {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return usage(err, a + " needs a value");
            if (const Exit status = option(r, a, args[++i], err))
                return status;
        } else if (!optionsEnd && a == "--show-names") {
            r.options.showNames = true;
        } else if (!optionsEnd && a == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && a.size() > 1 && a[0] == '-') {
            return usage(err, "unknown option " + a);
        } else {
            r.names.push_back(a);
        }
    }
    if (r.names.empty())
        return usage(err, "no PATH given");
    if (!r.outputs[2].name.empty() && !writesWorkbooks())
        return usage(err, "--xlsx: this build of qa-review writes no workbooks (it was built without "
                          "libxlsxwriter); --csv gives the same rows");
    for (const std::string& n : r.names)
        r.options.inputs.push_back(text::pathFromUtf8(n));
    return std::nullopt;
}

// No two outputs in one file, and none among the inputs (with `files`, the
// files found under them, also none that is one of them by another name).
Exit checkOutputs(Request& r, const std::vector<ReadInput>& files, std::ostream& err)
{
    if (!r.anyOutput() && !r.marking.any()) {
        std::error_code ec;
        if (const auto k = amongInputs(fs::current_path(ec), r.options.inputs)) {
            err << "qa-review: the current folder is among the inputs (" << r.names[*k]
                << "), and nothing is written there; give --html FILE outside it\n";
            return kUsage;
        }
        r.html().name = "review.html";
    }
    for (std::size_t i = 0; i < std::size(r.outputs); ++i) {
        const Output& o = r.outputs[i];
        if (o.name.empty())
            continue;
        for (std::size_t j = i + 1; j < std::size(r.outputs); ++j)
            if (!r.outputs[j].name.empty() &&
                sameFile(text::pathFromUtf8(o.name), text::pathFromUtf8(r.outputs[j].name)))
                return usage(err, std::string(o.option) + " and " + r.outputs[j].option + " name the same file");
        if (const auto k = amongInputs(text::pathFromUtf8(o.name), r.options.inputs, files))
            return usage(err, o.name + " is among the inputs (" + r.names[*k] + "); nothing is written there");
    }
    return std::nullopt;
}

void showProgress(Options& options, std::ostream& err, bool& shown)
{
    const auto started = std::chrono::steady_clock::now();
    options.progress = [&err, &shown, started](std::size_t done, std::size_t total) {
        if (!shown && std::chrono::steady_clock::now() - started < std::chrono::milliseconds(700))
            return;
        shown = true;
        err << "\rqa-review: reading " << done << " of " << total << " files" << std::flush;
    };
}

// What could not be read, on `err`; the exit status when nothing of what
// was asked for was read.
Exit sayWhatWasRead(const Review& review, const Summary& s, std::optional<long> assignment, std::ostream& err)
{
    for (const Problem& p : review.problems())
        err << "qa-review: " << describe(p) << "\n";
    std::size_t notRecords = 0;
    for (const Skipped& k : review.skipped())
        if (k.unread)
            err << "qa-review: " << k.file << ": " << k.why << "\n";
        else
            ++notRecords;
    if (notRecords)
        err << "qa-review: " << counted(notRecords, "file") << " skipped: not record files\n";
    if (s.recordFilesRead == 0) {
        err << "qa-review: no record file was read (" << counted(s.filesFound, "file") << " found)\n";
        return kNothingRead;
    }
    if (assignment && s.students == 0) {
        std::string found;
        for (const std::string& a : s.otherAssignments)
            found += (found.empty() ? "" : ", ") + a;
        err << "qa-review: no work for assignment " << *assignment << "; the files hold assignment"
            << (s.otherAssignments.size() == 1 ? " " : "s ") << found << "\n";
        return kNothingRead;
    }
    return std::nullopt;
}

// Each output in one step; false at the first that cannot be written.
bool writeAll(const Review& review, const Request& r, std::ostream& err)
{
    const std::string madeOn = madeOnNow();
    // The workbook spends its time compressing: it is made on a thread of its
    // own while the report and the CSV are written.
    const Output& book = r.outputs[2];
    std::future<Result<void>> booked;
    if (!book.name.empty())
        booked = std::async(std::launch::async, [&review, &book, &madeOn] {
            return review.writeWorkbook(text::pathFromUtf8(book.name), madeOn);
        });
    // So is the CSV beside the report, when there are cores for it.
    const Output& csv = r.outputs[1];
    const auto writeCsv = [&review, &csv] {
        return writeOutput(text::pathFromUtf8(csv.name), [&](std::ostream& f) { review.writeCsv(f); });
    };
    std::future<Result<void>> tabled;
    if (!csv.name.empty() && !r.outputs[0].name.empty() && review.threads() > 1)
        tabled = std::async(std::launch::async, writeCsv);
    for (const Output& o : r.outputs) {
        if (o.name.empty())
            continue;
        const Result<void> written =
            &o == &r.outputs[0]
                ? writeOutput(text::pathFromUtf8(o.name), [&](std::ostream& f) { review.writeHtml(f, madeOn); })
            : &o == &csv ? (tabled.valid() ? tabled.get() : writeCsv())
                         : booked.get();
        if (!written) {
            failed(err, Problem{{}, 0, 0, "cannot write " + o.name + ": " + written.problem().what, true});
            return false;
        }
    }
    return true;
}

// Where the marks file goes by default: beside the first output asked for.
fs::path reportFolder(const Request& r)
{
    for (const Output& o : r.outputs)
        if (!o.name.empty())
            return absoluteOf(text::pathFromUtf8(o.name)).parent_path();
    return absoluteOf(".");
}

} // namespace

int failed(std::ostream& err, const Problem& problem)
{
    err << "qa-review: " << describe(problem) << "\n";
    return problem.writing ? kCannotWrite : kUsage;
}

std::string usageText()
{
    return "usage: qa-review [--html FILE] [--csv FILE] [--xlsx FILE] [--assignment N] [--mark]\n"
           "                 [--marks FILE] [--comments FILE] [--feedback FOLDER]\n"
           "                 [--worksheet FILE [--replace-grades]]\n"
           "                 [--show-names] [--threads N] PATH...\n"
           "Reads the tutor's record files (send, master and notes files) under each PATH, a file or a\n"
           "folder with its subfolders, and writes one report of them.\n"
           "  --html FILE      the report, one HTML page\n"
           "  --csv FILE       one row per student, assignment and question\n"
           "  --xlsx FILE      the same rows as a workbook, one sheet per assignment, and the checks\n"
           "  --assignment N   only assignment N\n"
           "  --show-names     a blind download's students under the names in their files, not as\n"
           "                   \"Participant <id>\"\n"
           "  --mark           the marking window over the inputs\n"
           "  --marks FILE     the marks file (default: marks-<first PATH's name>.csv beside the report)\n"
           "  --comments FILE  the comment bank of the marking window (default: comments-<name>.csv\n"
           "                   beside marks-<name>.csv), written back with the marks\n"
           "  --feedback FOLDER  a feedback page per marked student and a ZIP for the platform's upload\n"
           "  --worksheet FILE the platform's grading worksheet, in any of its languages: its copy\n"
           "                   FILE-graded.csv beside it gets the grades and comments, and the run shows\n"
           "                   what the platform's import will do with each row\n"
           "  --replace-grades a grade already in the worksheet is replaced (else it is kept and named)\n"
           "  --threads N      read and write with N threads (default: one per core); the outputs are\n"
           "                   the same whatever N\n"
           "With none of --html, --csv, --xlsx and the marking options, the report goes to review.html\n"
           "in the current folder.\n"
           "Nothing is written among the inputs; a file that is there is replaced only once its new\n"
           "contents are whole.\n"
           "Exit status: 0 read, 1 no record file read, 2 usage error (or a marks file or worksheet that\n"
           "cannot be read), 3 an output cannot be written.\n";
}

int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal,
                   const MarkingWindow& window, bool ending)
{
    Request r;
    if (const Exit status = parse(args, r, out, err))
        return *status;
    if (const Exit status = checkOutputs(r, {}, err))
        return *status;
    bool shown = false;
    if (errIsTerminal)
        showProgress(r.options, err, shown);
    Review review = Review::load(r.options);
    if (shown)
        err << "\r\033[K" << std::flush;
    const Summary s = review.summary();
    if (const Exit status = sayWhatWasRead(review, s, r.options.assignment, err))
        return *status;
    // Now that the files are known: none of them by a second name.
    std::vector<ReadInput> files = review.inputFiles();
    if (const Exit status = checkOutputs(r, files, err))
        return *status;
    const AmongInputs among = amongReviewInputs(r.options.inputs, r.names, std::move(files));
    MarkingRun run;
    if (r.marking.any())
        if (const Exit status =
                openMarking(r.marking, review, reportFolder(r), r.options.inputs.front(), among, run, err))
            return *status;
    if (run.desk && (!r.marking.marks.empty() || run.desk->marking().table().size() > 0))
        review.showMarks(&run.desk->marking());
    if (!writeAll(review, r, err))
        return kCannotWrite;
    out << "Read " << counted(s.recordFilesRead, "record file") << " of " << s.filesFound
        << " found: " << counted(s.students, "student") << ", " << counted(s.assignments, "assignment") << ", "
        << counted(s.responses, "response") << ", " << counted(s.notes, "note") << "; "
        << counted(s.findings, "check finding") << ", " << counted(s.problems, "unreadable part") << ".\n";
    for (const Output& o : r.outputs)
        if (!o.name.empty())
            out << o.label << ": " << text::pathToUtf8(absoluteOf(text::pathFromUtf8(o.name))) << "\n";
    if (r.marking.any())
        return finishMarking(r.marking, run, r.options.assignment, among, window, out, err);
    if (ending)
        review.leaveToExit();
    return kRead;
}

} // namespace qa::review
