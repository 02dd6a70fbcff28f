#pragma once
// The marks an instructor gives: one row per student, assignment and
// question, with the mark, the question's maximum, a comment and the answer
// that was marked; and the marks file that keeps them, a CSV that opens in a
// spreadsheet and is read back as a spreadsheet saves it. Texts here are
// UTF-8: they are the instructor's, and the file's.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "review/model/result.h"

namespace qa::review {

// A row of marks belongs to a participant of a platform (by the participant's
// id; the name is what the report shows) or, where there is none, to the
// student of the name. A row read from a file of an earlier version has no
// participant: it goes by the name, and by the submitter id where several
// students share the name.
struct Mark {
    std::string student;        // as the report shows it
    std::string submitterId;    // the platform's id; empty when unknown
    std::string participant;    // the participant's id, when the row is theirs; empty for a row by name
    std::string assignment;     // as written after "assignment #"
    std::uint32_t question = 0; // 1-based; with no student, the row holds only the question's maximum
    std::optional<double> mark;
    std::optional<double> maximum;
    std::string comment;
    std::string answer;      // the text that was marked, line breaks as LF
    bool answerKnown = true; // false when the file read had no Answer column, or an empty cell in it
    std::uint32_t line = 0;  // where the row stood in the file read; 0 once changed here
};

// The same assignment: "1", "01" and "001" are one.
bool sameAssignment(std::string_view a, std::string_view b);
// The assignment as compared: its number when it is one.
std::string assignmentKey(std::string_view assignment);
// Line breaks made LF: the form in which answers are compared.
std::string withLf(std::string_view text);
// A mark as the file writes it: "2", "1.5"; with a decimal comma "1,5".
// At most `decimals` places, trailing zeros trimmed.
std::string markText(double mark, char decimal = '.', int decimals = 4);

class MarksTable {
public:
    // By assignment and question; each question's maximum before its marks.
    std::vector<const Mark*> rows() const;
    std::size_t size() const { return rows_.size(); }
    // The row by name of the student's answer, or of the question's maximum
    // when `student` is empty; null when there is none.
    const Mark* find(std::string_view student, std::string_view submitterId, std::string_view assignment,
                     std::uint32_t question) const;
    // The participant's row of the answer; null when there is none.
    const Mark* findParticipant(std::string_view participant, std::string_view assignment,
                                std::uint32_t question) const;
    // Replaces the row of the same participant (or, without one, student),
    // assignment and question, or adds it; a student's row with neither mark
    // nor comment is removed.
    void put(Mark mark);
    // Removes the row that is `mark`'s key.
    void erase(const Mark& mark);
    std::optional<double> maximum(std::string_view assignment, std::uint32_t question) const;
    void setMaximum(const std::string& assignment, std::uint32_t question, std::optional<double> maximum);

    // The marks file: UTF-8 with a byte-order mark, CR LF rows.
    std::string csv() const;
    // Reads a marks file: comma or semicolon separated (the latter with a
    // decimal comma), UTF-8 with or without a byte-order mark, or
    // Windows-1252. A Problem (`file`, "line N: why") when it cannot be read
    // as marks.
    static Result<MarksTable> fromCsv(std::string_view bytes, const std::string& file);

private:
    // Assignment, question, participant, then, for a row without one, the
    // name and the submitter id.
    using Key = std::tuple<std::string, std::uint32_t, std::string, std::string, std::string>;
    static Key keyOf(const Mark& m);
    std::map<Key, Mark> rows_;
};

} // namespace qa::review
