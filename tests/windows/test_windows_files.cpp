// The record files on Windows itself: the machine's own drive paths, file
// names in UTF-16, a file that another program holds, our lock against
// another process. (The repair of a torn tail runs here too, in the core
// suite.)
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "records/layouts.h"
#include "store/files.h"
#include "support/fakes.h"

#include "platform/win32_text.h"

namespace {

namespace fs = std::filesystem;

// Whether every journal in the state directory reads idle: no recording is
// under way and none was left on the way.
bool journalsBlank(const std::string& stateDir)
{
    for (const auto& entry : fs::directory_iterator(stateDir)) {
        if (entry.path().filename().string().rfind("journal-", 0) != 0)
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        if (text.compare(0, 19, "qa-tutor journal -\n") != 0)
            return false;
    }
    return true;
}
using namespace qa;
using namespace qa::testing;

using namespace qa::records;
const std::string kOpenRule = kOpeningRule;
const std::string kCloseRule = kClosingRule;

std::string ln(const std::string& s)
{
    return s + "\r\n";
}

std::string readWide(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The names in a folder, as Windows lists them.
std::set<std::wstring> listing(const std::wstring& dir)
{
    std::set<std::wstring> out;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return out;
    do {
        if (std::wstring(found.cFileName) != L"." && std::wstring(found.cFileName) != L"..")
            out.insert(found.cFileName);
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return out;
}

std::wstring wide(const std::string& utf8)
{
    std::wstring out;
    win32::widen(utf8, out);
    return out;
}

void oneOfEach(Tutor& tutor, FakeView& view)
{
    ASSERT_TRUE(tutor.handle(Event::NextQuestion));
    view.answer = "my answer";
    ASSERT_TRUE(tutor.handle(Event::EnterResponse));
    view.answer = "my note";
    ASSERT_TRUE(tutor.handle(Event::SaveAsNotes));
}

const std::vector<std::string> kBank = {"001.  one", "`q001 first question", "002.  next"};

TEST(WindowsPaths, DrivePathsAreTheMachinesOwnAndStateIsUnderLocalAppData)
{
    const DrivePaths machine{""};
    EXPECT_EQ(machine.hostPath("c:\\kelvarno\\masterFile_Ann_Lee.txt"), "C:\\kelvarno\\masterFile_Ann_Lee.txt");
    EXPECT_EQ(machine.hostPath("i:\\bkp_000416\\My Documents\\lb1"), "I:\\bkp_000416\\My Documents\\lb1");
    EXPECT_EQ(machine.hostPath("c:\\k\\caf\xE9.txt"), "C:\\k\\caf\xC3\xA9.txt");
    EXPECT_EQ(machine.hostPath("c:\\"), "C:\\");
    const DrivePaths rooted{"D:\\root\\"};
    EXPECT_EQ(rooted.hostPath("c:\\kelvarno\\m.txt"), "D:\\root\\c\\kelvarno\\m.txt");
    for (const char* bad : {"c:\\kelvarno\\..\\x.txt", "..\\x", ""})
        EXPECT_EQ(errorOf([&] { machine.hostPath(bad); }), kBadFileName) << bad;
    EXPECT_EQ(parentOf("C:\\kelvarno\\m.txt"), "C:\\kelvarno");
    EXPECT_EQ(parentOf("C:\\kelvarno"), "C:\\");
    EXPECT_EQ(joinPath("C:\\kelvarno", "m.txt"), "C:\\kelvarno\\m.txt");

    // A user whose name is not ASCII: the state directory is UTF-8 as every
    // host path, not the ANSI code page.
    wchar_t old[1024];
    const DWORD had = GetEnvironmentVariableW(L"LOCALAPPDATA", old, 1024);
    SetEnvironmentVariableW(L"LOCALAPPDATA", L"C:\\Users\\Zo\u00EB\\AppData\\Local");
    const std::string state = defaultStateDirectory();
    SetEnvironmentVariableW(L"LOCALAPPDATA", had > 0 && had < 1024 ? old : nullptr);
    EXPECT_EQ(state, "C:\\Users\\Zo\xC3\xAB\\AppData\\Local\\qa-tutor");
}

// A whole session as the tutor runs on Windows: no drive root, so the files
// land in the real C:\kelvarno, byte for byte as the layouts say.
TEST(WindowsFiles, SessionWritesGoldenRecordFilesToTheRealDataFolder)
{
    const fs::path dir = L"C:\\kelvarno";
    const std::vector<fs::path> files = {dir / L"masterFile_Ann_Lee.txt", dir / L"send_0307Ann_Lee.txt",
                                         dir / L"notes_Ann_Lee.txt"};
    for (const fs::path& f : files)
        if (fs::exists(f))
            GTEST_SKIP() << "C:\\kelvarno already holds this student's files; they are left alone";
    const bool dirWasThere = fs::exists(dir);
    SetEnvironmentVariableW(L"QA_TUTOR_DRIVE_ROOT", nullptr);

    TempRoot state;
    FakeClock clock;
    clock.stepPerTimeRead = 1;
    ScriptedRandom random;
    ScriptedDialogs dialogs;
    FakeView view;
    Files filesLayer(systemFileOps(), DrivePaths::fromEnvironment(), state.state());
    Tutor tutor{Platform{filesLayer, clock, random, dialogs, view}};
    tutor.setBankLoader([](QuestionBank& bank, long long& index) {
        for (const std::string& line : kBank)
            bank.storeNext(index, line);
    });
    for (const char* reply : {"1", "Ann Lee", "ABC", "1"})
        dialogs.reply(reply);
    ASSERT_TRUE(tutor.handle(Event::Load));
    oneOfEach(tutor, view);
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();

    const std::string code(24, '\xBA');
    auto header = [&](bool master, const std::string& time) {
        return ln(code) + ln(std::string(kNameLabel) + "Ann Lee") + ln(std::string(kAssignmentLabel) + "001") +
               ln("001.  one") + ln(std::string(kInitialsLabel) + "ABC") +
               ln(std::string(kDateLabel) + "03-07-2026" + (master ? "" : " ") + time);
    };
    auto response = [&](bool master, const std::string& time) {
        return ln(kOpenRule) + ln(kIndent + time) +
               (master ? ln("") + ln("") + ln(std::string(kQuestionTag) + " 10001 ") : "") +
               ln("`q001 first question") + ln(kOpenRule) + ln(kResponseLabel) + ln("my answer") + ln(kCloseRule);
    };
    auto notes = [&](bool master, const std::string& time, const std::string& stamp) {
        return ln(kOpenRule) + ln(kIndent + time) + ln(kIndent + "03-07-2026" + stamp) +
               ln("`q001 first question") + ln(kOpenRule) + ln(std::string(kNotesPrefix) + "my note") +
               (master ? ln(kCloseRule) : kCloseRule + kToNextZone);
    };
    const std::string master = readWide(files[0]);
    const std::string send = readWide(files[1]);
    const std::string notesFile = readWide(files[2]);
    EXPECT_EQ(master, header(true, "10:20:30") + response(true, "10:20:32") + notes(true, "10:20:34", "10:20:37"));
    EXPECT_EQ(send,
              header(false, "10:20:31") + response(false, "10:20:33") + notes(false, "10:20:35", "10:20:38"));
    EXPECT_EQ(notesFile, notes(false, "10:20:36", "10:20:39"));
    EXPECT_TRUE(journalsBlank(state.state())) << "no mark stays after whole recordings";

    std::error_code ec;
    for (const fs::path& f : files)
        fs::remove(f, ec);
    if (!dirWasThere)
        fs::remove(dir, ec);
}

// "Zoë" is typed in Windows-1252; the file names must carry the same letter.
TEST(WindowsFiles, NameWithAnAccentGivesFileNamesWithTheSameLetter)
{
    Harness h;
    h.useBank(kBank);
    ASSERT_TRUE(h.start("1", "Zo\xEB", "ZZZ", "1"));
    oneOfEach(h.tutor, h.view);
    EXPECT_TRUE(h.dialogs.messages.empty()) << h.dialogs.messages.front();
    const std::set<std::wstring> expected = {L"masterFile_Zo\u00EB.txt", L"send_0307Zo\u00EB.txt",
                                             L"notes_Zo\u00EB.txt"};
    EXPECT_EQ(listing(wide(h.root.path) + L"\\c\\kelvarno"), expected);
}

// Another program that runs the helper, and ends it.
class OtherProgram {
public:
    OtherProgram(const char* mode, const std::string& path)
    {
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        const std::wstring helper = fs::path(self).parent_path() / L"qa_windows_helper.exe";
        const std::wstring event = L"qa-tutor-test-" + std::to_wstring(GetCurrentProcessId());
        ready_ = CreateEventW(nullptr, TRUE, FALSE, event.c_str());
        std::wstring command =
            L"\"" + helper + L"\" " + wide(mode) + L" \"" + wide(path) + L"\" \"" + event + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessW(helper.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process_))
            return;
        const HANDLE both[2] = {ready_, process_.hProcess};
        started_ = WaitForMultipleObjects(2, both, FALSE, 60000) == WAIT_OBJECT_0;
    }
    ~OtherProgram()
    {
        end();
        CloseHandle(ready_);
    }
    bool started() const { return started_; }
    void end()
    {
        if (!process_.hProcess)
            return;
        TerminateProcess(process_.hProcess, 0);
        WaitForSingleObject(process_.hProcess, 60000);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
        process_ = {};
    }

private:
    HANDLE ready_ = nullptr;
    PROCESS_INFORMATION process_{};
    bool started_ = false;
};

// An editor keeps the send file open and shares nothing: the recording is
// refused with error 70, the master file keeps nothing of it, the text stays
// in the box; once the file is let go, the same click records it.
// The Windows error codes a full disk, a dropped share or a refused file
// give, as the run-time error numbers the student sees.
TEST(WindowsFiles, ErrorCodesBecomeTheRunTimeErrorNumbers)
{
    const struct {
        DWORD code;
        bool opening;
        int number;
    } kCodes[] = {
        {ERROR_FILE_NOT_FOUND, false, kFileNotFound},
        {ERROR_PATH_NOT_FOUND, true, kPathNotFound},
        {ERROR_ACCESS_DENIED, true, kPermissionDenied},
        {ERROR_SHARING_VIOLATION, true, kPermissionDenied},
        {ERROR_DISK_FULL, false, kDiskFull},
        {ERROR_HANDLE_DISK_FULL, false, kDiskFull},
        {1295 /* quota */, false, kDiskFull},
        {ERROR_NETNAME_DELETED, false, kDeviceIO},
        {ERROR_UNEXP_NET_ERR, false, kDeviceIO},
        {ERROR_SEM_TIMEOUT, false, kDeviceIO},
        {ERROR_TOO_MANY_OPEN_FILES, true, kTooManyFiles},
        {ERROR_INVALID_NAME, true, kBadFileName},
        {ERROR_NO_MORE_FILES, false, kPathFileAccess},
    };
    for (const auto& c : kCodes)
        EXPECT_EQ(errorFromErrno(win32::errnoOf(c.code), c.opening), c.number) << "Windows error " << c.code;
}

TEST(WindowsFiles, FileHeldByAnotherProgramIsPermissionDeniedAndNothingIsRecorded)
{
    Harness h;
    h.useBank(kBank);
    ASSERT_TRUE(h.start());
    ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
    const std::string master = h.root.read(h.master());
    const std::string send = h.root.read(h.send());

    OtherProgram editor("hold", h.send().string());
    ASSERT_TRUE(editor.started());
    h.view.answer = "my answer";
    ASSERT_TRUE(h.tutor.handle(Event::EnterResponse));
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_NE(h.dialogs.messages[0].find("send_0307Ann_Lee.txt\" (open: Permission denied; error 70: "
                                         "Permission denied)"),
              std::string::npos)
        << h.dialogs.messages[0];
    EXPECT_EQ(h.view.answer, "my answer");
    EXPECT_EQ(h.root.read(h.master()), master);
    EXPECT_FALSE(h.root.exists(h.notes()));

    editor.end();
    ASSERT_TRUE(h.tutor.handle(Event::EnterResponse));
    EXPECT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_NE(h.root.read(h.master()).find("\r\nmy answer\r\n", master.size()), std::string::npos);
    EXPECT_NE(h.root.read(h.send()).find("\r\nmy answer\r\n", send.size()), std::string::npos);
}

// Our writers wait for each other's lock across processes, as with flock.
TEST(WindowsFiles, RecordingWaitsForTheLockOfAnotherProcess)
{
    Harness h;
    h.useBank(kBank);
    ASSERT_TRUE(h.start());
    ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
    const auto before = h.root.read(h.master()).size();

    OtherProgram writer("lock", h.master().string());
    ASSERT_TRUE(writer.started());
    h.view.answer = "waited";
    auto done = std::async(std::launch::async, [&] { return h.tutor.handle(Event::EnterResponse); });
    EXPECT_EQ(done.wait_for(std::chrono::milliseconds(700)), std::future_status::timeout)
        << "the recording did not wait for the lock";
    writer.end();
    ASSERT_EQ(done.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    EXPECT_TRUE(done.get());
    EXPECT_TRUE(h.dialogs.messages.empty()) << h.dialogs.messages.front();
    EXPECT_NE(h.root.read(h.master()).find("\r\nwaited\r\n", before), std::string::npos);
}

} // namespace
