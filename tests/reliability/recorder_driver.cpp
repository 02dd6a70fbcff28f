// Drives the tutor the way the window does, through the real file layer.
//
//   qa_recorder_driver DRIVE_ROOT NAME COUNT TAG [STATE_DIR]
//
// (the state folder is DRIVE_ROOT/state unless named: writers racing under one
// name and assignment need one each, as they would be on different computers)
// repairs what a killed run left, answers the four start-up prompts ("1", NAME, "ABC", "1"), shows the first
// question, then records the answers "TAG 1", "TAG 2", ... (COUNT of them, or
// without end when COUNT is 0) with "Enter Response", printing "ok <i>" once
// answer i is recorded. Any message from the tutor is a failure: it prints
// "fail <i> <message>" and exits with 3.
//
//   qa_recorder_driver session DRIVE_ROOT ROLE KILL
//
// is one start of a student's session over a three-question bank, for the
// crash campaign. ROLE "student" types (a draft kept at each pause), records
// responses and a note across the three questions (once with a last word
// typed after the pause, once without a pause at all), then quits with the
// last text unrecorded; "start"
// starts, shows the window and ends at once, as if killed; "clean" starts,
// shows the window, records what came back into the box (as a note when it
// came back as one) and quits. Each step is printed as "begin <step>
// <question line>|<text>" before and "done" after it runs; what came back is
// printed as "back <none|response|note> <line>|<text>". KILL "<phase>:<n>"
// (phases: start, draft, record) kills the process with SIGKILL at the n-th
// call that changes a file (open, write, sync, truncate, mkdir, unlink,
// rename) made in that phase, printing "killed <phase> <n> <call>" first; a
// write killed is half written. "-" kills nowhere. At its end (a start too)
// it prints "calls <phase>=<n> ..."; it exits with 0.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "support/fakes.h"

namespace {

using qa::Event;

// The real file calls, with a kill at a chosen one.
class KillingFileOps : public qa::testing::ForwardingFileOps {
public:
    KillingFileOps(std::string phase, int at) : killPhase_(std::move(phase)), killAt_(at) {}
    std::string phase = "start";
    std::map<std::string, int> calls;

    int open(const std::string& path, unsigned flags) override
    {
        hit("open");
        return real_.open(path, flags);
    }
    std::int64_t write(int fd, const void* buf, std::size_t len) override
    {
        if (hit("write", false))
            die("write", [&] { real_.write(fd, buf, len / 2); });
        return real_.write(fd, buf, len);
    }
    std::int64_t pwrite(int fd, const void* buf, std::size_t len, std::int64_t offset) override
    {
        if (hit("pwrite", false))
            die("pwrite", [&] { real_.pwrite(fd, buf, len / 2, offset); });
        return real_.pwrite(fd, buf, len, offset);
    }
    int fsync(int fd) override
    {
        hit("fsync");
        return real_.fsync(fd);
    }
    int ftruncate(int fd, std::int64_t length) override
    {
        hit("ftruncate");
        return real_.ftruncate(fd, length);
    }
    int mkdir(const std::string& path, bool ownerOnly) override
    {
        hit("mkdir");
        return real_.mkdir(path, ownerOnly);
    }
    int unlink(const std::string& path) override
    {
        hit("unlink");
        return real_.unlink(path);
    }
    int rename(const std::string& from, const std::string& to) override
    {
        hit("rename");
        return real_.rename(from, to);
    }

private:
    // Counts the call; true when it is the one to die at. With `dieNow` the
    // process dies here, before the call.
    bool hit(const char* call, bool dieNow = true)
    {
        const bool here = ++calls[phase] == killAt_ && phase == killPhase_;
        if (here && dieNow)
            die(call, [] {});
        return here;
    }
    template <class Before> [[noreturn]] void die(const char* call, Before before)
    {
        before();
        const std::string said = "killed " + phase + " " + std::to_string(killAt_) + " " + call + "\n";
        ::write(1, said.data(), said.size());
        raise(SIGKILL);
        _exit(9);
    }

