#pragma once
// UTF-8 checked, and names of files as UTF-8 and as the system's bytes.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace qa::text {

// The one reading of UTF-8 of both programs. A sequence is UTF-8 when its
// lead byte announces its length, that many continuation bytes follow, and it
// is the shortest form of a character up to U+10FFFF that is not a surrogate.
struct Utf8Char {
    char32_t c = 0xFFFD;
    std::size_t length = 0; // 0: no UTF-8 sequence starts here
};
// The character whose sequence starts at s[i] (i < s.size()).
Utf8Char decodeUtf8(std::string_view s, std::size_t i);
// The character as UTF-8, at the end of `out`.
void appendUtf8(std::string& out, char32_t c);

// The text with every byte sequence that is not UTF-8 replaced by U+FFFD:
// overlong forms, surrogates, values past U+10FFFF and a lead byte without its
// continuation bytes each count as one bad byte, and decoding goes on at the
// next byte (so "\xC3" "A" keeps its "A").
std::string validUtf8(std::string_view s);

// A UTF-8 name as a path (on Windows: UTF-16), and a path as UTF-8 with bytes
// that are not UTF-8 replaced by U+FFFD.
std::filesystem::path pathFromUtf8(const std::string& utf8);
std::string pathToUtf8(const std::filesystem::path& path);

// The name the platform's file calls take: the native bytes, or UTF-8 on
// Windows.
std::string hostPath(const std::filesystem::path& p);

} // namespace qa::text
