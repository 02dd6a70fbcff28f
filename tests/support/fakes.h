#pragma once
// Stand-ins for the platform and the window in tests: a scripted clock and
// generator, pre-answered dialogs, an in-memory view, a temporary drive root,
// and a file layer that fails chosen calls.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#ifdef _WIN32
#include <random>
#endif
#include <string>
#include <vector>

#include "app/tutor.h"
#include "platform/errors.h"
#include "platform/file_ops.h"
#include "platform/text.h"

namespace qa::testing {

// A clock at a fixed date whose seconds step on every time read. Dates and
// times are formatted by the product's own clock code.
class FakeClock : public Clock {
public:
    std::string today = "03-07-2026";
    int secondsOfDay = 10 * 3600 + 20 * 60 + 30; // 10:20:30
    int stepPerTimeRead = 0;                     // seconds added after each time()
    float seedSeconds = 37230.5f;
    int dateReads = 0;
    int timeReads = 0;

    LocalTime now() override
    {
        LocalTime t;
        t.month = std::stoi(today.substr(0, 2));
        t.day = std::stoi(today.substr(3, 2));
        t.year = std::stoi(today.substr(6));
        const int s = secondsOfDay % 86400;
        t.hour = s / 3600;
        t.minute = s / 60 % 60;
        t.second = s % 60;
        return t;
    }
    std::string date() override
    {
        ++dateReads;
        return Clock::date();
    }
    std::string time() override
    {
        ++timeReads;
        std::string out = Clock::time();
        secondsOfDay += stepPerTimeRead;
        return out;
    }
    float secondsSinceMidnight() override { return seedSeconds; }
};

// A generator that replays given values, then repeats `fallback`.
class ScriptedRandom : public Random {
public:
    std::deque<float> values;
    float fallback = 0.5f;
    float seededWith = -1;
    int draws = 0;

    void seed(float v) override { seededWith = v; }
    float next() override
    {
        ++draws;
        if (values.empty())
            return fallback;
        float v = values.front();
        values.pop_front();
        return v;
    }
};

// Dialogs answered in advance. Every prompt and message is kept in order.
class ScriptedDialogs : public Dialogs {
public:
    std::deque<TypedText> replies;
    std::vector<std::string> prompts;
    std::vector<std::string> messages;

    void reply(const std::string& text) { replies.push_back({text, {}}); }
    TypedText prompt(const std::string& text) override
    {
        prompts.push_back(text);
        if (replies.empty())
            return {};
        TypedText r = replies.front();
        replies.pop_front();
        return r;
    }
    void message(const std::string& text) override { messages.push_back(text); }
    // Kept as the student reads it, in UTF-8.
    void messageUtf8(const std::string& utf8) override { messages.push_back(utf8); }

    // Questions answered in advance; No once the answers run out.
    std::deque<Choice> choices;
    std::vector<std::string> questions;
    std::vector<bool> cancelOffered;
    Choice ask(const std::string& text, bool offerCancel) override
    {
        questions.push_back(text);
        cancelOffered.push_back(offerCancel);
        if (choices.empty())
            return Choice::No;
        const Choice c = choices.front();
        choices.pop_front();
        return c;
    }
};

// The window's controls held in memory, in core texts.
class FakeView : public View {
public:
    std::string question;
    std::string answer = " ";
    std::u32string answerUnencodable; // characters the box holds that cannot be stored
    double scale[3][2] = {};
    struct Circle {
        Picture box;
        double x, y, r;
    };
    std::vector<Circle> circles;
    int copies = 0;
    bool timerEnabled = false;
    int beeps = 0;

