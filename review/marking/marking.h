#pragma once
// Marking: the sheets of what was read with the marks table over them. Each
// mark is found by its student, assignment and question. A platform's
// participant is found by the participant's id; a row by name (from a file of
// an earlier version, or typed in a spreadsheet) is the student's of that name
// from no platform, else the one participant of that name (or of that name and
// the row's submitter id), and becomes that participant's row; where that is
// not one student, it is never guessed. A mark given to an answer that is no
// longer the student's final one stays, and says so. Rows of the table that
// match no student or question are kept (and written back), and listed.
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "review/marking/marks.h"
#include "review/marking/sheet.h"

namespace qa::review {

struct CellMark {
    const Mark* mark = nullptr; // none yet
    bool earlier = false;       // given to an answer that is no longer the final one
};

struct UnmatchedRow {
    std::uint32_t line = 0; // in the marks file read; 0 for a row typed here
    std::string what;       // "Ann Lee, assignment 1, question 3: no such student"
};

class Marking {
public:
    Marking(std::vector<Sheet> sheets, MarksTable table);

    const std::vector<Sheet>& sheets() const { return sheets_; }
    const MarksTable& table() const { return table_; }
    // Grows by one with every change, for whoever saves.
    std::uint64_t changes() const { return changes_; }

    CellMark at(std::size_t sheet, std::size_t student, std::size_t question) const;
    // The student of the sheet by the name and participant id (empty: none)
    // the report shows; none when the sheet has no such student.
    std::optional<std::size_t> studentOf(std::size_t sheet, const std::string& name,
                                         const std::string& submitterId = {}) const;
    // Sets the mark and comment of one answer (the answer marked is the
    // final one); neither removes the mark.
    void set(std::size_t sheet, std::size_t student, std::size_t question, std::optional<double> mark,
             const std::string& comment);
    std::optional<double> maximum(std::size_t sheet, std::size_t question) const;
    void setMaximum(std::size_t sheet, std::size_t question, std::optional<double> maximum);

    // The sum of a student's marks, and of the maximums of the questions.
    double total(std::size_t sheet, std::size_t student) const;
    double totalMaximum(std::size_t sheet) const;
    // Whether every question the student has a mark for has a maximum: only
    // then is the total "of" the maximums.
    bool maximaKnown(std::size_t sheet, std::size_t student) const;
    // The mean mark of the question's marked answers as a share of its
    // maximum (0 to 1); none when nothing is marked or there is no maximum.
    std::optional<double> share(std::size_t sheet, std::size_t question) const;
    std::size_t marked(std::size_t sheet, std::size_t question) const;
    // The comments given to the question, most used first; with `student`
    // given, that student's comment is taken as `instead` (the comment as
    // last committed while it is being typed).
    std::vector<std::string> comments(std::size_t sheet, std::size_t question,
                                      std::optional<std::size_t> student = std::nullopt,
                                      const std::string& instead = {}) const;
    // Rows of the table that match no student or question, by line.
    std::vector<UnmatchedRow> unmatched() const;

    // Whether any student is a participant of a blind download; and whether
    // they go by the names in their files rather than as "Participant <id>",
    // everywhere the sheets are shown or written from. No mark changes.
    bool blind() const;
    bool namesShown() const { return namesShown_; }
    void showNames(bool show);

private:
    // The row of an answer in the table, looked up; and as kept per answer.
    const Mark* search(std::size_t sheet, std::size_t student, std::size_t question) const;
    const Mark* lookUp(std::size_t sheet, std::size_t student, std::size_t question) const
    {
        return rowOf_[sheet][student * sheets_[sheet].questions.size() + question];
    }
    // The student a row by name stands for in the sheet, if exactly one; and
    // how many students of the sheet have the name.
    std::optional<std::size_t> studentNamed(std::size_t sheet, const Mark& row,
                                            std::size_t* alike = nullptr) const;
    // Rows by name that stand for a participant become the participant's.
    void keyRowsByParticipant();
    // Every answer's row, from one pass over the table's rows (a look-up per
    // answer would cost a key per answer, marked or not).
    void findRows();

    std::vector<Sheet> sheets_;
    MarksTable table_;
    // Per sheet, student by student, each question's row (null: none); the
    // table's rows stay where they are while they are in it.
    std::vector<std::vector<const Mark*>> rowOf_;
    // Per sheet, the students by name, and by participant id.
    std::vector<std::unordered_multimap<std::string, std::size_t>> byName_;
    std::vector<std::unordered_map<std::string, std::size_t>> byParticipant_;
    // Per sheet, each question's maximum, as the table holds it.
    std::vector<std::vector<std::optional<double>>> maxima_;
    std::uint64_t changes_ = 0;
    bool namesShown_ = false;
};

} // namespace qa::review
