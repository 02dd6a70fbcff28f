#pragma once
// The instructor's review: reads a class's handed-in record files (send,
// master and notes files, told apart by what they hold) and makes one HTML
// report and one CSV of them. Plain C++; the Qt layer and the programs sit on
// top of this header.
//
//   Options options;
//   options.inputs = {folder};
//   Review review = Review::load(options);   // never throws for bad input
//   if (review.recordFilesRead() == 0) ...   // nothing to report
//   std::ofstream html(file, std::ios::binary);
//   review.writeHtml(html, "2026-03-07 10:20");
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qa {
class FileOps;
}

namespace qa::review {

// A place that did not read as record blocks, or a file that could not be
// read: the file as the report shows it, the lines (0 for the whole file) and
// what is wrong. All texts are UTF-8.
struct Problem {
    std::string file;
    std::uint32_t line = 0;
    std::uint32_t lastLine = 0; // the last line of the part; = line for one line
    std::string what;
};

// A file that is not a record file (no part of it reads as a record block),
// or an archive's member left unread: too large, too deep, or past what one
// run reads out of archives.
struct Skipped {
    std::string file; // as the report shows it
    std::string why;
    bool unread = false;
};

// How far archives are read. A record file is plain text a student typed:
// a term's master file is well under a megabyte, so a member of more than
// `recordFile` bytes is not one, and is skipped unread once its header or its
// first bytes show its size. An archive inside one (a ZIP per student) may
// hold more, up to `archive`. All archives of one run expand to at most
// `budget` bytes, and an archive is read at most `depth` deep (one inside
// the download, none inside that).
struct ArchiveLimits {
    std::uint64_t recordFile = std::uint64_t{8} << 20;
    std::uint64_t archive = std::uint64_t{256} << 20;
    std::uint64_t budget = std::uint64_t{256} << 20;
    int depth = 2;
};

struct Options {
    // Record files or folders (read with their subfolders).
    std::vector<std::filesystem::path> inputs;
    // Only this assignment (compared by number: 1, 01 and 001 are the same).
    std::optional<long> assignment;
    // Called now and then while the files are read: files done, files found.
    std::function<void(std::size_t done, std::size_t total)> progress;
    // Asked before each file is read: true stops the reading there, for a
    // Cancel button. What was read so far is then all the review holds.
    std::function<bool()> stop;
    // The file calls the inputs are listed and read with; the system's when
    // none is given.
    FileOps* fileOps = nullptr;
    ArchiveLimits archiveLimits{};
    // Students of a blind download under the names in their headers rather
    // than as "Participant <id>".
    bool showNames = false;
    // Threads to read the files and write the report with; 0: one per core.
    // What is read and written is the same whatever the number.
    unsigned threads = 0;
};

// What the report holds, in numbers (for a window or a message).
struct Summary {
    std::size_t filesFound = 0;      // regular files under the inputs
    std::size_t recordFilesRead = 0; // files in which at least one block was read
    std::size_t students = 0;
    std::size_t assignments = 0;
    std::size_t responses = 0; // after duplicates are counted once
    std::size_t notes = 0;
    std::size_t problems = 0;   // unreadable parts and files
    std::size_t findings = 0;   // check results (file names, code lines, same and near-identical answers, clocks)
    std::size_t skipped = 0;    // files that are not record files
    std::uint64_t expanded = 0; // bytes read out of archives
    // With an assignment asked for: the assignments the headers name, when
    // that one is not among them.
    std::vector<std::string> otherAssignments;
};

class Model;
class Sheet;
class MarkingDesk;
class Marking;

class Review {
public:
    // Reads and understands every record file under the inputs. Inputs are
    // opened read-only; nothing is written anywhere.
    static Review load(const Options& options);

    Review(Review&&) noexcept;
    Review& operator=(Review&&) noexcept;
    ~Review();

    std::size_t recordFilesRead() const;
    Summary summary() const;
    // Unreadable parts and files, sorted by file and line.
    const std::vector<Problem>& problems() const;
    const std::vector<Skipped>& skipped() const;
    // Every file found under the inputs, read or not.
    std::vector<std::filesystem::path> inputFiles() const;

    // The report: one self-contained UTF-8 HTML page, written to `out` as it
    // is made. The same input gives the same bytes but for the one line that
    // carries `madeOn`.
    void writeHtml(std::ostream& out, const std::string& madeOn) const;
    // How many threads the options asked for (one per core for 0).
    unsigned threads() const { return threads_; }
    // The CSV: UTF-8 with a byte-order mark, CR LF rows, one row per
    // student, assignment and question.
    void writeCsv(std::ostream& out) const;
    // The workbook: the CSV's rows, one sheet per assignment, typed cells,
    // and a sheet of the checks' findings, written in place of `file` in one
    // step. Empty when it is written, else why not. The same input gives the
    // same cells but for the one that carries `madeOn`.
    std::string writeWorkbook(const std::filesystem::path& file, const std::string& madeOn) const;
    // Each assignment as the instructor marks it.
    std::vector<Sheet> sheets() const;
    // From now on the CSV and the workbook carry these marks (Mark, Maximum
    // and Comment at the end of each row); null for none. Not owned.
    void showMarks(const Marking* marking) { marks_ = marking; }

private:
    explicit Review(std::unique_ptr<Model> model);
    std::unique_ptr<Model> model_;
    const Marking* marks_ = nullptr;
    unsigned threads_ = 1; // as the options asked, to write with
};

// The command line: qa-review [--html FILE] [--csv FILE] [--xlsx FILE] [--assignment N] PATH...
// `args` are the arguments after the program name, in UTF-8. Returns the exit
// status: 0 when at least one record file was read, 1 when none was, 2 for a
// usage error (with the usage text on `err`), 3 when an output cannot be
// written. Progress goes to `err` only when `errIsTerminal` and the run is
// long.
// The marking window of a program that has one (--mark): runs over `desk`
// until it is closed and returns the exit status.
using MarkingWindow = std::function<int(MarkingDesk& desk)>;

int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   bool errIsTerminal = false, const MarkingWindow& window = {});

// The usage text (several lines, each ended by "\n").
std::string usageText();

// Whether this build writes workbooks (it does when built with libxlsxwriter).
bool writesWorkbooks();

// A count and its noun, singular or plural: "1 file", "2 files", "0 files";
// `many` when the plural is not the noun and an "s".
std::string counted(std::size_t n, const std::string& one, const std::string& many = {});

// A UTF-8 name as a path (on Windows: UTF-16), and a path as UTF-8 with bytes
// that are not UTF-8 replaced by U+FFFD.
std::filesystem::path pathFromUtf8(const std::string& utf8);
std::string pathToUtf8(const std::filesystem::path& path);

// The "made on" text for now, local time: YYYY-MM-DD HH:MM.
std::string madeOnNow();

} // namespace qa::review
