#pragma once
#include <string>

#include "platform/text.h"

namespace qa {

// A prompt reply: the typed text as Windows-1252, and the characters the
// student typed that Windows-1252 cannot hold (left out of `text`).
struct TypedText {
    std::string text;
    std::u32string unencodable;
};

// Modal prompts and message boxes. Texts are Windows-1252 with CR LF breaks.
// The window opens real dialogs; tests pre-answer them. Core code never opens
// a dialog itself.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A text-input box with the prompt only; Cancel gives an empty text.
    virtual TypedText prompt(const std::string& text) = 0;
    // A message box with an OK button only.
    virtual void message(const std::string& text) = 0;
    // The same for a text in UTF-8 (CR LF breaks): one that must show
    // characters Windows-1252 cannot hold, such as those it refuses. Where a
    // box has no way to show them, they are left out.
    virtual void messageUtf8(const std::string& utf8) { message(text::toCp1252(utf8, nullptr)); }

    enum class Choice { Yes, No, Cancel };
    // A question with Yes and No buttons, and Cancel when `offerCancel`.
    virtual Choice ask(const std::string& text, bool offerCancel) = 0;
};

} // namespace qa
