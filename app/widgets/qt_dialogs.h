#pragma once
#include <QString>
#include <functional>

#include "platform/dialogs.h"

class QInputDialog;
class QWidget;

namespace qa::widgets {

// Real modal prompts and message boxes, captioned with the application's title.
class QtDialogs final : public Dialogs {
public:
    TypedText prompt(const std::string& text) override;
    void message(const std::string& text) override;
    void messageUtf8(const std::string& utf8) override;
    Choice ask(const std::string& text, bool offerCancel) override;

    // Work to do once, as soon as the first prompt is on screen and the
    // student is reading it.
    void setIdleWork(std::function<void()> work) { idleWork_ = std::move(work); }

private:
    std::function<void()> idleWork_;
};

// Runs `work` from the event loop right after `widget` is first painted, so
// before a dialog takes any input. Nothing when `work` is empty.
void runWhenShown(QWidget* widget, std::function<void()> work);

// A text-input dialog for a prompt: the prompt only, the application's title.
void preparePrompt(QInputDialog& dialog, const std::string& text);

} // namespace qa::widgets
