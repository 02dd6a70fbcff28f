#pragma once
#include <QString>
#include <string>

#include "platform/dialogs.h"

// The one place where core texts (Windows-1252, CR LF) meet widget texts
// (Unicode, plain line breaks).
namespace qa::widgets {

// Core text to widget text: each byte through the code page; CR LF, and a
// lone CR or LF, become one line break.
QString fromCore(std::string_view text);

// Widget text to core text: line and paragraph breaks become CR LF; every
// character Windows-1252 cannot hold is listed and left out.
TypedText toCore(const QString& text);

} // namespace qa::widgets
