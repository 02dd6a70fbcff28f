#pragma once
// One assignment as the instructor marks it: its students, its questions and
// each student's answers. Texts are UTF-8, line breaks LF.
#include <cstdint>
#include <string>
#include <vector>

namespace qa::review {

struct SheetStudent {
    std::string name;          // as the report shows it
    std::string submitterName; // the platform's participant, as its download named them; empty when unknown
    std::string submitterId;   // the participant's id; empty when unknown
    // The name, with the participant's where the headers name someone else,
    // and the id where another student of the sheet has the name.
    std::string label{};
    bool blind = false;      // the platform hid the participant's name
    std::string namedAs{};   // a blind participant's name in the headers, shown or not
    bool namedOther = false; // the headers name someone other than the participant
    // How a window names the student: the label, else the name.
    const std::string& shown() const { return label.empty() ? name : label; }
};

struct SheetCell {
    bool answered = false;
    bool empty = false;               // only empty responses
    std::string answer;               // the final answer
    std::vector<std::string> earlier; // earlier versions, oldest first
};

class Sheet {
public:
    std::string assignment;             // as written after "assignment #"
    std::vector<SheetStudent> students; // in the report's order
    std::vector<std::string> questions; // their texts, question 1 first
    // Students who handed in the same answer to a question.
    struct Same {
        std::uint32_t question = 0; // 0-based
        std::vector<std::uint32_t> students;
    };
    std::vector<Same> same;

    void resize() { cells_.assign(students.size() * questions.size(), {}); }
    SheetCell& cell(std::size_t student, std::size_t question)
    {
        return cells_[student * questions.size() + question];
    }
    const SheetCell& cell(std::size_t student, std::size_t question) const
    {
        return cells_[student * questions.size() + question];
    }

private:
    std::vector<SheetCell> cells_;
};

// Labels the students of one name with their ids (SheetStudent::label).
void labelStudents(Sheet& sheet);

class Model;
// Every assignment of what was read, in the report's order.
std::vector<Sheet> sheetsOf(const Model& model);

} // namespace qa::review
