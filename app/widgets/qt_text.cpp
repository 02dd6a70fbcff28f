#include "app/widgets/qt_text.h"

#include "platform/text.h"

namespace qa::widgets {

QString fromCore(std::string_view text)
{
    QString out;
    out.reserve(static_cast<qsizetype>(text.size()));
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto b = static_cast<unsigned char>(text[i]);
        if (b == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += QChar(u'\n');
        } else if (b < 0x80 || b >= 0xA0) {
            out += QChar(static_cast<char16_t>(b));
        } else {
            out += QChar(static_cast<char16_t>(text::decodeByte(b)));
        }
    }
    return out;
}

TypedText toCore(const QString& text)
{
    TypedText out;
    out.text.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (c == u'\n' || c == 0x2029 || c == 0x2028) {
            out.text += "\r\n";
            continue;
        }
        int b = text::encodeChar(c);
        if (b >= 0)
            out.text += static_cast<char>(b);
        else if (out.unencodable.find(c) == std::u32string::npos)
            out.unencodable += c;
    }
    return out;
}

} // namespace qa::widgets