    void setQuestionText(const std::string& t) override { question = t; }
    void appendQuestionText(const std::string& t) override { question += t; }
    TypedText answerText() override { return {answer, answerUnencodable}; }
    // The box as typed: the storable text, then the characters it cannot hold.
    std::string answerDraft() override
    {
        std::string out = text::toUtf8(answer);
        for (char32_t c : answerUnencodable) {
            const int tail = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
            out += static_cast<char>((tail == 1 ? 0xC0 : tail == 2 ? 0xE0 : 0xF0) | (c >> (6 * tail)));
            for (int i = tail - 1; i >= 0; --i)
                out += static_cast<char>(0x80 | ((c >> (6 * i)) & 0x3F));
        }
        return out;
    }
    void setAnswerDraft(const std::string& utf8) override
    {
        answerUnencodable.clear();
        answer = text::toCp1252(utf8, &answerUnencodable);
    }
    void setAnswerText(const std::string& t) override
    {
        answer = t;
        answerUnencodable.clear();
    }
    void setPictureScale(Picture box, double w, double h) override
    {
        scale[box][0] = w;
        scale[box][1] = h;
    }
    void drawCircle(Picture box, double x, double y, double r) override { circles.push_back({box, x, y, r}); }
    void copyPicture() override { ++copies; }
    void enableTimer() override { timerEnabled = true; }
    void beep() override { ++beeps; }
};

// The error number the call raised, 0 when it returned; `path` receives the
// file the error names.
inline int errorOf(const std::function<void()>& call, std::string* path = nullptr)
{
    try {
        call();
    } catch (const RuntimeError& e) {
        if (path)
            *path = e.path();
        return e.number();
    }
    return 0;
}

// A new empty directory among the temporary files.
inline std::string makeTempDirectory()
{
#ifdef _WIN32
    // No mkdtemp: a random name, taken only if it was not there. The path is
    // kept in UTF-8, as the file layer's host paths are.
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto dir = std::filesystem::temp_directory_path() / ("qa-tutor-test-" + std::to_string(random()));
        std::error_code ec;
        if (std::filesystem::create_directory(dir, ec)) {
            const auto utf8 = dir.u8string();
            return std::string(utf8.begin(), utf8.end());
        }
    }
    return {};
#else
    std::string tmpl = (std::filesystem::temp_directory_path() / "qa-tutor-test-XXXXXX").string();
    char* made = mkdtemp(tmpl.data());
    return made ? made : tmpl;
#endif
}

// A fresh temporary directory standing in for the drive root; removed after.
class TempRoot {
public:
    TempRoot() : path(makeTempDirectory()) {}
    ~TempRoot()
    {
        std::error_code ec;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path, ec);
    }
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    // The host path of the home data directory, c:\kelvarno.
    std::filesystem::path home() const { return std::filesystem::path(path) / "c" / "kelvarno"; }
    std::string read(const std::filesystem::path& p) const
    {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    bool exists(const std::filesystem::path& p) const { return std::filesystem::exists(p); }
    // The per-user state directory of the tests' tutor.
    std::string state() const
    {
        return path + static_cast<char>(std::filesystem::path::preferred_separator) + "state";
    }

    std::string path;
};

// The text a draft file of the state directory holds: after its head line and
// its entry line, which ends with the text's length.
inline std::string draftText(const std::string& content)
{
    const std::size_t eol = content.find('\n', content.find('\n') + 1);
    const std::size_t size = std::strtoull(content.c_str() + content.rfind(' ', eol) + 1, nullptr, 10);
    return eol == std::string::npos || size > content.size() ? content : content.substr(content.size() - size);
}

// The system's file calls, each passed on as it is: the base of the test file
// layers that change only some of them.
class ForwardingFileOps : public FileOps {
public:
    int open(const std::string& path, unsigned flags) override { return real_.open(path, flags); }
    std::int64_t read(int fd, void* buf, std::size_t len) override { return real_.read(fd, buf, len); }
    std::int64_t write(int fd, const void* buf, std::size_t len) override { return real_.write(fd, buf, len); }
    std::int64_t pread(int fd, void* buf, std::size_t len, std::int64_t offset) override
    {
        return real_.pread(fd, buf, len, offset);
    }
    std::int64_t pwrite(int fd, const void* buf, std::size_t len, std::int64_t offset) override
    {
        return real_.pwrite(fd, buf, len, offset);
    }
    int fsync(int fd) override { return real_.fsync(fd); }
    void startSync(int fd) override { real_.startSync(fd); }
    int ftruncate(int fd, std::int64_t length) override { return real_.ftruncate(fd, length); }
    int fstat(int fd, FileInfo& info) override { return real_.fstat(fd, info); }
    int stat(const std::string& path, FileInfo& info) override { return real_.stat(path, info); }
    int lock(int fd, LockKind kind) override { return real_.lock(fd, kind); }
    int close(int fd) override { return real_.close(fd); }
    int mkdir(const std::string& path, bool ownerOnly) override { return real_.mkdir(path, ownerOnly); }
    int unlink(const std::string& path) override { return real_.unlink(path); }
    int rename(const std::string& from, const std::string& to) override { return real_.rename(from, to); }
    int listDirectory(const std::string& path, std::vector<std::string>& names) override
    {
        return real_.listDirectory(path, names);
    }
    int listEntries(const std::string& path, std::vector<DirEntry>& entries) override
    {
        return real_.listEntries(path, entries);
    }
    std::string hostName() override { return real_.hostName(); }
    std::int64_t processId() override { return real_.processId(); }
    bool processRunning(std::int64_t pid) override { return real_.processRunning(pid); }
    std::uint64_t processStarted(std::int64_t pid) override { return real_.processStarted(pid); }

protected:
    FileOps& real_ = systemFileOps();
};

