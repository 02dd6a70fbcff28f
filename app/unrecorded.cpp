// Typed text is never lost: the questions before unrecorded text leaves the
// answer box, the drafts kept while typing, and what comes back at start.
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

// A question line as a message names it: at most 60 characters.
std::string quoted(const std::string& line)
{
    return "\"" + (line.size() > 60 ? line.substr(0, 57) + "..." : line) + "\"";
}

} // namespace

bool Tutor::unrecorded(const TypedText& box) const
{
    return unrecorded_.unrecorded(box, cursor_.currentLine());
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
        unrecorded_.drop();
        return true;
    }
    const Dialogs::Choice choice = platform_.dialogs.ask(question.text, question.offersCancel);
    if (choice == Dialogs::Choice::Yes)
        return recordAnswer(Entry::Response, box);
    if (choice == Dialogs::Choice::Cancel && question.offersCancel)
        return false;
    if (!question.noKeepsDraft) {
        unrecorded_.drop();
        return true;
    }
    if (unrecorded_.save(platform_.view.answerDraft(), cursor_.currentLine(), cursor_.bankIndex()))
        return true;
    platform_.dialogs.message("Your text could not be kept as a draft: the folder for drafts, \"" +
                              text::toCp1252(platform_.files.stateDirectory(), nullptr) +
                              "\", cannot be written or is not safe to use.\r\n\r\nYour text is still in the "
                              "answer box. Record it with \"Enter Response\" or "
                              "\"Save as Notes\", or clear the box, then quit.");
    return false;
}

bool Tutor::keepDraft(const std::string& draft)
{
    return unrecorded_.keep(draft, cursor_.currentLine(), cursor_.bankIndex());
}

// A draft that cannot be kept while the student types is said at once, once.
void Tutor::keepDraftWhileTyping()
{
    if (keepDraft(platform_.view.answerDraft()) || draftsOffSaid_)
        return;
    draftsOffSaid_ = true;
    platform_.dialogs.message("Your text could not be kept as a draft in the folder \"" +
                              text::toCp1252(platform_.files.stateDirectory(), nullptr) +
                              "\": it cannot be written now.\r\n\r\nUntil this is put right, a crash or a "
                              "power cut loses what you have not recorded. Record your text often with "
                              "\"Enter Response\" or \"Save as Notes\".");
}

// One window per student and assignment; and a state folder that cannot be
// used is said once, at start.
bool Tutor::claimAssignment()
{
    const records::Session& s = session_;
    if (s.paths().master.empty())
        return true; // the dialogue stopped before the record files were named
    const UnrecordedText::Opened opened =
        unrecorded_.open(s.studentName(), s.assignmentNumber(), platform_.files.hostPath(s.paths().master));
    if (opened == UnrecordedText::Opened::Elsewhere) {
        platform_.dialogs.message("QA Tutor is already open for " + s.studentName() + ", assignment " +
                                  s.assignmentNumber() + ". Use that window.");
        return false;
    }
    if (opened == UnrecordedText::Opened::NoStateFolder) {
        draftsOffSaid_ = true;
        const std::string dir = text::toCp1252(platform_.files.stateDirectory(), nullptr);
        const std::string why = text::toCp1252(platform_.files.stateProblem(), nullptr);
        platform_.dialogs.message(
            "QA Tutor cannot use its folder for drafts, \"" + dir + "\"" + (why.empty() ? "" : ": " + why) +
            ".\r\n\r\nUntil this is put right, text you have not recorded is not kept as a draft, a recording "
            "cut short by a crash is not repaired, and a second window for the same assignment is not "
            "noticed. Record your text often.\r\n\r\nTo put it right, make the folder yours and writable by "
            "you alone (for example: chmod 700 \"" +
            dir + "\"), or ask the lab administrator; then start QA Tutor again.");
    }
    return true;
}

void Tutor::repairCutRecordings()
{
    // The texts of recordings a killed program left cut short are set aside
    // for the student whose master file each was meant for (on a shared
    // account the next to start may be someone else); this student's come
    // back once the window is shown.
    // The same keeping serves the repair each recording makes first.
    const std::vector<RuntimeError> unsettled =
        platform_.files.repairAbandoned([this](const CutRecording& cut) { return unrecorded_.setAside(cut); });
    unsettledAtStart_ = !unsettled.empty();
    for (const RuntimeError& e : unsettled)
        platform_.dialogs.message(
            "A recording that a crash cut short could not be repaired: the file \"" +
            text::toCp1252(e.path(), nullptr) + "\" could not be opened, read or cut back (" +
            text::toCp1252(e.reason(), nullptr) +
            ").\r\n\r\nIt is kept, to be repaired at a later start once the file can be written; "
            "the text of that recording is kept until then. Check that you may write to the file.");
}

// Steps on to the question line a restored text was typed for, as if the
// student had clicked up to it; false when the assignment does not reach it
// from here.
bool Tutor::stepTo(const std::string& line)
{
    if (line.empty() || line == cursor_.currentLine())
        return true;
    const std::string& next = session_.nextAssignmentNumber();
    long long at = -1;
    for (BankCursor::Step s = cursor_.peek(next, cursor_.bankIndex()); s.kind != BankCursor::Step::End;
         s = cursor_.peek(next, s.index)) {
        if (s.line == line) {
            at = s.index;
            break;
        }
    }
    if (at < 0)
        return false;
    std::string shown;
    while (cursor_.bankIndex() < at) {
        const BankCursor::Step s = readNextQuestion();
        const std::string pending = cursor_.takePendingText();
        if (s.kind == BankCursor::Step::Show)
            shown = pending;
    }
    platform_.view.setQuestionText(shown);
    return true;
}

void Tutor::restoreDraft()
{
    std::optional<std::string> master;
    try {
        // While a recording cut short is still to be put right, its text
        // may stand in the master file as a torn block: nothing is taken as
        // recorded, so the draft stays.
        if (!session_.paths().master.empty() && !unsettledAtStart_)
            master = platform_.files.readAll(session_.paths().master);
    } catch (const RuntimeError&) {
        // Unread, nothing is taken as recorded: the text comes back.
    }
    const std::string& next = session_.nextAssignmentNumber();
    const auto reaches = [this, &next](const std::string& line) {
        for (BankCursor::Step s = cursor_.peek(next, cursor_.bankIndex()); s.kind != BankCursor::Step::End;
             s = cursor_.peek(next, s.index))
            if (s.line == line)
                return true;
        return line == cursor_.currentLine();
    };
    const std::optional<KeptText> kept = unrecorded_.settle(master, reaches);
    if (!kept)
        return;
    const bool there = stepTo(kept->line);
    platform_.view.setAnswerDraft(kept->text);
    const char* what = kept->kind == KeptText::Note       ? "note"
                       : kept->kind == KeptText::Response ? "response"
                                                          : "text";
    std::string message = std::string("The ") + what + " you had not recorded";
    if (!kept->line.empty())
        message += " for the question " + quoted(kept->line);
    if (!kept->date.empty())
        message += " on " + kept->date + " at " + kept->time;
    message += " is back in the answer box.";
    if (kept->kind == KeptText::Note)
        message += " It was being saved as a note: record it with \"Save as Notes\".";
    if (!there)
        message += "\r\n\r\nThis assignment does not reach that question from here: check which question it "
                   "answers before you record it.";
    platform_.dialogs.message(message);
}

} // namespace qa
