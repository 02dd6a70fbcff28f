// Where core texts (Windows-1252 bytes, CR LF) meet the widgets' Unicode.
#include <gtest/gtest.h>

#include <QString>

#include <string>

#include "app/widgets/qt_text.h"

using qa::widgets::fromCore;
using qa::widgets::toCore;

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

TEST(WidgetText, EveryByteButTheLineBreaksRoundTrips)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n')
            all += static_cast<char>(b);
    const QString shown = fromCore(all);
    EXPECT_EQ(shown.size(), 254) << "one character per byte";
    const qa::TypedText back = toCore(shown);
    EXPECT_EQ(back.text, all);
    EXPECT_TRUE(back.unencodable.empty());

    // The code page behind the high bytes.
    EXPECT_EQ(fromCore("\x80"), QString(QChar(0x20AC)));
    EXPECT_EQ(fromCore("\x93\x94"), QString::fromUtf16(u"\u201C\u201D"));
    EXPECT_EQ(fromCore("\x9F"), QString(QChar(0x0178)));
    EXPECT_EQ(fromCore("\x81\x8D\x8F\x90\x9D"), QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D"));
    EXPECT_EQ(fromCore("\xA0\xE9\xFF"), QString::fromUtf16(u"\u00A0\u00E9\u00FF"));
    EXPECT_EQ(toCore(QString::fromUtf16(u"\u20AC\u2014\u00A0")).text, "\x80\x97\xA0");
    EXPECT_EQ(fromCore(std::string("a\0b", 3)), QString::fromUtf16(u"a\u0000b", 3));
}

TEST(WidgetText, LineBreaks)
{
    EXPECT_EQ(fromCore("a\r\nb"), QString("a\nb"));
    EXPECT_EQ(fromCore("a\r\n\r\nb\r\n"), QString("a\n\nb\n"));
    EXPECT_EQ(fromCore("a\rb\nc"), QString("a\nb\nc"));
    EXPECT_EQ(fromCore("a\n\rb"), QString("a\n\nb")) << "LF CR is two breaks";

    EXPECT_EQ(toCore("a\nb").text, "a\r\nb");
    EXPECT_EQ(toCore("\n\n").text, "\r\n\r\n");
    EXPECT_EQ(toCore(QString::fromUtf16(u"a\u2029b\u2028c")).text, "a\r\nb\r\nc");
    EXPECT_EQ(toCore(fromCore("one\r\ntwo\r\n")).text, "one\r\ntwo\r\n");
}

TEST(WidgetText, UnencodableCharactersAreListedOnceInOrder)
{
    const QString typed = QString::fromUtf16(u"x\u03C0 \U0001F600y\u03C0\U0001F600\u03C0");
    const qa::TypedText t = toCore(typed);
    EXPECT_EQ(t.text, "x y");
    EXPECT_EQ(t.unencodable, std::u32string(U"\u03C0\U0001F600"));

    const qa::TypedText emojiFirst = toCore(QString::fromUtf16(u"\U0001F600\u03C0"));
    EXPECT_EQ(emojiFirst.text, "");
    EXPECT_EQ(emojiFirst.unencodable, std::u32string(U"\U0001F600\u03C0"));

    EXPECT_TRUE(toCore("plain").unencodable.empty());
}

} // namespace
