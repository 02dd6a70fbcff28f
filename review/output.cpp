// Text as UTF-8, UTF-8 checks, and names of files as UTF-8.
#include "review/output.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "platform/clock.h"
#include "platform/text.h"
#include "review/model.h"

namespace qa::review {
namespace {

// Each Windows-1252 byte in UTF-8.
struct Tables {
    std::string utf8[256];
    Tables()
    {
        for (int b = 0; b < 256; ++b)
            utf8[b] = text::toUtf8(std::string(1, static_cast<char>(b)));
    }
};
const Tables& tables()
{
    static const Tables t;
    return t;
}

} // namespace

Out& Out::utf8From1252(std::string_view s, bool doubleQuotes)
{
    const Tables& t = tables();
    for (char c : s) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            buf_ += c;
            if (c == '"' && doubleQuotes)
                buf_ += c;
        } else {
            buf_ += t.utf8[b];
        }
    }
    if (buf_.size() >= kFlushAt)
        flush();
    return *this;
}

std::string validUtf8(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char b = static_cast<unsigned char>(s[i]);
        std::size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        bool ok = len > 0 && i + len <= s.size();
        char32_t c = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
        for (std::size_t k = 1; ok && k < len; ++k) {
            const unsigned char n = static_cast<unsigned char>(s[i + k]);
            ok = (n & 0xC0) == 0x80;
            c = (c << 6) | (n & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        ok = ok && !(len == 2 && c < 0x80) && !(len == 3 && c < 0x800) && !(len == 4 && c < 0x10000) &&
             !(c >= 0xD800 && c <= 0xDFFF) && c <= 0x10FFFF;
        if (ok) {
            out.append(s.substr(i, len));
            i += len;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

std::string pathToUtf8(const std::filesystem::path& path)
{
    try {
        const auto u = path.generic_u8string();
        return validUtf8(std::string_view(reinterpret_cast<const char*>(u.data()), u.size()));
    } catch (...) {
        return "\xEF\xBF\xBD";
    }
}

std::filesystem::path pathFromUtf8(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string madeOnNow()
{
    const LocalTime t = SystemClock::at(std::chrono::system_clock::now());
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour, t.minute);
    return buf;
}

} // namespace qa::review
