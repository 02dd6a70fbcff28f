#pragma once
// Shared by the benchmark programs: the window over fakes, and one line of the
// results table.
#include <QApplication>
#include <cstdio>
#include <memory>
#include <string>

#include "app/widgets/main_window.h"
#include "support/fakes.h"

#include "bench_support_rows.h"

namespace qa::bench {

// A started session in the real window, over a temporary drive root, with
// pre-answered prompts and a bank of `questions` question lines.
struct Session {
    testing::TempRoot root;
    testing::FakeClock clock;
    testing::ScriptedRandom random;
    testing::ScriptedDialogs dialogs;
    Files files{systemFileOps(), root.path, root.state()};
    widgets::MainWindow window{files, clock, random, dialogs};

    explicit Session(int questions = 2400)
    {
        window.tutor().setBankLoader([questions](QuestionBank& bank, long long& index) {
            bank.storeNext(index, "001.  benchmark");
            for (int i = 0; i < questions; ++i) {
                bank.storeNext(index, "");
                bank.storeNext(index, "Question " + std::to_string(i) +
                                          ": a rubber band is stretched to five lengths and the force is "
                                          "measured at each; find the first and second differences of the "
                                          "sequence of forces and say what they tell you about the band.");
            }
        });
        for (const char* reply : {"1", "Ann Lee", "ABC", "1"})
            dialogs.reply(reply);
        window.show();
        window.load();
        QApplication::processEvents();
    }

    std::filesystem::path master() const { return root.home() / "masterFile_Ann_Lee.txt"; }
    std::filesystem::path send() const
    {
        return root.home() / ("send_" + clock.today.substr(0, 2) + clock.today.substr(3, 2) + "Ann_Lee.txt");
    }
};

} // namespace qa::bench
