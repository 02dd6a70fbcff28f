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

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// One character for HTML: markup characters as references, controls (but
// tab and line feed) as U+FFFD, a CR of CR LF dropped.
void appendHtml(std::string& out, char32_t c)
{
    switch (c) {
    case '&': out += "&amp;"; return;
    case '<': out += "&lt;"; return;
    case '>': out += "&gt;"; return;
    case '"': out += "&quot;"; return;
    case '\'': out += "&#39;"; return;
    case '\t':
    case '\n': out += static_cast<char>(c); return;
    case '\r': return;
    default: break;
    }
    if (c < 0x20 || (c >= 0x7F && c < 0xA0))
        c = 0xFFFD;
    appendUtf8(out, c);
}

} // namespace

Out& Out::html1252(std::string_view s)
{
    for (std::size_t i = 0; i < s.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(s[i]);
        if (b == '\r' && i + 1 < s.size() && s[i + 1] == '\n')
            continue;
        appendHtml(buf_, b == '\r' ? U'\n' : text::decodeByte(b));
    }
    if (buf_.size() >= kFlushAt)
        flush();
    return *this;
}

Out& Out::html(std::string_view s)
{
    for (char c : s) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b >= 0x80)
            buf_ += c; // valid UTF-8 by the caller's word
        else
            appendHtml(buf_, b);
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
