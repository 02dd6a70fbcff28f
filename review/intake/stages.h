#pragma once
// The reading, stage by stage. Each stage takes values and gives values, so
// each can be tried without a disk; load.cpp runs them in this order:
//   findInputs    the files under the inputs            (inputs.cpp)
//   readWholeFile one file's bytes, through the seam    (platform/whole_file.cpp)
//   parseRecordFile  bytes into blocks                  (records/record_reader.cpp)
//   Assembler     blocks into students, sittings and items, copies counted once (assemble.cpp)
//   indexRows     students and assignments in order, rows and cells             (index.cpp)
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "platform/file_ops.h"
#include "review/model/model.h"

namespace qa::review {

// The files under the inputs, each input's in name order, and what could not
// be listed.
struct Listing {
    Table<FileId, InputFile> files;
    std::vector<Problem> problems;
    std::vector<Skipped> skipped; // links out of the inputs
};
// The names are understood on `threads` threads; every file call is made
// from the caller's.
Listing findInputs(FileOps& ops, const std::vector<std::filesystem::path>& inputs, unsigned threads = 1);

// The original name and the submitter of a file from its path under its
// input ("/" between folders), as a platform or a download named it.
void nameFile(InputFile& f, std::string_view path);

// Puts the blocks of the files together. Two headers are one sitting when
// they are the same student's, carry the same code line and lie at most 2 s
// apart, from different files; two blocks are one item when they are the same
// student's, carry the same line and text and lie at most 2 s apart, from
// different files. Two identical blocks in one file are two.
class Assembler {
public:
    // `assignment`: only that one (compared by number). `showNames`: students
    // of a blind download are shown under the names in their headers, not as
    // "Participant <id>".
    Assembler(const Table<FileId, InputFile>& files, std::optional<long> assignment, bool showNames = false);
    // The blocks of one file; false when none read (not a record file).
    bool take(FileId file, const records::ParsedFile& parsed);
    // Students, assignments, lines, sittings and items into `model`, and the
    // problems found on the way.
    void finish(Model& model);

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu; // no raw sitting
    struct RawSitting {
        std::uint32_t spelling; // the name as the header spells it
        std::string initials;
        StudentId student; // once the students are known
        AssignmentId assignment;
        Moment start;
        std::string codeLine;
        Place at;
        SittingId canonical;
    };
    struct RawItem {
        bool note;
        StudentId student;
        AssignmentId assignment;
        std::uint32_t sitting; // raw index
        LineId line;
        Moment when;
        std::uint64_t hash;
        std::string text;
        Place at;
    };
    LineId intern(std::string_view s);
    std::uint32_t spellingOf(std::string_view name);
    AssignmentId assignmentOf(std::string_view number);
    bool wanted(std::string_view assignment) const;
    // Per student: each spelling's count and earliest start.
    using Tally = std::vector<std::map<std::uint32_t, std::pair<std::size_t, Moment>>>;
    void buildStudents(Model& m);
    // Each student by the spelling used most (the earliest of those used as
    // often); a blind participant as "Participant <id>" unless names are shown.
    void nameStudents(const Tally& tally);
    void nameFindings(Model& m);
    void placeNotesFiles();
    void dedupeSittings(Model& m);
    // The raw items by student, kind, line and text, then by time and place:
    // the copies of one item side by side, the earliest first.
    std::vector<std::uint32_t> itemsInOrder() const;
    void dedupeItems(Model& m);

    const Table<FileId, InputFile>& files_;
    std::optional<long> assignment_;
    bool showNames_;
    Table<LineId, std::string> lines_;
    Table<StudentId, Student> students_;
    Table<AssignmentId, Assignment> assignments_;
    std::vector<Problem> problems_;
    std::unordered_map<std::string, LineId> lineIds_;
    std::vector<std::string> spellings_;
    std::unordered_map<std::string, std::uint32_t> spellingIds_;
    std::set<std::string> seen_; // assignment numbers
    std::unordered_map<std::string, AssignmentId> assignmentIds_;
    std::vector<RawSitting> rawSittings_;
    std::vector<RawItem> rawItems_;
};

// Students by name and assignments by number; each assignment's questions
// from the bank; one row per student and assignment with a sitting, one cell
// per question, each response in its cell. `oneAssignment`: notes that cannot
// be placed in an assignment are left out.
void indexRows(Model& model, bool oneAssignment);

// Names in the order a reader expects: case folded, and numbers by their
// value ("Student 2" before "Student 10"); the name itself breaks ties.
std::string sortKey(const std::string& name);

// Reads and understands the inputs: each stage above in turn. The checks
// are not run.
void loadModel(Model& model, const Options& options);

} // namespace qa::review
