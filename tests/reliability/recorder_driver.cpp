// Records numbered answers the way the window does, through the real file
// layer, and says so after each one returns:
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
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/fakes.h"

int main(int argc, char** argv)
{
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
