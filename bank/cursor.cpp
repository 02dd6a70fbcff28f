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

bool BankCursor::findAssignment(const std::string& assignmentNumber)
{
    const std::string header = assignmentNumber + ".";
    for (long long i = 1; QuestionBank::inRange(i); ++i)
        if (text::left(questionBank_.at(i), 4) == header) {
            bankIndex_ = i;
            return true;
        }
    return false;
}

BankCursor::Step BankCursor::readNextQuestion(const std::string& nextAssignmentNumber)
{
    Step step = peek(nextAssignmentNumber, bankIndex_);
    bankIndex_ = step.index;
    itemFinished_ = !step.line.empty() && !isRoutineLine(step.line);
    if (step.line.empty())
        return step;
    currentLine_ = step.line;
    if (text::lower(text::left(step.line, 2)) == "`q")
        questionNumber_ = text::formatNumber(text::leadingNumber(text::midFrom(step.line, 3)));
    pendingText_ = step.line;
    return step;
}

BankCursor::Step BankCursor::peek(const std::string& nextAssignmentNumber, long long from) const
{
    long long index = from;
    do {
        // The end of the bank ends the assignment, like the end marker.
        if (!QuestionBank::inRange(++index))
            return {Step::End, {}, index};
    } while (questionBank_.at(index).empty());
    const std::string& line = questionBank_.at(index);
    if (text::left(line, 3) == nextAssignmentNumber || text::left(line, 6) == "####.#")
        return {Step::End, line, index};
    // A bare routine marker names no routine: it is shown as text.
    return {isRoutineLine(line) && line.size() > 8 ? Step::Routine : Step::Show, line, index};
}

} // namespace qa
