#pragma once
// The real window over the test fakes: pre-answered prompts, a scripted clock
// and generator, and a temporary drive root.
#include <QTest>

#include "app/widgets/main_window.h"
#include "support/fakes.h"

namespace qa::testing {

struct WindowRig {
    TempRoot root;
    FakeClock clock;
    ScriptedRandom random;
    ScriptedDialogs dialogs;
    FaultyFileOps ops;
    qa::Files files{ops, root.path, root.state()};
    qa::widgets::MainWindow window{files, clock, random, dialogs};

    // Answers the four prompts for Ann Lee, assignment 1, and loads.
    bool load()
    {
        for (const char* reply : {"1", "Ann Lee", "ABC", "1"})
            dialogs.reply(reply);
        return window.load();
    }
    bool showActive()
    {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
    template <class T> T* get(const char* name) const { return window.findChild<T*>(name); }
};

} // namespace qa::testing
