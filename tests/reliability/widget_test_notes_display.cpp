// Notes files of arbitrary bytes shown by the real window, and the text
// conversion between record-file bytes and the window's boxes: every byte
// comes through, characters that cannot be stored are listed, never
// replaced by "?".
#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

#include <chrono>
#include <fstream>
#include <string>

#include "app/widgets/main_window.h"
#include "app/widgets/qt_text.h"
#include "support/fakes.h"

namespace {

using namespace qa::testing;
using qa::widgets::fromCore;
using qa::widgets::toCore;

std::string everyByte()
{
    std::string out;
    for (int b = 0; b < 256; ++b)
        out += static_cast<char>(b);
    return out;
}

TEST(NotesDisplayConversion, EveryByteMapsToOneCharacterAndBack)
{
    const QString shown = fromCore(everyByte());
    ASSERT_EQ(shown.size(), 256);
    // Line feed (10) and the carriage return (13) not followed by one are breaks.
    EXPECT_EQ(shown[10], QChar(u'\n'));
    EXPECT_EQ(shown[13], QChar(u'\n'));
    EXPECT_EQ(shown[0], QChar(u'\0'));
    EXPECT_EQ(shown[0x41], QChar(u'A'));
    EXPECT_EQ(shown[0x80], QChar(0x20AC)); // euro sign
    EXPECT_EQ(shown[0x81], QChar(0x0081)); // no character: the C1 control
    EXPECT_EQ(shown[0x99], QChar(0x2122)); // trade mark sign
    EXPECT_EQ(shown[0x9F], QChar(0x0178)); // Y with diaeresis
    EXPECT_EQ(shown[0xA0], QChar(0x00A0));
    EXPECT_EQ(shown[0xFF], QChar(0x00FF));

    // Back from the window every byte returns; a break comes back as CR LF.
    std::string noCr = everyByte();
    noCr.erase(13, 1);
    const qa::TypedText back = toCore(fromCore(noCr));
    std::string want = noCr;
    want.replace(10, 1, "\r\n");
    EXPECT_TRUE(back.text == want);
    EXPECT_TRUE(back.unencodable.empty());
}

TEST(NotesDisplayConversion, CharactersOutsideTheCodePageAreListedNotReplaced)
{
    const qa::TypedText typed =
        toCore(QString::fromUtf8("\xCF\x80 r\xC2\xB2 \xF0\x9F\x98\x80\xF0\x9F\x98\x80 \xE2\x82\xAC"));
    EXPECT_EQ(typed.text, " r\xB2  \x80");
    EXPECT_EQ(typed.unencodable, U"\u03C0\U0001F600");
}

// The window over a temporary drive root, loaded with the usual replies.
struct Window {
    TempRoot root;
    FakeClock clock;
    ScriptedRandom random;
    ScriptedDialogs dialogs;
    qa::Files files{qa::systemFileOps(), root.path, root.state()};
    qa::widgets::MainWindow window{files, clock, random, dialogs};

    Window()
    {
        for (const char* r : {"1", "Ann Lee", "ABC", "1"})
            dialogs.reply(r);
    }
    std::filesystem::path notes() const { return root.home() / "notes_Ann_Lee.txt"; }
    // The question box's text with paragraph breaks as plain line feeds.
    QString question() const
    {
        return window.questionBox()->document()->toRawText().replace(QChar(0x2029), QChar(u'\n'));
    }
};

TEST(NotesDisplayWindow, ArbitraryNotesFilesAreShownWhole)
{
    std::string tenMegabytes;
    while (tenMegabytes.size() < (10u << 20))
        tenMegabytes += "Notes line " + std::to_string(tenMegabytes.size()) + ": " + everyByte() + "\r\n";
    const std::pair<const char*, std::string> files[] = {
        {"every byte 0-255", everyByte()},
        {"lines without CR LF", "lone LF\nlone CR\rno break at the end"},
        {"10 MB", tenMegabytes},
    };
    for (const auto& [what, bytes] : files) {
        Window w;
        ASSERT_TRUE(w.window.load()) << what;
        std::ofstream(w.notes(), std::ios::binary) << bytes;
        auto* button = w.window.findChild<QPushButton*>("cmd_display_note_file");
        ASSERT_NE(button, nullptr);
        const auto start = std::chrono::steady_clock::now();
        button->click();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_FALSE(w.window.tutor().ended()) << what;
        EXPECT_TRUE(w.dialogs.messages.empty()) << what;
        const QString want = fromCore(bytes);
        const QString got = w.question();
        EXPECT_EQ(got.size(), want.size()) << what;
        EXPECT_TRUE(got == want) << what;
        EXPECT_LT(seconds, 60.0) << what;
        std::printf("[ figures  ] %s: %zu bytes shown in %.2f s\n", what, bytes.size(), seconds);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