// A file layer over the real calls that fails chosen ones. Operations are
// counted across open, write, fsync and close; `failAt` fails the N-th such
// call (1-based), `failFrom` fails it and every later one. `shortWriteAt`
// makes the N-th write write only `shortBytes` bytes. `lockErrno` makes every
// lock fail with that error; `denyCreateUnder` refuses to create anything
// (files or directories) below that host directory, as a share without
// create rights does: an open that asks to create is refused even for a file
// that exists, while existing files open as usual without that ask.
class FaultyFileOps : public ForwardingFileOps {
public:
    // Opens and syncs of journals in the state directory are kinds of their own.
    enum class Kind { Open, JournalOpen, Write, JournalWrite, Fsync, JournalSync, Close };
    int counted = 0;
    int failAt = 0;
    bool failFrom = false;
    int failErrno = EIO;
    int writes = 0;
    int journalWrites = 0;
    int shortWriteAt = 0;
    std::size_t shortBytes = 0;
    int openFds = 0;
    int lockErrno = 0;
    int locks = 0;
    std::string denyCreateUnder;
    std::function<bool(Kind)> onlyKinds; // when set, only these kinds are counted
    int dirSyncs = 0;                    // syncs of a directory, made or refused
    int dirSyncErrno = 0;                // when set, every directory sync fails with it
    // Called before every call that changes a file or the disk, with the
    // call's name and its path ("" when it has only a descriptor): true fails
    // the call with `failErrno`. Failing every call from one on leaves the
    // disk as a kill there would.
    std::function<bool(const char* call, const std::string& path)> onCall;

