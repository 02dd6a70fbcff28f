// Hostile input: student names that try to leave the data directory or are
// too long for a file name, answers that are huge or full of control and
// high bytes or hold characters the record files cannot store, and notes
// files of arbitrary bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "platform/text.h"
#include "reliability/reliability_support.h"
#include "support/fakes.h"

namespace {

namespace fs = std::filesystem;
using namespace qa;
using namespace qa::testing;
using qa::reliability::readFile;
using qa::reliability::snapshotTree;

// A tutor whose drive root lies one level inside a temporary directory, so
// that anything written beside or above the root shows up in a snapshot.
struct NestedRig {
    TempRoot outer;
    TempRoot stateRoot;
    std::string drive = outer.path + "/drive";
    FakeClock clock;
    ScriptedRandom random;
    ScriptedDialogs dialogs;
    FakeView view;
    FaultyFileOps ops;
    Files files{ops, drive, stateRoot.state()};
    Tutor tutor{Platform{files, clock, random, dialogs, view}};
};

struct NameCase {
    std::string name;     // as typed (Windows-1252)
    std::string filePart; // the name part of the file names on the host (UTF-8); empty: unusable
};

std::string repeat(char c, std::size_t n)
{
    return std::string(n, c);
}

TEST(HostileNames, NoNameWritesOutsideTheDataDirectory)
{
    std::string c1;
    for (int b = 0x80; b <= 0x9F; ++b)
        c1 += static_cast<char>(b);
    const std::vector<NameCase> cases = {
        {"Ann/Lee", "Ann_Lee"},
        {"../../escape", ".._.._escape"},
        {"..\\..\\..\\etc\\passwd", ".._.._.._etc_passwd"},
        {"C:\\Windows\\x", "C__Windows_x"},
        {"..", ".."},
        {".", "."},
        {"", ""},
        {"a:b*c?d\"e<f>g|h\ti\r\nj", "a_b_c_d_e_f_g_h_i__j"},
        {std::string("nul\0byte", 8), "nul_byte"},
        {"Zo\xEB \xC5ngstr\xF6m", "Zo\xC3\xAB_\xC3\x85ngstr\xC3\xB6m"},
        {"\x80\x9F", "\xE2\x82\xAC\xC5\xB8"},
        {c1, text::toUtf8(c1)},
        // "masterFile_" + 240 + ".txt" is 255 bytes: the longest that fits.
        {repeat('x', 240), repeat('x', 240)},
    };
    int tried = 0;
    for (const NameCase& c : cases) {
        NestedRig rig;
        ++tried;
        const std::string where = "name \"" + text::toUtf8(c.name) + "\"";
        for (const std::string& r : {std::string("1"), c.name, std::string("ABC"), std::string("1")})
            rig.dialogs.reply(r);
        ASSERT_TRUE(rig.tutor.handle(Event::Load)) << where;
        ASSERT_TRUE(rig.tutor.handle(Event::NextQuestion)) << where;
        rig.view.answer = "answer";
        ASSERT_TRUE(rig.tutor.handle(Event::EnterResponse)) << where;
        rig.view.answer = "note";
        ASSERT_TRUE(rig.tutor.handle(Event::SaveAsNotes)) << where;
        EXPECT_TRUE(rig.dialogs.messages.empty()) << where << ": " << rig.dialogs.messages.front();

        const std::set<std::string> want = {
            "drive/",
            "drive/c/",
            "drive/c/kelvarno/",
            "drive/c/kelvarno/masterFile_" + c.filePart + ".txt",
            "drive/c/kelvarno/send_0307" + c.filePart + ".txt",
            "drive/c/kelvarno/notes_" + c.filePart + ".txt",
        };
        EXPECT_EQ(snapshotTree(rig.outer.path), want) << where;
        const std::string master =
            readFile(reliability::fromUtf8(rig.drive + "/c/kelvarno/masterFile_" + c.filePart + ".txt"));
        // The name itself is recorded as typed, control characters and all.
        EXPECT_NE(master.find("\r\nStudent Name:  " + c.name + "\r\n"), std::string::npos) << where;
    }
    std::printf("[ figures  ] usable names tried: %d\n", tried);
}

TEST(HostileNames, NameTooLongForAFileNameIsReportedAndCreatesNothing)
{
    for (std::size_t length : {241u, 255u, 300u}) {
        NestedRig rig;
        const std::string where = std::to_string(length) + " characters";
        for (const std::string& r : {std::string("1"), repeat('n', length), std::string("ABC"), std::string("1")})
            rig.dialogs.reply(r);
        // Opening the master file fails: the general message with the error
        // number, then which folder and why, and the window stays.
        ASSERT_TRUE(rig.tutor.handle(Event::Load)) << where;
        ASSERT_EQ(rig.dialogs.messages.size(), 2u) << where;
        EXPECT_EQ(rig.dialogs.messages[0], Tutor::kGeneralMessage + "52") << where;
        EXPECT_NE(rig.dialogs.messages[1].find("error 52: Bad file name or number"), std::string::npos) << where;

        ASSERT_TRUE(rig.tutor.handle(Event::NextQuestion)) << where;
        rig.view.answer = "answer";
        ASSERT_TRUE(rig.tutor.handle(Event::EnterResponse)) << where;
        ASSERT_EQ(rig.dialogs.messages.size(), 3u) << where;
        EXPECT_EQ(rig.dialogs.messages[2].rfind("Your text was not recorded: the file \"", 0), 0u) << where;
        EXPECT_NE(rig.dialogs.messages[2].find("error 52: Bad file name or number"), std::string::npos) << where;
        EXPECT_EQ(rig.view.answer, "answer") << where;
        EXPECT_EQ(snapshotTree(rig.outer.path), (std::set<std::string>{"drive/", "drive/c/", "drive/c/kelvarno/"}))
            << where;
    }
}

TEST(HostileNames, NameWithCharactersTheFilesCannotHoldIsAskedAgain)
{
    NestedRig rig;
    rig.dialogs.reply("1");
    rig.dialogs.replies.push_back({"Ann ", U"\u03C0"});
    rig.dialogs.replies.push_back({"", U"\u674E\U0001F600"});
    rig.dialogs.reply("Ann Lee");
    rig.dialogs.reply("ABC");
    rig.dialogs.reply("1");
    ASSERT_TRUE(rig.tutor.handle(Event::Load));
    ASSERT_EQ(rig.dialogs.messages.size(), 2u);
    EXPECT_EQ(rig.dialogs.messages[0], "Your reply holds characters that cannot be stored in the record files: "
                                       "\xCF\x80 (U+03C0).\r\n\r\nPlease type it again without them.");
    EXPECT_NE(rig.dialogs.messages[1].find("\xE6\x9D\x8E (U+674E), \xF0\x9F\x98\x80 (U+1F600)."),
              std::string::npos)
        << rig.dialogs.messages[1];
    EXPECT_EQ(rig.dialogs.prompts.size(), 6u);
    EXPECT_EQ(rig.tutor.session().studentName(), "Ann Lee");
    EXPECT_EQ(snapshotTree(rig.outer.path), (std::set<std::string>{"drive/", "drive/c/", "drive/c/kelvarno/",
                                                                   "drive/c/kelvarno/masterFile_Ann_Lee.txt",
                                                                   "drive/c/kelvarno/send_0307Ann_Lee.txt"}));
}

// A paste of `size` bytes in lines of printable text.
std::string paste(std::size_t size)
{
    std::string out;
    out.reserve(size);
    for (std::size_t i = 0; out.size() < size; ++i)
        out += (i % 72 == 71) ? std::string("\r\n") : std::string(1, static_cast<char>('!' + i % 90));
    out.resize(size);
    if (out.back() == '\r')
        out.back() = 'x';
    return out;
}

TEST(HostileAnswers, EveryByteIsRecordedExactlyAndNothingBecomesAQuestionMark)
{
    std::string high, allBytes;
    for (int b = 0x80; b <= 0x9F; ++b)
        high += static_cast<char>(b);
    for (int b = 0; b < 256; ++b)
        if (b != '?')
            allBytes += static_cast<char>(b);
    std::string pasted16 = paste(16u << 20);
    std::replace(pasted16.begin(), pasted16.end(), '?', '.');
    std::string pasted1 = paste(1u << 20);
    std::replace(pasted1.begin(), pasted1.end(), '?', '.');
    const std::vector<std::pair<const char*, std::string>> answers = {
        {"1 MB paste", pasted1},
        {"16 MB paste", pasted16},
        {"CR alone", "before\rafter"},
        {"LF alone", "before\nafter"},
        {"NUL", std::string("before\0after", 12)},
        {"0x80-0x9F", high},
        {"every byte but '?'", allBytes},
    };
    Harness h;
    ASSERT_TRUE(h.start());
    ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
    std::size_t bytesTried = 0;
    for (const auto& [what, answer] : answers) {
        for (Event event : {Event::EnterResponse, Event::SaveAsNotes}) {
            const std::string master = readFile(h.master());
            const std::string send = readFile(h.send());
            h.view.answer = answer;
            const auto start = std::chrono::steady_clock::now();
            ASSERT_TRUE(h.tutor.handle(event)) << what;
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            EXPECT_LT(seconds, 30.0) << what;
            ASSERT_TRUE(h.dialogs.messages.empty()) << what << ": " << h.dialogs.messages.front();
            const std::string addedMaster = readFile(h.master()).substr(master.size());
            const std::string addedSend = readFile(h.send()).substr(send.size());
            const bool note = event == Event::SaveAsNotes;
            const std::string label = note ? "NOTES -------> " : "RESPONSE -->  \r\n";
            // The text stands whole after its label and before the closing rule.
            const std::string closing = std::string(49, '.');
            EXPECT_NE(addedMaster.find(label + answer + "\r\n" + closing + "\r\n"), std::string::npos) << what;
            EXPECT_NE(addedSend.find(label + answer + "\r\n" + closing), std::string::npos) << what;
            // The only "?" recorded are those of the question line.
            const auto marks =
                std::count(h.tutor.cursor().currentLine().begin(), h.tutor.cursor().currentLine().end(), '?');
            EXPECT_EQ(std::count(addedMaster.begin(), addedMaster.end(), '?'), marks) << what;
            EXPECT_EQ(std::count(addedSend.begin(), addedSend.end(), '?'), marks) << what;
            bytesTried += answer.size();
        }
        ASSERT_TRUE(h.tutor.handle(Event::DisplayEverything));
        EXPECT_EQ(h.view.question.find(" YOUR ANSWER  ->->->->  NOTES -------> " + answer), 0u) << what;
    }
    std::printf("[ figures  ] answers tried: %zu, bytes recorded and compared: %zu\n", answers.size() * 2,
                bytesTried);
}

TEST(HostileAnswers, CharactersTheFilesCannotHoldAreRefusedByName)
{
    // What the window hands over for a paste: the conversion leaves the
    // characters out and lists them, it never substitutes a "?".
    std::u32string missing;
    const std::string typed =
        text::toCp1252("\xCF\x80 \xE2\x89\x88 3.14 \xF0\x9F\x98\x80 \xE2\x82\xAC 5", &missing);
    EXPECT_EQ(typed, "  3.14  \x80 5");
    EXPECT_EQ(missing, U"\u03C0\u2248\U0001F600");

    Harness h;
    ASSERT_TRUE(h.start());
    ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
    const std::string master = readFile(h.master());
    const std::string send = readFile(h.send());
    for (Event event : {Event::EnterResponse, Event::SaveAsNotes}) {
        h.view.answer = typed;
        h.view.answerUnencodable = missing;
        ASSERT_TRUE(h.tutor.handle(event));
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        EXPECT_EQ(h.dialogs.messages[0],
                  "Your text was not recorded: it holds characters that the record files cannot store: \xCF\x80 "
                  "(U+03C0), \xE2\x89\x88 (U+2248), \xF0\x9F\x98\x80 (U+1F600).\r\n\r\nYour text is still in the "
                  "answer box. Replace those characters and click "
                  "the button again.");
        EXPECT_EQ(h.view.answer, typed);
        EXPECT_EQ(h.view.answerUnencodable, missing);
        h.dialogs.messages.clear();
    }
    EXPECT_EQ(readFile(h.master()), master);
    EXPECT_EQ(readFile(h.send()), send);
    EXPECT_FALSE(fs::exists(h.notes()));
}

TEST(HostileNotes, DisplayNotesShowsAnyBytesOfAnySize)
{
    std::string everyByte;
    for (int b = 0; b < 256; ++b)
        everyByte += static_cast<char>(b);
    std::string tenMegabytes;
    tenMegabytes.reserve(10u << 20);
    while (tenMegabytes.size() < (10u << 20))
        tenMegabytes += everyByte;
    const std::vector<std::pair<const char*, std::string>> files = {
        {"every byte 0-255", everyByte},
        {"lines without CR LF", "lone LF\nlone CR\rLF CR\n\rno break at the end"},
        {"only a CR", "\r"},
        {"10 MB of every byte", tenMegabytes},
    };
    for (const auto& [what, bytes] : files) {
        Harness h;
        ASSERT_TRUE(h.start());
        ASSERT_EQ(h.view.question, "");
        std::ofstream(h.notes(), std::ios::binary) << bytes;
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(h.tutor.handle(Event::DisplayNotes)) << what;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_TRUE(h.dialogs.messages.empty()) << what;
        EXPECT_TRUE(h.view.question == bytes) << what << ": " << h.view.question.size() << " of " << bytes.size();
        EXPECT_LT(seconds, 10.0) << what;
        EXPECT_EQ(h.files.openCount(), 0) << what;
    }

    // A directory in the notes file's place cannot be read: told, no crash.
    Harness h;
    ASSERT_TRUE(h.start());
    fs::create_directory(h.notes());
    ASSERT_TRUE(h.tutor.handle(Event::DisplayNotes));
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_EQ(h.dialogs.messages[0].rfind("The notes could not be shown: the file \"", 0), 0u)
        << h.dialogs.messages[0];
    EXPECT_NE(
        h.dialogs.messages[0].find("notes_Ann_Lee.txt\" (open: Is a directory; error 75: Path/File access error)"),
        std::string::npos)
        << h.dialogs.messages[0];
    EXPECT_EQ(h.view.question, "");
}

} // namespace
