// Escaping for the report: each byte's replacement looked up in a table made
// once, runs of bytes that stand as they are copied whole.
#include "review/write/html_writer.h"

#include <cstdio>
#include <string>

#include "platform/text.h"
#include "platform/utf8.h"

namespace qa::review {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// How each byte is written: markup characters as references; controls but
// tab and line feed as U+FFFD (in an attribute, tab and line feed as
// references too); Windows-1252 bytes past ASCII as their UTF-8. A byte is
// plain when it stands as it is in both encodings (ASCII, not special).
struct Tables {
    std::string text1252[256], attr1252[256];
    bool plain[256] = {};
    Tables()
    {
        for (int b = 0; b < 256; ++b) {
            const auto byte = static_cast<unsigned char>(b);
            const char32_t c = text::decodeByte(byte);
            std::string& t = text1252[b];
            switch (c) {
            case '&': t = "&amp;"; break;
            case '<': t = "&lt;"; break;
            case '>': t = "&gt;"; break;
            case '"': t = "&quot;"; break;
            case '\'': t = "&#39;"; break;
            default:
                const bool control = (c < 0x20 && c != '\t' && c != '\n') || (c >= 0x7F && c < 0xA0);
                t = control ? std::string(kReplacement) : text::toUtf8(std::string(1, static_cast<char>(byte)));
            }
            attr1252[b] = c == '\t' ? "&#9;" : c == '\n' ? "&#10;" : t;
            plain[b] = b < 0x80 && t.size() == 1 && c != '\t' && c != '\n';
        }
    }
};
const Tables& tables()
{
    static const Tables t;
    return t;
}

} // namespace

HtmlWriter& HtmlWriter::operator<<(int n)
{
    if (n < 0)
        out_ << std::string_view("-");
    return *this << std::uint64_t(n < 0 ? -static_cast<long long>(n) : n);
}

HtmlWriter& HtmlWriter::operator<<(When w)
{
    out_ << std::string_view(formatMoment(w.moment)).substr(w.from, w.length);
    return *this;
}

HtmlWriter& HtmlWriter::operator<<(Fixed f)
{
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", f.decimals, f.value);
    out_ << std::string_view(buf);
    return *this;
}

HtmlWriter& HtmlWriter::operator<<(Padded p)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%0*lld", p.width, p.value);
    out_ << std::string_view(buf);
    return *this;
}

// Writes the runs of bytes that need no escaping as they are; each other
// byte goes to `special`, which writes it and says how many bytes it took. A
// CR alone breaks the line as LF does; of CR LF, the LF breaks it.
template <class Special> void HtmlWriter::escaped(std::string_view s, const std::string* escapes, Special special)
{
    const Tables& t = tables();
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t j = i;
        while (j < s.size() && t.plain[static_cast<unsigned char>(s[j])])
            ++j;
        out_ << s.substr(i, j - i);
        if (j == s.size())
            break;
        const auto b = static_cast<unsigned char>(s[j]);
        std::size_t len = 1;
        if (b == '\r') {
            if (j + 1 == s.size() || s[j + 1] != '\n')
                out_ << std::string_view(escapes[static_cast<unsigned char>('\n')]);
        } else
            len = special(b, j);
        i = j + len;
    }
}

HtmlWriter& HtmlWriter::cp1252(std::string_view s, bool attribute)
{
    const std::string* escapes = attribute ? tables().attr1252 : tables().text1252;
    escaped(s, escapes, [&](unsigned char b, std::size_t) {
        out_ << std::string_view(escapes[b]);
        return std::size_t{1};
    });
    return *this;
}

HtmlWriter& HtmlWriter::utf8(std::string_view s, bool attribute)
{
    const std::string* escapes = attribute ? tables().attr1252 : tables().text1252;
    escaped(s, escapes, [&](unsigned char b, std::size_t j) {
        if (b < 0x80) {
            out_ << std::string_view(escapes[b]);
            return std::size_t{1};
        }
        if (const std::size_t len = text::decodeUtf8(s, j).length; len != 0) {
            out_ << s.substr(j, len);
            return len;
        }
        out_ << kReplacement;
        return std::size_t{1};
    });
    return *this;
}

} // namespace qa::review