    int open(const std::string& path, unsigned flags) override
    {
        if (onCall && onCall("open", path)) {
            errno = failErrno;
            return -1;
        }
        const bool journal = path.compare(path.find_last_of("/\\") + 1, 8, "journal-") == 0;
        if (fault(journal ? Kind::JournalOpen : Kind::Open))
            return -1;
        if ((flags & kOpenCreate) && deniedCreate(path)) {
            errno = EACCES; // some shares refuse it even for a file that exists
            return -1;
        }
        int fd = real_.open(path, flags);
        if (fd >= 0)
            ++openFds;
        if (fd >= 0 && (flags & kOpenDirectory))
            dirFds_.push_back(fd);
        if (fd >= 0 && journal)
            journalFds_.push_back(fd);
        if (fd >= 0)
            paths_[fd] = path;
        return fd;
    }
    std::int64_t write(int fd, const void* buf, std::size_t len) override
    {
        if (onCall && onCall("write", pathOf(fd))) {
            errno = failErrno;
            return -1;
        }
        if (fault(Kind::Write))
            return -1;
        ++writes;
        if (shortWriteAt == writes && len > 0)
            return real_.write(fd, buf, std::min(shortBytes, len));
        return real_.write(fd, buf, len);
    }
    std::int64_t pread(int fd, void* buf, std::size_t len, std::int64_t offset) override
    {
        return real_.pread(fd, buf, len, offset);
    }
    // Journal marks are written in place; they are faulted as their own kind
    // and do not count among `writes`.
    std::int64_t pwrite(int fd, const void* buf, std::size_t len, std::int64_t offset) override
    {
        if (onCall && onCall("pwrite", pathOf(fd))) {
            errno = failErrno;
            return -1;
        }
        if (fault(Kind::JournalWrite))
            return -1;
        ++journalWrites;
        return real_.pwrite(fd, buf, len, offset);
    }
    int fsync(int fd) override
    {
        if (onCall && onCall("fsync", pathOf(fd))) {
            errno = failErrno;
            return -1;
        }
        const bool journal = std::find(journalFds_.begin(), journalFds_.end(), fd) != journalFds_.end();
        if (fault(journal ? Kind::JournalSync : Kind::Fsync))
            return -1;
        if (std::find(dirFds_.begin(), dirFds_.end(), fd) != dirFds_.end() && ++dirSyncs && dirSyncErrno != 0) {
            errno = dirSyncErrno;
            return -1;
        }
        return real_.fsync(fd);
    }
    int ftruncate(int fd, std::int64_t length) override
    {
        if (onCall && onCall("ftruncate", pathOf(fd))) {
            errno = failErrno;
            return -1;
        }
        return real_.ftruncate(fd, length);
    }
    int lock(int fd, LockKind kind) override
    {
        ++locks;
        if (lockErrno != 0) {
            errno = lockErrno;
            return -1;
        }
        return real_.lock(fd, kind);
    }
    int close(int fd) override
    {
        --openFds;
        dirFds_.erase(std::remove(dirFds_.begin(), dirFds_.end(), fd), dirFds_.end());
        journalFds_.erase(std::remove(journalFds_.begin(), journalFds_.end(), fd), journalFds_.end());
        paths_.erase(fd);
        int r = real_.close(fd);
        if (fault(Kind::Close))
            return -1;
        return r;
    }
    int mkdir(const std::string& path, bool ownerOnly) override
    {
        if (deniedCreate(path)) {
            FileInfo info;
            errno = real_.stat(path, info) == 0 ? EEXIST : EACCES;
            return -1;
        }
        return real_.mkdir(path, ownerOnly);
    }
    int unlink(const std::string& path) override
    {
        if (onCall && onCall("unlink", path)) {
            errno = failErrno;
            return -1;
        }
        return real_.unlink(path);
    }
    int rename(const std::string& from, const std::string& to) override
    {
        if (onCall && onCall("rename", to)) {
            errno = failErrno;
            return -1;
        }
        return real_.rename(from, to);
    }

private:
    bool fault(Kind kind)
    {
        if (onlyKinds && !onlyKinds(kind))
            return false;
        ++counted;
        if (failAt > 0 && (counted == failAt || (failFrom && counted > failAt))) {
            errno = failErrno;
            return true;
        }
        return false;
    }
    bool deniedCreate(const std::string& path) const
    {
        return !denyCreateUnder.empty() && path.compare(0, denyCreateUnder.size(), denyCreateUnder) == 0;
    }
    std::vector<int> dirFds_;
    std::vector<int> journalFds_;
    std::map<int, std::string> paths_;
    std::string pathOf(int fd) const
    {
        const auto at = paths_.find(fd);
        return at == paths_.end() ? std::string() : at->second;
    }
};

// A whole tutor over fakes and a temporary drive root.
struct Harness {
    TempRoot root;
    FakeClock clock;
    ScriptedRandom random;
    ScriptedDialogs dialogs;
    FakeView view;
    FaultyFileOps ops;
    Files files{ops, root.path, root.state()};
    Tutor tutor{Platform{files, clock, random, dialogs, view}};

    // Loads these lines in place of the built-in bank, from index 1 on.
    void useBank(std::vector<std::string> lines)
    {
        tutor.setBankLoader([lines = std::move(lines)](QuestionBank& bank, long long& index) {
            for (const std::string& line : lines)
                bank.storeNext(index, line);
        });
    }

    // Answers the four prompts and loads the window.
    bool start(const std::string& where = "1", const std::string& name = "Ann Lee",
               const std::string& initials = "ABC", const std::string& assignment = "1")
    {
        dialogs.reply(where);
        dialogs.reply(name);
        dialogs.reply(initials);
        dialogs.reply(assignment);
        return tutor.handle(Event::Load);
    }
    std::filesystem::path master(const std::string& name = "Ann_Lee") const
    {
        return root.home() / ("masterFile_" + name + ".txt");
    }
    std::filesystem::path send(const std::string& name = "Ann_Lee") const
    {
        return root.home() / ("send_" + clock.today.substr(0, 2) + clock.today.substr(3, 2) + name + ".txt");
    }
    std::filesystem::path notes(const std::string& name = "Ann_Lee") const
    {
        return root.home() / ("notes_" + name + ".txt");
    }
};

} // namespace qa::testing
