#pragma once
#include <QString>
#include <functional>

#include "platform/dialogs.h"

class QWidget;

namespace qa::widgets {

// Real modal prompts and message boxes, captioned with the application's title.
class QtDialogs final : public Dialogs {
public:
    TypedText prompt(const std::string& text) override;
    void message(const std::string& text) override;

    // Work to do once, as soon as the first prompt is on screen and the
    // student is reading it.
    void setIdleWork(std::function<void()> work) { idleWork_ = std::move(work); }

private:
    std::function<void()> idleWork_;
};

// Runs `work` once (and clears it) right after `dialog` is first painted,
// before the dialog takes any input.
void runWhenShown(QWidget* dialog, std::function<void()>& work);

} // namespace qa::widgets
