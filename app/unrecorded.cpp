// Typed text is never lost: the question before the program ends with
// unrecorded text in the answer box, and the drafts kept while typing.
#include "app/tutor.h"
#include "platform/text.h"

namespace qa {
namespace {

const std::string kUnrecordedQuestion =
    "Your text in the answer box has not been recorded. Record it as a response before the program ends?";

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
    return box.text != answerPrompt && box.text != lastRecorded_;
}

void Tutor::keepDraft(const std::string& draft)
{
    if (unrecorded(typedFrom(draft)))
        drafts_.save(draft);
    else
        drafts_.clear();
}

bool Tutor::mayEnd(const BoxBefore& before, bool offerCancel)
{
    const TypedText box = typedFrom(before.draft);
    if (!unrecorded(box)) {
        drafts_.clear();
        return true;
    }
    const Dialogs::Choice choice = p_.dialogs.ask(kUnrecordedQuestion, offerCancel);
    if (choice == Dialogs::Choice::Cancel && offerCancel)
        return false;
    if (choice != Dialogs::Choice::Yes) {
        drafts_.save(before.draft);
        return true;
    }
    // Recorded as "Enter Response" would have just before this event.
    auto stayOpen = [&] {
        if (p_.view.answerDraft() != before.draft)
            p_.view.setAnswerDraft(before.draft);
        return false;
    };
    if (!box.unencodable.empty()) {
        refuseUnencodable(box.unencodable);
        return stayOpen();
    }
    try {
        records_.appendResponse(box.text, before.currentLine, before.questionNumber);
    } catch (const RuntimeError& error) {
        notRecorded(error);
        return stayOpen();
    }
    drafts_.clear();
    lastRecorded_ = box.text;
    transcript_.addAnswer(box.text);
    return true;
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
    p_.view.setAnswerDraft(saved->text);
    p_.dialogs.message("The text you had not recorded on " + saved->date + " at " + saved->time +
                       " is back in the answer box.");
}

} // namespace qa
