#pragma once
// What the review understood of the files: students, assignments, questions,
// sessions, responses and notes (each counted once), and the checks' findings.
// Texts from the files stay Windows-1252 here; the writers convert them.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "review/reader.h"
#include "review/review.h"

namespace qa::review {

inline constexpr std::uint32_t kNone = 0xFFFFFFFFu;

struct InputFile {
    std::filesystem::path path;
    std::string shown;     // relative to the input it was found under, "/" between folders, UTF-8
    std::string fileName;  // the last part of the name, UTF-8 as far as it goes
    std::string nameBytes; // the last part of the name as the system gives it (UTF-8 on Windows)
};

// Where one copy of a block or header stands.
struct Place {
    std::uint32_t file = 0;
    std::uint32_t line = 0;
};

struct Session {
    std::uint32_t student = 0;
    std::uint32_t assignment = 0;
    Moment start = 0;
    std::string codeLine;
    std::vector<Place> at;
};

// A response or a note, once however many files hold it.
struct Item {
    bool note = false;
    std::uint32_t student = kNone;
    std::uint32_t assignment = kNone;
    std::uint32_t session = kNone;
    std::uint32_t line = 0;         // the bank line it carries (interned)
    std::uint32_t question = kNone; // index into its assignment's questions; kNone when not in the bank
    Moment when = 0;
    std::string text;
    std::vector<Place> at;
};

enum class Status { Answered, Empty, Missing };

struct Cell {
    Status status = Status::Missing;
    std::uint32_t answer = kNone;     // the last non-empty response
    std::vector<std::uint32_t> items; // every response, in time order
    std::uint32_t revisions() const { return items.empty() ? 0 : static_cast<std::uint32_t>(items.size() - 1); }
};

// One student's work on one assignment.
struct Row {
    std::uint32_t student = 0;
    std::vector<Cell> cells;            // one per question
    std::vector<std::uint32_t> unknown; // responses whose line is not in the bank
};

struct Assignment {
    std::string number;                   // as written after "assignment #"
    std::vector<std::uint32_t> questions; // bank lines (interned), in bank order
    std::vector<Row> rows;                // by student name
};

struct Student {
    std::string name;                    // as in the headers
    std::vector<std::string> initials;   // every one seen, sorted
    std::vector<std::uint32_t> sessions; // by start
    std::vector<std::uint32_t> items;    // by time
};

// Findings of the checks.
struct FileNameFinding {
    std::uint32_t file = 0;
    std::uint32_t line = 0;
    std::string what; // UTF-8
};
struct SharedCodeLine {
    std::string codeLine;
    std::vector<std::uint32_t> sessions; // of at least two students
};
struct SameAnswers {
    std::uint32_t assignment = 0;
    std::uint32_t question = 0;
    std::vector<std::uint32_t> items; // final answers of two or more students
};
struct NearPair {
    std::uint32_t assignment = 0;
    std::uint32_t question = 0;
    std::uint32_t a = 0, b = 0; // items
    double share = 0;
};
struct ClockFinding {
    std::uint32_t student = 0;
    Place at;
    Moment start = 0, before = 0; // the session's start, and the latest moment before it in the file
};

class Model {
public:
    std::vector<std::filesystem::path> inputs;
    std::vector<InputFile> files; // sorted by input, then name
    std::vector<Problem> problems;
    std::size_t filesFound = 0;
    std::size_t recordFilesRead = 0;

    std::vector<std::string> lines;      // interned bank lines and current lines
    std::vector<Student> students;       // by name
    std::vector<Assignment> assignments; // by number
    std::vector<Session> sessions;
    std::vector<Item> items;

    std::vector<FileNameFinding> fileNames;
    std::vector<SharedCodeLine> codeLines;
    std::vector<SameAnswers> same;
    std::vector<NearPair> near;
    std::vector<ClockFinding> clocks;
    std::vector<std::uint32_t> notInBank; // items

    // The checks over what was read (the clock check is made while reading).
    void runChecks();
    // The responses and the notes the report shows.
    void count(std::size_t& responses, std::size_t& notes) const
    {
        responses = notes = 0;
        for (const Student& st : students)
            for (std::uint32_t i : st.items)
                ++(items[i].note ? notes : responses);
    }
    std::size_t findings() const
    {
        return fileNames.size() + codeLines.size() + same.size() + near.size() + clocks.size() + notInBank.size();
    }
};

// The text with every byte sequence that is not UTF-8 replaced by U+FFFD.
std::string validUtf8(std::string_view s);

// Reads and understands the inputs.
void loadModel(Model& model, const Options& options);
// The writers.
void writeHtmlReport(const Model& model, std::ostream& out, const std::string& madeOn);
void writeCsvExport(const Model& model, std::ostream& out);

} // namespace qa::review
