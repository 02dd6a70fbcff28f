#pragma once
#include <string>

#include "platform/random.h"

// The code scheme of the record files. Texts are single-byte; each operation
// takes its inputs by reference, changes none and returns a new text.
namespace qa::coding {

// The coding step of record lines: returns the text unchanged.
std::string code(const std::string& aLine, const double& codeNbr);

// Maps a coded text back with the code number. Raises error 5 when a computed
// character code falls outside 0 to 255.
std::string decode(const std::string& coded, const double& codeNbr);

// A line of codeNbr groups, each an optional filler (66..116) and one count
// character (118..255), drawn from `rng` in the order r, s, t.
std::string makeCodeLine(const double& codeNbr, Random& rng);

// The text without blanks and hyphens.
std::string remSpaces(const std::string& text);

} // namespace qa::coding
