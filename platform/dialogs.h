#pragma once
#include <string>

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

    enum class Choice { Yes, No, Cancel };
    // A question with Yes and No buttons, and Cancel when `offerCancel`.
    virtual Choice ask(const std::string& text, bool offerCancel) = 0;
};

} // namespace qa
