#pragma once
// What the review understood of the files: students, assignments, questions,
// sittings, responses and notes (each counted once), and the checks' findings.
// Texts from the files stay Windows-1252 here; the writers convert them.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "records/record_reader.h"
#include "review/model/ids.h"
#include "review/model/options.h"

namespace qa::review {

using records::civilFromDays;
using records::daysFromCivil;
using records::formatMoment;
using records::kSecondsPerDay;
using records::Moment;

struct InputFile {
    std::string host;      // the path as the platform's file calls take it
    std::string shown;     // relative to the input it was found under, "/" between folders, UTF-8
    std::string fileName;  // the last part of the name, UTF-8 as far as it goes
    std::string nameBytes; // the last part of the name as the system gives it (UTF-8 on Windows)
    // The name the tutor gave the file, without what a platform or a
    // download added; bytes as nameBytes.
    std::string original{};
    // Who handed it in, as a learning platform named the file: the name
    // (UTF-8, as the platform spelt it) and the platform's id; empty when the
    // name says nothing. The name is empty too where the platform gave none
    // (`blind`) or only Canvas's squeezed sortable name (`squeezedName`).
    std::string submitterName{}, submitterId{};
    const char* platform = nullptr;
    std::string squeezedName{}; // Canvas's "leeann": to compare letters with, never to show
    bool late = false;          // the platform marked it as handed in late
    // Which file it was when read (0 0: not read, or the system gives none).
    std::uint64_t device = 0, id = 0;
    bool blind = false; // a participant word or Canvas's "anon" in place of the name
};

// Where one copy of a block or header stands.
struct Place {
    FileId file;
    std::uint32_t line = 0;
    Moment when = 0; // as this copy reads the clock
};

// One start of the tutor: an opening header, once however many files hold it.
struct Sitting {
    StudentId student;
    AssignmentId assignment;
    Moment start = 0;
    std::string codeLine;
    std::vector<Place> at;
};

// A response or a note, once however many files hold it.
struct Item {
    bool note = false;
    StudentId student;
    AssignmentId assignment;
    SittingId sitting;
    LineId line;         // the bank line it carries
    QuestionId question; // in its assignment's questions; none when not in the bank
    Moment when = 0;
    std::string text;
    std::vector<Place> at;
};

enum class Status { Answered, Empty, Missing };

struct Cell {
    Status status = Status::Missing;
    ItemId answer;             // the last non-empty response
    std::vector<ItemId> items; // every response, in time order
    std::uint32_t revisions() const { return items.empty() ? 0 : static_cast<std::uint32_t>(items.size() - 1); }
};

// One student's work on one assignment.
struct Row {
    StudentId student;
    Table<QuestionId, Cell> cells; // one per question
    std::vector<ItemId> unknown;   // responses whose line is not in the bank
};

struct Assignment {
    std::string number;                  // as written after "assignment #"
    Table<QuestionId, LineId> questions; // bank lines, in bank order
    std::vector<Row> rows;               // by student name
};

struct Student {
    // As in the headers (the spelling used most); "Participant <id>" for a
    // participant of a blind download unless names are shown.
    std::string name;
    std::vector<std::string> initials; // every one seen, sorted
    std::vector<SittingId> sittings;   // by start
    std::vector<ItemId> items;         // by time
    // The platform's participant who handed the files in, who receives the
    // marks and the feedback: the id, and the name as the platform spelt it
    // (UTF-8). Empty for files from no platform.
    std::string participantId{}, participantName{};
    bool blind = false; // the platform hid the participant's name
    bool late = false;  // a file of it was handed in late
    // Its headers name someone other than the participant who handed it in.
    bool namedOther = false;
    // A blind participant's name in the headers while `name` hides it.
    std::string hiddenName{};
};

// Findings of the checks.
struct FileNameFinding {
    FileId file;
    std::uint32_t line = 0;
    std::string what; // UTF-8
};
struct SharedCodeLine {
    std::string codeLine;
    std::vector<SittingId> sittings; // of at least two students
};
struct SameAnswers {
    AssignmentId assignment;
    QuestionId question;
    std::vector<ItemId> items; // final answers of two or more students
};
struct NearPair {
    AssignmentId assignment;
    QuestionId question;
    ItemId a, b;
    double share = 0;
};
// A finding about one file: changed after the tutor wrote it, handed in by
// another student, a name spelt another way. `what` is UTF-8.
struct FileFinding {
    FileId file;
    std::uint32_t line = 0;
    std::string what;
};

struct ClockFinding {
    StudentId student;
    Place at;
    Moment start = 0, before = 0; // the session's start, and the latest moment before it in the file
};

class Model {
public:
    std::vector<std::filesystem::path> inputs;
    Table<FileId, InputFile> files; // sorted by input, then name
    std::vector<Problem> problems;
    std::size_t filesFound = 0;
    std::size_t recordFilesRead = 0;
    std::uint64_t expanded = 0; // bytes read out of archives

    Table<LineId, std::string> lines;            // interned bank lines and current lines
    Table<StudentId, Student> students;          // by name
    Table<AssignmentId, Assignment> assignments; // by number
    Table<SittingId, Sitting> sittings;
    Table<ItemId, Item> items;

    std::vector<FileNameFinding> fileNames;
    std::vector<SharedCodeLine> codeLines;
    std::vector<SameAnswers> same;
    std::vector<NearPair> near;
    std::vector<ClockFinding> clocks;
    std::vector<ItemId> notInBank;
    std::vector<FileFinding> changed; // files changed after the tutor wrote them
    std::vector<FileFinding> names;   // submitters, spellings, one name for two students
    std::vector<Skipped> skipped;
    std::vector<std::string> assignmentsSeen; // every assignment number in the headers, asked for or not

    // The responses and the notes the report shows.
    void count(std::size_t& responses, std::size_t& notes) const
    {
        responses = notes = 0;
        for (const Student& st : students)
            for (ItemId i : st.items)
                ++(items[i].note ? notes : responses);
    }
    std::size_t findings() const
    {
        return fileNames.size() + codeLines.size() + same.size() + near.size() + clocks.size() + notInBank.size() +
               changed.size() + names.size();
    }
};

} // namespace qa::review
