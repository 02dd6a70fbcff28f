#pragma once
// Texts folded for comparing, by the intake (names) and the checks (answers)
// alike. Texts are Windows-1252.
#include <string>
#include <string_view>

namespace qa::review {

// The text with runs of blanks and line breaks made one blank, none at either
// end, and letters in lower case: two answers that differ only so are the
// same answer.
std::string foldText(std::string_view cp1252);

} // namespace qa::review
