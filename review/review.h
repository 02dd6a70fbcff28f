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

#include "review/model/options.h"
#include "review/model/result.h"
#include "review/write/destination.h"

namespace qa::review {

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
    std::vector<ReadInput> inputFiles() const;

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
    // step; a Problem (writing) when it cannot be. The same input gives the
    // same cells but for the one that carries `madeOn`.
    Result<void> writeWorkbook(const std::filesystem::path& file, const std::string& madeOn) const;
    // Each assignment as the instructor marks it.
    std::vector<Sheet> sheets() const;
    // From now on the CSV and the workbook carry these marks (Mark, Maximum
    // and Comment at the end of each row); null for none. Not owned.
    void showMarks(const Marking* marking) { marks_ = marking; }
    // For a program about to end: what was read is left to the system to
    // take back at exit rather than freed piece by piece, a large class's
    // last tens of milliseconds. It stays reachable; this Review is empty.
    void leaveToExit();

private:
    explicit Review(std::unique_ptr<Model> model);
    std::unique_ptr<Model> model_;
    const Marking* marks_ = nullptr;
    unsigned threads_ = 1; // as the options asked, to write with
};

// A count and its noun, singular or plural: "1 file", "2 files", "0 files";
// `many` when the plural is not the noun and an "s".
std::string counted(std::size_t n, const std::string& one, const std::string& many = {});

// The "made on" text for now, local time: YYYY-MM-DD HH:MM.
std::string madeOnNow();

} // namespace qa::review
