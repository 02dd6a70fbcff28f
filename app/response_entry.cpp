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

bool Tutor::recordAnswer(Entry entry, const TypedText& typed)
{
    if (!typed.unencodable.empty()) {
        refuseUnencodable(typed.unencodable);
        return false;
    }
    const std::string& answer = typed.text;
    if (answer != kAnswerPrompt) {
        const std::string text = entry == Entry::Note ? records::kNotesPrefix + answer : answer;
        unrecorded_.recording(platform_.view.answerDraft(), cursor_.currentLine(), cursor_.bankIndex());
        try {
            if (entry == Entry::Note)
                records_.appendNote(text, cursor_.currentLine());
            else
                records_.appendResponse(text, cursor_.currentLine(), cursor_.questionNumber());
        } catch (const RuntimeError& error) {
            notRecorded(error);
            return false;
        }
        recorded(answer, text);
    }
    platform_.view.setQuestionText("");
    platform_.view.setAnswerText("");
    return true;
}

void Tutor::recorded(const std::string& answer, const std::string& entry)
{
    unrecorded_.recorded(cursor_.currentLine(), answer);
    platform_.view.answerRecorded();
    cursor_.answered();
    transcript_.addAnswer(entry);
}

void Tutor::refuseUnencodable(const std::u32string& characters)
{
    platform_.dialogs.messageUtf8(
        "Your text was not recorded: it holds characters that the record files cannot store: " +
        text::showCodePoints(characters) +
        ".\r\n\r\nYour text is still in the answer box. Replace those characters and click the "
        "button again.");
}

void Tutor::notRecorded(const RuntimeError& error)
{
    const std::string& part = platform_.files.partlyWritten();
    if (!part.empty()) {
        platform_.dialogs.message(
            "Your text was not recorded: " + fileProblem(error) + " could not be written. The file \"" +
            text::toCp1252(part, nullptr) +
            "\" holds part of a recording that could not be taken out of it again. That part is kept in "
            "mind and will be put right as soon as the file can be written: at your next recording, or the "
            "next start of QA Tutor.\r\n\r\nYour text is still in the answer box. Check that the folder of "
            "your record files can be reached (plug in the stick, or connect to the share), then click the "
            "button again.");
        return;
    }
    platform_.dialogs.message(
        "Your text was not recorded: " + fileProblem(error) +
        " could not be written. No record file was changed.\r\n\r\nYour text is still in the "
        "answer box. Correct the problem and click the button again.");
}

void Tutor::onDisplayNotes()
{
    std::optional<std::string> notes;
    try {
        notes = records_.readNotes();
    } catch (const RuntimeError& error) {
        platform_.dialogs.message("The notes could not be shown: " + fileProblem(error) + " could not be read.");
        return;
    }
    if (!notes) {
        platform_.dialogs.message("There are no notes yet. Notes are kept once you record a text with \"Save as "
                                  "Notes\".");
        return;
    }
    platform_.view.appendQuestionText(*notes);
}

} // namespace qa
