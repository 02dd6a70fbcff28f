// Question stepping and routine lines: "Next Question / Answer" and "next
// picture" over the bank cursor.
#include "app/tutor.h"
#include "coding/code_scheme.h"
#include "platform/errors.h"
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

void Tutor::runRoutine(const std::string& routine)
{
    const std::string name = text::lower(routine);
    if (name == "exitprog")
        endProgram();
    if (name == "graph1" || name == "graph2" || name == "graph3")
        return;
    endProgram();
}

BankCursor::Step Tutor::readNextQuestion()
{
    try {
        if (cursor_.itemFinished()) {
            // Asked about if this click ends the program.
            if (!boxBeforeReset_)
                boxBeforeReset_ = p_.view.answerDraft();
            p_.view.setAnswerText(answerPrompt);
        }
        BankCursor::Step step = cursor_.readNextQuestion(session_.nextAssignmentNumber());
        if (!step.line.empty())
            transcript_.addQuestion(step.line);
        if (step.kind == BankCursor::Step::End)
            endProgram();
        return step;
    } catch (const RuntimeError& error) {
        procedureFailed(error);
    }
    return {};
}

void Tutor::onNextQuestion()
{
    try {
        if (readNextQuestion().kind == BankCursor::Step::Routine) {
            runRoutine(routineName(cursor_.takePendingText()));
            readNextQuestion();
        }
        // The question box only grows at its end; nothing copies what it holds.
        const std::string shown = cursor_.takePendingText();
        if (!shown.empty())
            p_.view.appendQuestionText(shown);
    } catch (const RuntimeError& error) {
        procedureFailed(error);
    }
}

void Tutor::onNextPicture()
{
    // The offset applies to the position as it stands, so a routine run at
    // k = 1 moves the second look one entry further on.
    for (long long k = 1; k <= 2; ++k) {
        const std::string& entry = cursor_.ahead(k);
        if (isRoutineLine(entry)) {
            runRoutine(routineName(entry));
            cursor_.skip(k);
        }
    }
}

} // namespace qa
