// Response entry: recording answers and notes, showing the notes file and the
// transcript, clearing the answer box, quitting.
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
        const std::string list = text::describeCodePoints(typed.unencodable);
        p_.dialogs.message(
            "Your text was not recorded: it holds characters that the record files cannot store: " + list +
            ".\r\n\r\nYour text is still in the answer box. Replace those characters and "
            "click the button again.");
        return false;
    }
    answer = std::move(typed.text);
    return true;
}

bool Tutor::record(const std::vector<AppendPart>& parts)
{
    try {
        p_.files.appendAll(parts);
        return true;
    } catch (const RuntimeError& error) {
        p_.dialogs.message("Your text was not recorded: " + fileProblem(error) +
                           " could not be written. No record file was changed.\r\n\r\nYour text is still in the "
                           "answer box. Correct the problem and click the button again.");
        return false;
    }
}

void Tutor::onEnterResponse()
{
    std::string answer;
    if (!readAnswer(answer))
        return;
    if (answer != answerPrompt) {
        const records::ResponseBlock block{answer, currentLine, assignmentNumber, questionNumber};
        if (!record(
                records::responseBlock(block, {masterFilePath, sendFilePath, notesFilePath}, codeNbr, p_.clock)))
            return;
        p_.view.answerRecorded();
        itemFinished = false;
        workText = answer;
        transcript_.push_back(answerMarker + answer);
    }
    p_.view.setQuestionText("");
    p_.view.setAnswerText("");
}

void Tutor::onSaveAsNotes()
{
    std::string answer;
    if (!readAnswer(answer))
        return;
    if (answer != answerPrompt) {
        std::string note = records::kNotesPrefix + answer;
        const records::NotesBlock block{note, currentLine};
        if (!record(records::notesBlock(block, {masterFilePath, sendFilePath, notesFilePath}, codeNbr, p_.clock)))
            return;
        p_.view.answerRecorded();
        itemFinished = false;
        workText = std::move(note);
        transcript_.push_back(answerMarker + workText);
    }
    p_.view.setQuestionText("");
    p_.view.setAnswerText("");
}

void Tutor::onClearAnswerBox()
{
    p_.view.setAnswerText("");
}

void Tutor::onDisplayNotes()
{
    std::string notes;
    try {
        if (p_.files.isMissingOrEmpty(notesFilePath)) {
            p_.dialogs.message("There are no notes yet. Notes are kept once you record a text with \"Save as "
                               "Notes\".");
            return;
        }
        notes = p_.files.readAll(notesFilePath);
    } catch (const RuntimeError& error) {
        p_.dialogs.message("The notes could not be shown: " + fileProblem(error) + " could not be read.");
        return;
    }
    p_.view.appendQuestionText(notes);
}

void Tutor::onDisplayEverything()
{
    p_.view.setQuestionText(cumulativeText());
}

} // namespace qa
