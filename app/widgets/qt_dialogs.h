#pragma once
#include <QString>

#include "platform/dialogs.h"

namespace qa::widgets {

// Real modal prompts and message boxes, captioned with the application's title.
class QtDialogs final : public Dialogs {
  public:
    TypedText prompt(const std::string& text) override;
    void message(const std::string& text) override;
};

} // namespace qa::widgets
