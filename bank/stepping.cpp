// Question stepping: one bank line per click on "Next Question / Answer".
#include "app/tutor.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace qa {
namespace {

bool isRoutineLine(std::string_view line)
{
    return text::lower(text::left(line, 8)) == "`routine";
}

} // namespace

void Tutor::readNextQuestion()
{
    try {
        if (itemFinished)
            p_.view.setAnswerText(answerPrompt);
        itemFinished = false;

        std::string line;
        while (line.empty()) {
            ++bankIndex;
            // The end of the bank ends the assignment, like the end marker.
            if (!QuestionBank::inRange(bankIndex))
                endProgram();
            line = questionBank.at(bankIndex);
            if (!line.empty()) {
                currentLine = line;
                if (text::lower(text::left(line, 2)) == "`q")
                    questionNumber = text::formatNumber(text::leadingNumber(text::midFrom(line, 3)));
                transcript_.push_back(qaMarker + line);
            }
        }
        if (!isRoutineLine(line))
            itemFinished = true;
        if (displayMode == 1)
            pendingText = line;
        if (text::left(line, 3) == nextAssignmentNumber)
            endProgram();
        if (text::left(line, 6) == "####.#")
            endProgram();
    } catch (const RuntimeError& error) {
        procedureFailed(error);
    }
}

void Tutor::onNextQuestion()
{
    try {
        readNextQuestion();
        if (pendingText.size() > 8 && isRoutineLine(pendingText)) {
            runRoutine(text::lower(remSpaces(std::string(text::midFrom(pendingText, 10)))));
            pendingText.clear();
            readNextQuestion();
        }
        // The question box only grows at its end; nothing copies what it holds.
        if (!pendingText.empty())
            p_.view.appendQuestionText(pendingText);
        pendingText.clear();
    } catch (const RuntimeError& error) {
        procedureFailed(error);
    }
}

} // namespace qa
