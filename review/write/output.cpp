// Text from the record files as UTF-8, on its way out.
#include "review/write/output.h"

#include "platform/text.h"

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

} // namespace qa::review
