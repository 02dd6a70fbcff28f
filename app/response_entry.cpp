// Response entry: recording answers and notes, and showing the notes file.
#include "app/tutor.h"
#include "platform/errors.h"
#include "platform/text.h"
#include "records/layouts.h"

namespace qa {
namespace {

std::string fileProblem(const RuntimeError& error)
{
    std::string out = "the file \"" + text::toCp1252(error.path(), nullptr) + "\"";
    out += " (" + text::toCp1252(error.reason(), nullptr) + "; error " + std::to_string(error.number()) + ": " +
           errorDescription(error.number()) + ")";
    return out;
}

} // namespace

bool Tutor::readAnswer(std::string& answer)
{
    TypedText typed = p_.view.answerText();
    if (!typed.unencodable.empty()) {
        refuseUnencodable(typed.unencodable);
        return false;
    }
    answer = std::move(typed.text);
    return true;
}

void Tutor::recordAnswer(bool asNote)
{
    std::string answer;
    if (!readAnswer(answer))
        return;
    if (answer != answerPrompt) {
        const std::string entry = asNote ? records::kNotesPrefix + answer : answer;
        try {
            if (asNote)
                records_.appendNote(entry, cursor_.currentLine());
            else
                records_.appendResponse(entry, cursor_.currentLine(), cursor_.questionNumber());
        } catch (const RuntimeError& error) {
            notRecorded(error);
            return;
        }
        drafts_.clear();
        lastRecorded_ = answer;
        p_.view.answerRecorded();
        cursor_.answered();
        transcript_.addAnswer(entry);
    }
    p_.view.setQuestionText("");
    p_.view.setAnswerText("");
}

void Tutor::refuseUnencodable(const std::u32string& characters)
{
    p_.dialogs.message("Your text was not recorded: it holds characters that the record files cannot store: " +
                       text::describeCodePoints(characters) +
                       ".\r\n\r\nYour text is still in the answer box. Replace those characters and click the "
                       "button again.");
}

void Tutor::notRecorded(const RuntimeError& error)
{
    p_.dialogs.message("Your text was not recorded: " + fileProblem(error) +
                       " could not be written. No record file was changed.\r\n\r\nYour text is still in the "
                       "answer box. Correct the problem and click the button again.");
}

void Tutor::onDisplayNotes()
{
    std::optional<std::string> notes;
    try {
        notes = records_.readNotes();
    } catch (const RuntimeError& error) {
        p_.dialogs.message("The notes could not be shown: " + fileProblem(error) + " could not be read.");
        return;
    }
    if (!notes) {
        p_.dialogs.message("There are no notes yet. Notes are kept once you record a text with \"Save as "
                           "Notes\".");
        return;
    }
    p_.view.appendQuestionText(*notes);
}

} // namespace qa
