// Escaping for the report, UTF-8 checks, and names of files as UTF-8.
#include "review/output.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "platform/clock.h"
#include "platform/text.h"
#include "review/model.h"

namespace qa::review {
namespace {

// Each Windows-1252 byte in UTF-8, and as the report writes it: markup
// characters as references, controls (but tab and line feed) as U+FFFD; and
// whether a byte stands as it is. A CR is handled apart.
struct Tables {
    std::string utf8[256];
    std::string html[256];
    bool plain[256] = {};
    Tables()
    {
        for (int b = 0; b < 256; ++b) {
            const auto byte = static_cast<unsigned char>(b);
            const char32_t c = text::decodeByte(byte);
            utf8[b] = text::toUtf8(std::string(1, static_cast<char>(byte)));
            switch (c) {
            case '&': html[b] = "&amp;"; break;
            case '<': html[b] = "&lt;"; break;
            case '>': html[b] = "&gt;"; break;
            case '"': html[b] = "&quot;"; break;
            case '\'': html[b] = "&#39;"; break;
            default:
                html[b] =
                    (c < 0x20 && c != '\t' && c != '\n') || (c >= 0x7F && c < 0xA0) ? "\xEF\xBF\xBD" : utf8[b];
            }
            plain[b] = b < 0x80 && b != '\n' && html[b] == utf8[b];
        }
    }
};
const Tables& tables()
{
    static const Tables t;
    return t;
}

} // namespace

Out& Out::html1252(std::string_view s)
{
    const Tables& t = tables();
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t j = i;
        while (j < s.size() && t.plain[static_cast<unsigned char>(s[j])])
            ++j;
        buf_.append(s.data() + i, j - i);
        if (j == s.size())
            break;
        const unsigned char b = static_cast<unsigned char>(s[j]);
        if (b != '\r')
            buf_ += t.html[b];
        else if (j + 1 == s.size() || s[j + 1] != '\n')
            buf_ += '\n'; // a CR alone breaks the line too; of CR LF the LF does
        i = j + 1;
    }
    if (buf_.size() >= kFlushAt)
        flush();
    return *this;
}

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

Out& Out::html(std::string_view s)
{
    const Tables& t = tables();
    for (char c : s) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b >= 0x80)
            buf_ += c; // valid UTF-8 by the caller's word
        else
            buf_ += t.html[b];
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
