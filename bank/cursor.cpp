// The question bank's cursor: loading, the assignment's header, and the
// stepping from line to line.
#include "bank/cursor.h"

#include "bank/builtin_content.h"
#include "platform/text.h"

namespace qa {

bool isRoutineLine(std::string_view line)
{
    return text::lower(text::left(line, 8)) == "`routine";
}

void BankCursor::loadQuestionBank(const BankLoader& loader)
{
    bankIndex_ = 0;
    if (loader) {
        loader(questionBank_, bankIndex_);
        return;
    }
    for (const std::string& line : bank::builtinContent())
        questionBank_.storeNext(bankIndex_, line);
}

std::string BankCursor::openAssignment(const std::string& assignmentNumber)
{
    bankIndex_ = 0;
    std::string line;
    const std::string header = assignmentNumber + ".";
    while (text::left(line, 4) != header)
        line = questionBank_.readNext(bankIndex_);
    return line;
}

BankCursor::Step BankCursor::readNextQuestion(const std::string& nextAssignmentNumber)
{
    itemFinished_ = false;
    std::string line;
    while (line.empty()) {
        ++bankIndex_;
        // The end of the bank ends the assignment, like the end marker.
        if (!QuestionBank::inRange(bankIndex_))
            return {Step::End, {}};
        line = questionBank_.at(bankIndex_);
        if (!line.empty()) {
            currentLine_ = line;
            if (text::lower(text::left(line, 2)) == "`q")
                questionNumber_ = text::formatNumber(text::leadingNumber(text::midFrom(line, 3)));
        }
    }
    const bool routine = isRoutineLine(line);
    if (!routine)
        itemFinished_ = true;
    pendingText_ = line;
    if (text::left(line, 3) == nextAssignmentNumber || text::left(line, 6) == "####.#")
        return {Step::End, line};
    // A bare routine marker names no routine: it is shown as text.
    return {routine && line.size() > 8 ? Step::Routine : Step::Show, line};
}

} // namespace qa
