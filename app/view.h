#pragma once
#include <string>

#include "platform/dialogs.h"

namespace qa {

// The window's controls as the procedures use them. Texts are Windows-1252
// with CR LF breaks; the widget side converts them. Tests put a plain
// in-memory view here.
class View {
public:
    enum Picture { Picture1 = 1, Picture2 = 2 };

    virtual ~View() = default;

    // The question box (`txt_question`).
    virtual void setQuestionText(const std::string& text) = 0;
    // Adds text at the end of the question box; costs what the added text costs.
    virtual void appendQuestionText(const std::string& text) = 0;

    // The answer box (`txt_answer`). Changes made here are undoable edits.
    virtual TypedText answerText() = 0;
    virtual void setAnswerText(const std::string& text) = 0;
    // The answer box as typed, for a draft: UTF-8 with CR LF breaks, with
    // the characters the record files cannot hold. Putting a draft back is
    // one undoable edit.
    virtual std::string answerDraft() = 0;
    virtual void setAnswerDraft(const std::string& utf8) = 0;
    // The answer box's text is now safe in the record files: the edits that
    // led up to it need not be kept for undo any longer.
    virtual void answerRecorded() {}

    // Picture boxes: drawing scale, circle outline, the clipboard copy of
    // Picture1's picture into Picture2 (nothing when it holds no picture).
    virtual void setPictureScale(Picture box, double width, double height) = 0;
    virtual void drawCircle(Picture box, double x, double y, double radius) = 0;
    virtual void copyPicture() = 0;

    // The pendulum timer and the system beep.
    virtual void enableTimer() = 0;
    virtual void beep() = 0;
};

} // namespace qa
