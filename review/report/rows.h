#pragma once
// The rows of the CSV and the workbook, and their columns, in one table that
// both draw: one row per student, assignment and question, and one per line
// not in the bank that a student responded to. A new column goes into the
// table in rows.cpp and appears in both.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "review/model/model.h"

namespace qa::review {

// One row: a student's work on one question of one assignment.
struct AnswerRow {
    StudentId student;
    AssignmentId assignment;
    QuestionId question; // none for a line that is not in the bank
    LineId line;         // the question's bank line, or the line carried
    const Cell* cell = nullptr;
};

// What the cells are drawn from: the model, and whatever a later column needs
// beside it.
class Marking;
struct Mark;
struct RowSource {
    const Model& model;
    const Marking* marking = nullptr; // the marks given, when a marks file was read
};

// How a cell's text is to be taken.
enum class CellKind {
    Text1252, // the record files' text, Windows-1252
    Text,     // UTF-8
    Number,   // decimal digits; empty for no value
    Moment,   // YYYY-MM-DD HH:MM:SS; empty for no value
};

struct Column {
    const char* header;
    CellKind kind;
    double width; // in characters, for a workbook
    bool wrap;    // long text, wrapped in a workbook
    std::string (*value)(const RowSource&, const AnswerRow&);
};

// The columns, in order.
const std::vector<Column>& answerColumns();
// The mark given to the student's answer to the question, when `marking`
// holds one.
struct GivenMark {
    const Mark* mark = nullptr;
    std::optional<double> maximum;
    bool earlier = false; // given to an earlier version of the answer
};
GivenMark givenMark(const Marking* marking, const Model& model, AssignmentId a, StudentId s, QuestionId q);

// The columns for what `source` holds: with marks, Mark, Maximum, Comment and
// Mark note ("marked an earlier version") at the end.
std::vector<Column> columnsFor(const RowSource& source);

// The files holding the student's work (in `assignment`, or in any when it
// is none) that the platform marked as handed in late, in file order.
std::vector<FileId> lateFiles(const Model& model, StudentId student, AssignmentId assignment = {});

// Every row: student by student (by name), then assignment, then question in
// bank order, then the lines not in the bank that the student responded to.
void forEachAnswerRow(const Model& model, const std::function<void(const AnswerRow&)>& visit);

} // namespace qa::review
