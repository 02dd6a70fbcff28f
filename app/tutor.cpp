#include "app/tutor.h"

#include <new>

#include "platform/errors.h"

namespace qa {

const std::string Tutor::answerPrompt =
    "Enter, as appropriate, an answer to the question, a critique of your answer in response to a given answer, "
    "your insights regarding the situation at this point, notes to yourself, or just an OK.\r\n\r\nAlways "
    "critique your solutions by describing any insights you had or errors you makde, and by explaining how you "
    "can make use of the insight or how you now know how to avoid certain errors.  Also pose for the instructor "
    "any question or questions that you have related to the problem or series of problems.";

const std::string Tutor::kAssignmentMessage =
    "You have probably not entered a valid assignment number.  Make sure the assignment number is a number, "
    "like 1 or 8 or 15 or 27 etc., and make sure that this assignment is supposed to be in the current zeb_.  "
    "This program will end and you will need to start over.  If you are sure you have entered a valid "
    "assignment number email the instructor and specify that you have received a 'subscript out of range' "
    "error";

const std::string Tutor::kGeneralMessage =
    "You have encountered an error.  If you are encountering this error repeatedly you should report the "
    "error number to the instructor and explain exactly what you were doing, keystroke by keystroke, when the "
    "error occurred.  The error is:  ";

Tutor::Tutor(Platform platform) : p_(platform) {}

bool Tutor::handle(Event event)
{
    if (ended_)
        return false;
    // Where the answer belongs should the event end the program: the line
    // and question number before it. The box itself is read only at the end,
    // or before the prompt reset replaces it (see readNextQuestion).
    const bool mayAsk = event == Event::NextQuestion || event == Event::NextPicture || event == Event::Quit;
    BoxBefore before;
    if (mayAsk)
        before = {{}, cursor_.currentLine(), cursor_.questionNumber()};
    boxBeforeReset_.reset();
    try {
        switch (event) {
        case Event::Load:
            startUp();
            openAssignment();
            drafts_.open(session_.studentName(), session_.assignmentNumber());
            break;
        case Event::NextQuestion: onNextQuestion(); break;
        case Event::EnterResponse: recordAnswer(false); break;
        case Event::SaveAsNotes: recordAnswer(true); break;
        case Event::ClearAnswerBox: p_.view.setAnswerText(""); break;
        case Event::DisplayNotes: onDisplayNotes(); break;
        case Event::DisplayEverything: p_.view.setQuestionText(transcript_.cumulativeText()); break;
        case Event::Quit: endProgram();
        case Event::NextPicture: onNextPicture(); break;
        case Event::CopyPicture: p_.view.copyPicture(); break;
        case Event::PendExp: p_.view.enableTimer(); break;
        case Event::TimerTick: onTimerTick(); break;
        case Event::Shown: restoreDraft(); break;
        case Event::AnswerIdle: keepDraft(p_.view.answerDraft()); break;
        }
    } catch (const EndProgram&) {
        if (mayAsk)
            before.draft = boxBeforeReset_ ? *boxBeforeReset_ : p_.view.answerDraft();
        if (mayAsk && !mayEnd(before, event == Event::Quit))
            return true;
        ended_ = true;
    } catch (const RuntimeError& error) {
        // The platform's run-time error report: one message, then the end.
        ended_ = true;
        keepDraft(p_.view.answerDraft());
        p_.dialogs.message(runtimeErrorReport(error.number()));
    } catch (const std::bad_alloc&) {
        ended_ = true;
        keepDraft(p_.view.answerDraft());
        p_.dialogs.message(runtimeErrorReport(kOutOfMemory));
    }
    return !ended_;
}

void Tutor::endProgram()
{
    // Nothing is held open between events, so there is nothing to close.
    throw EndProgram{};
}

void Tutor::procedureFailed(const RuntimeError& error)
{
    if (error.number() == kSubscriptOutOfRange) {
        p_.dialogs.message(kAssignmentMessage);
        endProgram();
    }
    p_.dialogs.message(kGeneralMessage + std::to_string(error.number()));
}

} // namespace qa
