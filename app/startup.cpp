// Start-up: the four prompts that name the student, the data directory and
// the assignment; then the bank is loaded and the assignment opened.
#include <optional>

#include "app/tutor.h"
#include "coding/code_scheme.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace qa {

std::string Tutor::ask(const std::string& prompt)
{
    while (true) {
        TypedText reply = platform_.dialogs.prompt(prompt);
        if (reply.unencodable.empty())
            return reply.text;
        const std::string list = text::showCodePoints(reply.unencodable);
        platform_.dialogs.messageUtf8("Your reply holds characters that cannot be stored in the record files: " +
                                      list + ".\r\n\r\nPlease type it again without them.");
    }
}

Outcome Tutor::load()
{
    if (startUp() == Outcome::End)
        return Outcome::End;
    if (!claimAssignment())
        return Outcome::End;
    // Before the first recording: a recording cut short must be repaired
    // before anything more is appended to its files.
    repairCutRecordings();
    return openAssignment();
}

Outcome Tutor::startUp()
{
    platform_.random.seed(platform_.clock.secondsSinceMidnight());
    platform_.files.createDirectories(records::Session::kHomeDir);
    try {
        session_.drawCodeNumber(platform_.random.next());

        platform_.view.setPictureScale(View::Picture1, 1000, 1000);
        platform_.view.setPictureScale(View::Picture2, 1000, 1000);

        const std::string where = ask("Enter 1 for home user, 2 for KORB LAN user");
        const auto choice = text::wholeTextNumber(where);
        if (!choice)
            throw RuntimeError(kTypeMismatch);
        session_.chooseDataDir(*choice);
        platform_.files.prepareJournal(); // between two questions, where nobody waits for it

        std::string studentName = ask("Your full name:  ");
        std::string initials = ask("Your initials (use all 3 initials and always use the same three initials "
                                   "when submitting work):  ");
        // The date is read once: month and day of the same day.
        session_.setStudent(std::move(studentName), std::move(initials), platform_.clock.date());
        session_.setAssignment(ask("Assignment Number:  "));

        cursor_.loadQuestionBank(bankLoader_);
    } catch (const RuntimeError& error) {
        return procedureFailed(error);
    }
    return Outcome::GoOn;
}

Outcome Tutor::openAssignment()
{
    try {
        const std::string header = cursor_.openAssignment(session_.assignmentNumber());
        std::optional<RuntimeError> unwritten;
        try {
            records_.touchMaster();
        } catch (const RuntimeError& error) {
            unwritten = error;
        }

        // The assignment's row of the start-question table (rows 0 to 100). The
        // table is never filled, so only the row's range has an effect.
        const double row = text::roundHalfEven(text::leadingNumber(session_.assignmentNumber()));
        if (row < 0 || row > 100)
            throw RuntimeError(kSubscriptOutOfRange);

        const std::string codeLine = coding::makeCodeLine(session_.codeNbr(), platform_.random);
        try {
            if (!unwritten)
                records_.appendOpening(codeLine, header);
        } catch (const RuntimeError& error) {
            unwritten = error;
        }
        if (unwritten) {
            records_.keepOpening(codeLine, header);
            openingNotWritten(*unwritten);
        }
    } catch (const RuntimeError& error) {
        return procedureFailed(error);
    }
    return Outcome::GoOn;
}

// The system's message, as for any error; then which folder, why, and what to
// do: the session goes on, and its header is written before its first block.
void Tutor::openingNotWritten(const RuntimeError& error)
{
    platform_.dialogs.message(kGeneralMessage + std::to_string(error.number()));
    const std::string folder =
        text::toCp1252(parentOf(platform_.files.hostPath(session_.paths().master)), nullptr);
    platform_.dialogs.message(
        "Your record files could not be opened in the folder \"" + folder + "\" (" +
        text::toCp1252(error.reason(), nullptr) + "; error " + std::to_string(error.number()) + ": " +
        errorDescription(error.number()) +
        ").\r\n\r\nIf the folder is on a USB stick, plug it in; if it is on a network share, connect to the "
        "share. Then answer as usual: your work will be kept, and the start of this session is written to your "
        "record files before your first recording. Until the folder can be written, a recording is refused and "
        "your text stays in the answer box.");
}

} // namespace qa
