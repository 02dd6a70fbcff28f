#pragma once
#include <string>
#include <vector>

namespace qa::bank {

// The 29 lines of the built-in assignment 001, in bank order (they land at
// indices 1 to 29). Texts are single-byte (Windows-1252).
const std::vector<std::string>& builtinContent();

} // namespace qa::bank
