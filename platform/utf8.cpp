// UTF-8 checked, and names of files as UTF-8 and as the system's bytes.
#include "platform/utf8.h"

namespace qa::text {

Utf8Char decodeUtf8(std::string_view s, std::size_t i)
{
    const auto b = static_cast<unsigned char>(s[i]);
    const std::size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (len == 0 || len > s.size() - i)
        return {};
    char32_t c = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    for (std::size_t k = 1; k < len; ++k) {
        const auto n = static_cast<unsigned char>(s[i + k]);
        if ((n & 0xC0) != 0x80)
            return {};
        c = (c << 6) | (n & 0x3F);
    }
    const bool overlong = (len == 2 && c < 0x80) || (len == 3 && c < 0x800) || (len == 4 && c < 0x10000);
    if (overlong || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        return {};
    return {c, len};
}

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

std::string validUtf8(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const Utf8Char d = decodeUtf8(s, i);
        if (d.length > 0) {
            out.append(s.substr(i, d.length));
            i += d.length;
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

std::string hostPath(const std::filesystem::path& p)
{
#ifdef _WIN32
    const auto u = p.u8string();
    return std::string(u.begin(), u.end());
#else
    return p.native();
#endif
}

} // namespace qa::text
