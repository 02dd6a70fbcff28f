// Typed text is never lost: the questions before unrecorded text leaves the
// answer box, and the drafts kept while typing.
#include "app/tutor.h"
#include "platform/text.h"
#include "records/layouts.h"

namespace qa {
namespace {

// A question about unrecorded text. What it guards decides whether it can be
// called off and whether No keeps the text as a draft.
struct Question {
    const char* text;
    bool offersCancel;
    bool noKeepsDraft;
};

constexpr const char* kBeforeEnd =
    "Your text in the answer box has not been recorded. Record it as a response before the program ends?";
constexpr const char* kBeforeNext =
    "Your text in the answer box has not been recorded. Record it as a response before the next question?";

TypedText typedFrom(const std::string& draft)
{
    TypedText out;
    out.text = text::toCp1252(draft, &out.unencodable);
    return out;
}

} // namespace

bool Tutor::unrecorded(const TypedText& box) const
{
    if (!box.unencodable.empty())
        return true;
    if (box.text.find_first_not_of(" \t\r\n") == std::string::npos)
        return false;
    // What was recorded for another question line is not this one's answer.
    const bool recordedHere =
        lastRecorded_ && lastRecorded_->line == cursor_.currentLine() && lastRecorded_->text == box.text;
    return box.text != kAnswerPrompt && !recordedHere;
}

bool Tutor::mayLeave(Leaving leaving)
{
    // An ending the student asked for can be called off; one the bank or a
    // routine line reached cannot. The prompt reset can, and its No lets the
    // text go with the step (Ctrl+Z still brings it back).
    static constexpr Question kOnQuit{kBeforeEnd, true, true};
    static constexpr Question kAtEnd{kBeforeEnd, false, true};
    static constexpr Question kForNext{kBeforeNext, true, false};
    const Question& question = leaving == Leaving::OnQuit  ? kOnQuit
                               : leaving == Leaving::AtEnd ? kAtEnd
                                                           : kForNext;

    const TypedText box = platform_.view.answerText();
    if (!unrecorded(box)) {
        drafts_.clear();
        return true;
    }
    const Dialogs::Choice choice = platform_.dialogs.ask(question.text, question.offersCancel);
    if (choice == Dialogs::Choice::Yes)
        return recordAnswer(Entry::Response, box);
    if (choice == Dialogs::Choice::Cancel && question.offersCancel)
        return false;
    if (!question.noKeepsDraft) {
        drafts_.clear();
        return true;
    }
    if (drafts_.save(platform_.view.answerDraft()))
        return true;
    platform_.dialogs.message("Your text could not be kept as a draft: the folder for drafts, \"" +
                              text::toCp1252(platform_.files.stateDirectory(), nullptr) +
                              "\", cannot be written or is not safe to use.\r\n\r\nYour text is still in the "
                              "answer box. Record it with \"Enter Response\" or "
                              "\"Save as Notes\", or clear the box, then quit.");
    return false;
}

void Tutor::keepDraft(const std::string& draft)
{
    if (unrecorded(typedFrom(draft)))
        drafts_.save(draft);
    else
        drafts_.clear();
}

void Tutor::keepCutRecordings()
{
    // The start-up repair hands back the blocks of recordings a killed
    // program left cut short. Each text is set aside for the student whose
    // master file it was meant for (on a shared account the next to start
    // may be someone else); this student's join the draft, which comes back
    // into the box once the window is shown.
    for (const JournalPart& cut : platform_.files.repairAbandoned()) {
        const std::optional<std::string> typed = records::typedTextOf(cut.bytes);
        if (typed && unrecorded({*typed, {}}))
            drafts_.setAside(cut.host, text::toUtf8(*typed));
    }
    const std::string& master = session_.paths().master;
    if (master.empty())
        return; // the dialogue stopped before the record files were named
    const std::string back = drafts_.takeSetAside(platform_.files.hostPath(master));
    if (back.empty())
        return;
    const std::optional<Drafts::Saved> saved = drafts_.load();
    std::string draft = saved ? saved->text : std::string();
    if (draft.find(back) == std::string::npos)
        draft += (draft.empty() ? "" : "\r\n\r\n") + back;
    drafts_.save(draft);
}

void Tutor::restoreDraft()
{
    const std::optional<Drafts::Saved> saved = drafts_.load();
    if (!saved)
        return;
    if (!unrecorded(typedFrom(saved->text))) {
        drafts_.clear();
        return;
    }
    platform_.view.setAnswerDraft(saved->text);
    platform_.dialogs.message("The text you had not recorded on " + saved->date + " at " + saved->time +
                              " is back in the answer box.");
}

} // namespace qa
