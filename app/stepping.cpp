// Question stepping and routine lines: "Next Question / Answer" and "next
// picture" over the bank cursor.
#include "app/tutor.h"
#include "coding/code_scheme.h"
#include "platform/text.h"

namespace qa {
namespace {

// The routine a routine line names: from its tenth character on, without
// blanks and hyphens, lower-cased.
std::string routineName(const std::string& line)
{
    return text::lower(coding::remSpaces(std::string(text::midFrom(line, 10))));
}

} // namespace

Outcome Tutor::runRoutine(const std::string& name) const
{
    // "exitprog" ends the program, and so does every name but the three
    // graphs, which do nothing.
    if (name == "graph1" || name == "graph2" || name == "graph3")
        return Outcome::GoOn;
    return Outcome::End;
}

bool Tutor::clickEnds() const
{
    using Step = BankCursor::Step;
    const std::string& next = session_.nextAssignmentNumber();
    const Step first = cursor_.peek(next, cursor_.bankIndex());
    if (first.kind != Step::Routine)
        return first.kind == Step::End;
    return runRoutine(routineName(first.line)) == Outcome::End ||
           cursor_.peek(next, first.index).kind == Step::End;
}

BankCursor::Step Tutor::readNextQuestion()
{
    if (cursor_.itemFinished())
        platform_.view.setAnswerText(kAnswerPrompt);
    BankCursor::Step step = cursor_.readNextQuestion(session_.nextAssignmentNumber());
    if (!step.line.empty())
        transcript_.addQuestion(step.line);
    return step;
}

Outcome Tutor::onNextQuestion()
{
    // Unrecorded text is settled before the step, as the student left it and
    // for the item it was typed for: before the end when this click ends the
    // program, else before the prompt reset replaces it.
    if (clickEnds()) {
        if (!mayLeave(Leaving::AtEnd))
            return Outcome::GoOn;
    } else if (cursor_.itemFinished() && !mayLeave(Leaving::ForNextQuestion)) {
        return Outcome::GoOn;
    }
    BankCursor::Step step = readNextQuestion();
    if (step.kind == BankCursor::Step::Routine) {
        if (runRoutine(routineName(cursor_.takePendingText())) == Outcome::End)
            return Outcome::End;
        step = readNextQuestion();
    }
    if (step.kind == BankCursor::Step::End)
        return Outcome::End;
    // The question box only grows at its end; nothing copies what it holds.
    const std::string shown = cursor_.takePendingText();
    if (!shown.empty())
        platform_.view.appendQuestionText(shown);
    return Outcome::GoOn;
}

Outcome Tutor::onNextPicture()
{
    // The offset applies to the position as it stands, so a routine run at
    // k = 1 moves the second look one entry further on.
    for (long long k = 1; k <= 2; ++k) {
        const std::string& entry = cursor_.ahead(k);
        if (isRoutineLine(entry)) {
            if (runRoutine(routineName(entry)) == Outcome::End)
                return endAfter(Leaving::AtEnd);
            cursor_.skip(k);
        }
    }
    return Outcome::GoOn;
}

} // namespace qa