    std::string killPhase_;
    int killAt_;
};

void say(const std::string& line)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

int session(const std::string& root, const std::string& role, const std::string& kill)
{
    const std::size_t colon = kill.find(':');
    KillingFileOps ops(kill.substr(0, colon),
                       colon == std::string::npos ? 0 : std::atoi(kill.c_str() + colon + 1));
    qa::testing::FakeClock clock;
    qa::testing::ScriptedRandom random;
    qa::testing::ScriptedDialogs dialogs;
    qa::testing::FakeView view;
    qa::Files files(ops, root, root + "/state");
    qa::Tutor tutor(qa::Platform{files, clock, random, dialogs, view});
    tutor.setBankLoader([](qa::QuestionBank& bank, long long& index) {
        for (const char* line :
             {"001.  x", "`q1 first question", "`q2 second question", "`q3 third question", "####.#"})
            bank.storeNext(index, line);
    });
    // One step: printed, run in its phase, and checked: no message unless
    // the start says what came back.
    const auto step = [&](const char* what, const char* phase, Event event, const std::string& text = "") {
        if (!text.empty())
            view.answer = text;
        say(std::string("begin ") + what + " " + tutor.cursor().currentLine() + "|" + view.answer);
        ops.phase = phase;
        const bool on = tutor.handle(event);
        ops.phase = "other";
        if (event != Event::Load && event != Event::Shown && !dialogs.messages.empty()) {
            say("fail " + dialogs.messages.back());
            std::exit(3);
        }
        say("done");
        return on;
    };
    for (const char* reply : {"1", "Campaign", "ABC", "1"})
        dialogs.reply(reply);
    if (!step("start", "start", Event::Load) || !step("start", "start", Event::Shown)) {
        say("fail the start ended");
        return 3;
    }
    const auto counts = [&ops] {
        std::string out = "calls";
        for (const auto& [phase, n] : ops.calls)
            out += " " + phase + "=" + std::to_string(n);
        say(out);
    };
    if (role == "start") {
        counts();
        _exit(0);
    }
    if (role == "clean") {
        const std::string restored = dialogs.messages.empty() ? "" : dialogs.messages.front();
        for (const std::string& m : dialogs.messages)
            say("message " + m);
        const bool note = restored.rfind("The note ", 0) == 0;
        say(std::string("back ") +
            (restored.empty() ? "none"
             : note           ? "note"
                              : "response") +
            " " + tutor.cursor().currentLine() + "|" + view.answer);
        dialogs.messages.clear();
        if (!restored.empty())
            step(note ? "note" : "record", "record", note ? Event::SaveAsNotes : Event::EnterResponse);
    } else {
        step("next", "other", Event::NextQuestion);
        step("type", "draft", Event::AnswerIdle, "q1 first");
        step("type", "draft", Event::AnswerIdle, "q1 first, and more");
        step("record", "record", Event::EnterResponse);
        step("next", "other", Event::NextQuestion);
        step("type", "draft", Event::AnswerIdle, "q2 a note");
        step("note", "record", Event::SaveAsNotes);
        step("type", "draft", Event::AnswerIdle, "q2 the answer");
        step("record", "record", Event::EnterResponse, "q2 the answer, and a last word"); // no pause before
        step("next", "other", Event::NextQuestion);
        step("record", "record", Event::EnterResponse, "q3 sent at once"); // never paused over: no draft
        step("type", "draft", Event::AnswerIdle, "q3 typed");
    }
    step("quit", "draft", Event::Quit);
    counts();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "session") == 0)
        return session(argv[2], argv[3], argv[4]);
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: %s DRIVE_ROOT NAME COUNT TAG [STATE_DIR]\n", argv[0]);
        return 2;
    }
    const std::string tag = argv[4];
    const long count = std::strtol(argv[3], nullptr, 10);

    qa::testing::FakeClock clock;
    qa::testing::ScriptedRandom random;
    qa::testing::ScriptedDialogs dialogs;
    qa::testing::FakeView view;
    qa::Files files(qa::systemFileOps(), std::string(argv[1]),
                    argc == 6 ? std::string(argv[5]) : std::string(argv[1]) + "/state");
    qa::Tutor tutor(qa::Platform{files, clock, random, dialogs, view});

    for (const std::string& reply : {std::string("1"), std::string(argv[2]), std::string("ABC"), std::string("1")})
        dialogs.reply(reply);
    if (!tutor.handle(qa::Event::Load) || !dialogs.messages.empty() || !tutor.handle(qa::Event::NextQuestion)) {
        std::printf("fail 0 %s\n", dialogs.messages.empty() ? "ended" : dialogs.messages.back().c_str());
        return 3;
    }
    for (long i = 1; count == 0 || i <= count; ++i) {
        view.answer = tag + " " + std::to_string(i);
        tutor.handle(qa::Event::EnterResponse);
        if (!dialogs.messages.empty() || !view.answer.empty()) {
            std::printf("fail %ld %s\n", i,
                        dialogs.messages.empty() ? "box kept" : dialogs.messages.back().c_str());
            return 3;
        }
        std::printf("ok %ld\n", i);
        std::fflush(stdout);
    }
    return 0;
}
