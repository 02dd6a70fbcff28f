#pragma once
// The report's parts, each drawn by its own file (html_page.cpp: the page,
// its summary and the pieces the parts share; html_grid.cpp,
// html_questions.cpp, html_students.cpp, html_timeline.cpp,
// html_checks.cpp) over one model and one writer.
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "review/model/model.h"
#include "review/write/html_writer.h"

namespace qa::review {

class Marking;

// The report: one self-contained UTF-8 HTML page, written to `out` as it is
// made; with `marking`, the marks given beside the answers.
void writeHtmlReport(const Model& model, std::ostream& out, const std::string& madeOn,
                     const Marking* marking = nullptr, unsigned threads = 1);

// The page's style sheet.
Markup reportStyle();

class Report {
public:
    Report(const Model& m, std::ostream& os, const Marking* marking = nullptr);
    // With `threads` above 1, the students' part is made on a thread of its own.
    void write(const std::string& madeOn, unsigned threads = 1);

private:
    // Another part of the same page, drawn onto `os`.
    Report(const Report& page, std::ostream& os);
    // The page, its summary and contents.
    void head();
    void fact(std::size_t n, Markup what);
    void fact(std::size_t n, Markup what, Markup anchor);
    void facts();
    void contents();
    // Pieces the parts share.
    void studentName(StudentId s, bool link = true);
    void place(const Place& p);
    void places(const std::vector<Place>& at);
    void text(std::string_view cp1252);
    void questionRef(AssignmentId a, QuestionId q);
    void itemPlace(const Item& it); // its time and first place
    // The mark given to an answer: in the grid, and beside the answer.
    void gridMark(AssignmentId a, StudentId s, QuestionId q);
    void answerMark(AssignmentId a, StudentId s, QuestionId q);
    // Who answered what.
    void grid(AssignmentId a);
    void gridTable(AssignmentId a, std::size_t from, std::size_t to);
    void gridRow(AssignmentId a, const Row& row, std::size_t from, std::size_t to,
                 std::vector<std::uint32_t> (&columns)[3]);
    void gridFoot(const std::vector<std::uint32_t> (&columns)[3], bool last);
    // Each question's statistics, when marks were given.
    void statistics(AssignmentId a);
    // Answers by question.
    // The answers by question of `asked`'s [from, to): each assignment's
    // questions in turn, none for an assignment without questions.
    void questions(const std::vector<std::pair<AssignmentId, std::optional<QuestionId>>>& asked, std::size_t from,
                   std::size_t to);
    void question(AssignmentId a, QuestionId q);
    struct CellOf {
        AssignmentId assignment;
        QuestionId question;
    };
    void answer(AssignmentId a, QuestionId q, const Row& row, const Cell& c);
    void notes(AssignmentId a, QuestionId q, StudentId s);
    void nameList(Markup what, const std::vector<StudentId>& students, std::optional<CellOf> cells);
    // Each student's work.
    void students(std::size_t from, std::size_t to);
    void student(StudentId s);
    void sitting(std::size_t k, const Sitting& se, const std::vector<ItemId>& items);
    void itemLine(const Item& it, ItemId id, Moment since);
    void timeline(const Student& st);
    // The checks.
    void checks();
    void fileNames();
    void codeLines();
    void sameAnswers();
    void nearAnswers();
    void clocks();
    void notInBank();
    void problems();
    void fileFindings(const std::vector<FileFinding>& findings);
    void changedFiles() { fileFindings(m_.changed); }
    void nameFindings() { fileFindings(m_.names); }
    void skipped();

    const Model& m_;
    const Marking* marking_;
    std::ostream& os_;
    HtmlWriter o_;
    std::vector<bool> superseded_; // a response that is not its question's answer
};

} // namespace qa::review
