#include "app/tutor.h"

#include <new>

#include "coding/code_scheme.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace qa {

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
    try {
        switch (event) {
        case Event::Load:
            startUp();
            openAssignment();
            break;
        case Event::NextQuestion: onNextQuestion(); break;
        case Event::EnterResponse: onEnterResponse(); break;
        case Event::SaveAsNotes: onSaveAsNotes(); break;
        case Event::ClearAnswerBox: onClearAnswerBox(); break;
        case Event::DisplayNotes: onDisplayNotes(); break;
        case Event::DisplayEverything: onDisplayEverything(); break;
        case Event::Quit: endProgram();
        case Event::NextPicture: onNextPicture(); break;
        case Event::CopyPicture: onCopyPicture(); break;
        case Event::PendExp: onPendExp(); break;
        case Event::TimerTick: onTimerTick(); break;
        }
    } catch (const EndProgram&) {
        ended_ = true;
    } catch (const RuntimeError& error) {
        // The platform's run-time error report: one message, then the end.
        ended_ = true;
        p_.dialogs.message(runtimeErrorReport(error.number()));
    } catch (const std::bad_alloc&) {
        ended_ = true;
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

std::string Tutor::cumulativeText() const
{
    std::size_t total = 0;
    for (const std::string& piece : transcript_)
        total += piece.size();
    std::string out;
    out.reserve(total);
    for (auto it = transcript_.rbegin(); it != transcript_.rend(); ++it)
        out += *it;
    return out;
}

std::string Tutor::code(const std::string& aLine, const double& codeNbr) const
{
    return coding::code(aLine, codeNbr);
}

std::string Tutor::decode(const std::string& coded, const double& codeNbr) const
{
    return coding::decode(coded, codeNbr);
}

std::string Tutor::makeCodeLine(const double& codeNbr)
{
    return coding::makeCodeLine(codeNbr, p_.random);
}

std::string Tutor::remSpaces(const std::string& text) const
{
    return coding::remSpaces(text);
}

} // namespace qa
