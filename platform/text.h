#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Single-byte text helpers. Every text of the core is a std::string of
// Windows-1252 bytes whose line breaks are CR LF.
namespace qa::text {

inline constexpr std::string_view kCrLf = "\r\n";

// The Unicode character that a Windows-1252 byte stands for. Bytes 0x81, 0x8D,
// 0x8F, 0x90 and 0x9D have no character and stand for the C1 control of the
// same value, so every byte round-trips.
char32_t decodeByte(unsigned char byte);
// The byte for a Unicode character, or -1 when Windows-1252 cannot hold it.
int encodeChar(char32_t ch);

// UTF-8 <-> Windows-1252. `toCp1252` collects every character that cannot be
// stored (each once, in order of first appearance) in `unencodable`, and leaves
// those characters out of the result.
std::string toUtf8(std::string_view cp1252);
std::string toCp1252(std::string_view utf8, std::u32string* unencodable);
// "U+03C0" for a character.
std::string describeCodePoint(char32_t ch);
// Several in UTF-8 for a student to read: each character as itself with its
// code point beside it, "≤ (U+2264), π (U+03C0)"; one that shows nothing
// of its own (a control or a format character) by its code point only.
std::string showCodePoints(std::u32string_view chars);

// The 64-bit FNV-1a hash of the bytes: to tell texts apart quickly, never
// as a secret.
std::uint64_t fnv1a(std::string_view bytes);
// Sixteen hex digits that tell texts apart (FNV-1a), for file names of the
// program's own that stand for a longer key.
std::string fingerprint(std::string_view key);

// Lower-cases the ASCII letters only (as the marker tests of the bank do).
std::string lower(std::string_view s);
// The first n characters, or the whole text when it is shorter.
std::string_view left(std::string_view s, std::size_t n);
// Characters from 1-based position `from` to the end; empty past the end.
std::string_view midFrom(std::string_view s, std::size_t from);
// Replaces every occurrence of `from` by `to`.
std::string replaceAll(std::string_view s, std::string_view from, std::string_view to);

// Lenient numeric reading: leading blanks skipped, reading stops at the first
// character that cannot continue a number, "." is the decimal point, no
// number reads as 0.
double leadingNumber(std::string_view s);
// Strict reading for comparing a text with a number: blanks around the number
// are allowed, anything else that is not part of the number makes it unreadable.
std::optional<double> wholeTextNumber(std::string_view s);
// Shortest decimal text of a number, no leading blank (8, 10, 2.5, 1E+20).
std::string formatNumber(double v);
// A number item as a record file line carries it: sign place (blank or "-"),
// the number, one blank after.
std::string numberItem(double v);
// Rounding to the nearest whole number, halves to the even neighbour.
double roundHalfEven(double v);

} // namespace qa::text
