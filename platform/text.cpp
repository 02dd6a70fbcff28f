#include "platform/text.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/utf8.h"

namespace qa::text {
namespace {

// Characters of bytes 0x80 to 0x9F; the rest of the code page equals Latin-1.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

char32_t decodeByte(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return kHigh[byte - 0x80];
    return byte;
}

int encodeChar(char32_t ch)
{
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return static_cast<int>(ch);
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == ch)
            return static_cast<int>(0x80 + i);
    return -1;
}

std::string toUtf8(std::string_view cp1252)
{
    std::string out;
    out.reserve(cp1252.size() + cp1252.size() / 8);
    for (unsigned char b : cp1252)
        appendUtf8(out, decodeByte(b));
    return out;
}

std::string toCp1252(std::string_view utf8, std::u32string* unencodable)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        // A byte that begins no UTF-8 sequence stands for U+FFFD, which
        // Windows-1252 cannot hold; decoding goes on at the next byte.
        const Utf8Char d = decodeUtf8(utf8, i);
        const char32_t c = d.c;
        const std::size_t len = d.length > 0 ? d.length : 1;
        i += len;
        int e = encodeChar(c);
        if (e >= 0) {
            out += static_cast<char>(e);
        } else if (unencodable && unencodable->find(c) == std::u32string::npos) {
            *unencodable += c;
        }
    }
    return out;
}

std::string describeCodePoint(char32_t ch)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(ch));
    return buf;
}

std::string showCodePoints(std::u32string_view chars)
{
    const auto invisible = [](char32_t c) {
        return c < 0xA0 || (c >= 0x2000 && c <= 0x200F) || (c >= 0x2028 && c <= 0x202F) ||
               (c >= 0x2060 && c <= 0x206F) || (c >= 0xD800 && c <= 0xDFFF) || (c >= 0xFE00 && c <= 0xFE0F) ||
               c == 0xFEFF || (c & 0xFFFE) == 0xFFFE || c > 0x10FFFF;
    };
    std::string out;
    for (char32_t c : chars) {
        if (!out.empty())
            out += ", ";
        if (invisible(c)) {
            out += describeCodePoint(c);
            continue;
        }
        appendUtf8(out, c);
        out += " (" + describeCodePoint(c) + ")";
    }
    return out;
}

std::string lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string_view left(std::string_view s, std::size_t n)
{
    return s.substr(0, std::min(n, s.size()));
}

std::string_view midFrom(std::string_view s, std::size_t from)
{
    if (from == 0 || from > s.size())
        return {};
    return s.substr(from - 1);
}

std::uint64_t fnv1a(std::string_view bytes)
{
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

std::string fingerprint(std::string_view key)
{
    std::uint64_t h = fnv1a(key);
    static const char kDigits[] = "0123456789abcdef";
    std::string out(16, '0');
    for (std::size_t i = 16; i-- > 0; h >>= 4)
        out[i] = kDigits[h & 15];
    return out;
}

std::string replaceAll(std::string_view s, std::string_view from, std::string_view to)
{
    std::string out;
    out.reserve(s.size());
    std::size_t pos = 0;
    while (true) {
        std::size_t hit = s.find(from, pos);
        if (hit == std::string_view::npos || from.empty()) {
            out.append(s.substr(pos));
            return out;
        }
        out.append(s.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
}

namespace {

// Where the first significant digit of a scanned number stands: 1 for the
// units, 2 for the tens, 0 for the tenths, -1 for the hundredths, with the
// exponent added.
long decimalMagnitude(std::string_view number)
{
    long magnitude = 0;
    std::size_t i = 0;
    if (i < number.size() && (number[i] == '+' || number[i] == '-'))
        ++i;
    bool significant = false;
    for (; i < number.size() && isDigit(number[i]); ++i) {
        significant = significant || number[i] != '0';
        if (significant)
            ++magnitude;
    }
    if (i < number.size() && number[i] == '.')
        for (++i; i < number.size() && isDigit(number[i]) && !significant; ++i) {
            significant = number[i] != '0';
            if (!significant)
                --magnitude;
        }
    while (i < number.size() && number[i] != 'e')
        ++i;
    long exponent = 0;
    if (i < number.size())
        std::from_chars(number.data() + i + 1 + (number[i + 1] == '+' ? 1 : 0), number.data() + number.size(),
                        exponent);
    return magnitude + exponent;
}

// Reads the longest number at the start of `s` (sign, digits, one point, an
// exponent when digits follow it). Returns the characters used, 0 when none.
std::size_t scanNumber(std::string_view s, double& value)
{
    std::size_t i = 0;
    std::string buf;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        buf += s[i++];
    bool digits = false;
    while (i < s.size() && isDigit(s[i])) {
        buf += s[i++];
        digits = true;
    }
    if (i < s.size() && s[i] == '.') {
        buf += s[i++];
        while (i < s.size() && isDigit(s[i])) {
            buf += s[i++];
            digits = true;
        }
    }
    if (!digits) {
        value = 0;
        return 0;
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t j = i + 1;
        std::string exp = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            exp += s[j++];
        if (j < s.size() && isDigit(s[j])) {
            while (j < s.size() && isDigit(s[j]))
                exp += s[j++];
            buf += exp;
            i = j;
        }
    }
    // from_chars reads "." as the point whatever the process locale; it takes
    // no "+", and a value out of range reads as infinity, as strtod gives it.
    const char* first = buf.data() + (buf[0] == '+' ? 1 : 0);
    const auto [end, ec] = std::from_chars(first, buf.data() + buf.size(), value);
    if (ec == std::errc::result_out_of_range)
        value = (buf[0] == '-' ? -1 : 1) * (decimalMagnitude(buf) > 0 ? HUGE_VAL : 0.0);
    (void)end;
    return i;
}

} // namespace

double leadingNumber(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    double v = 0;
    scanNumber(s.substr(i), v);
    return v;
}

std::optional<double> wholeTextNumber(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    std::string_view core = s.substr(b, e - b);
    if (core.empty())
        return std::nullopt;
    double v = 0;
    if (scanNumber(core, v) != core.size())
        return std::nullopt;
    return v;
}

std::string formatNumber(double v)
{
    if (v == 0)
        return "0";
    // Fifteen significant digits, as "%.15g" in the C locale gives them.
    char buf[40];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    std::string out(buf, ec == std::errc() ? end : buf);
    for (char& c : out)
        if (c == 'e')
            c = 'E';
    return out;
}

std::string numberItem(double v)
{
    std::string digits = formatNumber(v);
    if (!digits.empty() && digits[0] == '-')
        return digits + " ";
    return " " + digits + " ";
}

double roundHalfEven(double v)
{
    return std::nearbyint(v);
}

} // namespace qa::text
