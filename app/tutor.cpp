#include "app/tutor.h"

#include <new>

#include "platform/errors.h"

namespace qa {

// "makde" is the prompt's own spelling, and "zeb_" the assignment message's:
// both stay as they are, because students' files, instructors' scripts and
// habits rely on these texts exactly.
const std::string Tutor::kAnswerPrompt =
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

Tutor::Tutor(Platform platform) : platform_(platform) {}

bool Tutor::handle(Event event)
{
    if (ended_)
        return false;
    try {
        // Nothing is held open between events, so ending has nothing to close.
        ended_ = run(event) == Outcome::End;
    } catch (const RuntimeError& error) {
        reportAndEnd(error.number());
    } catch (const std::bad_alloc&) {
        reportAndEnd(kOutOfMemory);
    }
    return !ended_;
}

Outcome Tutor::run(Event event)
{
    View& view = platform_.view;
    switch (event) {
    case Event::Load: return load();
    case Event::NextQuestion: return onNextQuestion();
    case Event::EnterResponse: recordAnswer(Entry::Response, view.answerText()); break;
    case Event::SaveAsNotes: recordAnswer(Entry::Note, view.answerText()); break;
    case Event::ClearAnswerBox: view.setAnswerText(""); break;
    case Event::DisplayNotes: onDisplayNotes(); break;
    case Event::DisplayEverything: view.setQuestionText(transcript_.cumulativeText()); break;
    case Event::Quit: return endAfter(Leaving::OnQuit);
    case Event::NextPicture: return onNextPicture();
    case Event::CopyPicture: view.copyPicture(); break;
    case Event::PendExp: view.enableTimer(); break;
    case Event::TimerTick: onTimerTick(); break;
    case Event::Shown: restoreDraft(); break;
    case Event::AnswerIdle: keepDraftWhileTyping(); break;
    case Event::Terminated: keepDraft(view.answerDraft()); return Outcome::End;
    }
    return Outcome::GoOn;
}

void Tutor::reportAndEnd(int number)
{
    // The platform's run-time error report: one message, then the end.
    ended_ = true;
    keepDraft(platform_.view.answerDraft());
    platform_.dialogs.message(runtimeErrorReport(number));
}

Outcome Tutor::procedureFailed(const RuntimeError& error)
{
    if (error.number() == kSubscriptOutOfRange) {
        platform_.dialogs.message(kAssignmentMessage);
        return Outcome::End;
    }
    platform_.dialogs.message(kGeneralMessage + std::to_string(error.number()));
    return Outcome::GoOn;
}

} // namespace qa
