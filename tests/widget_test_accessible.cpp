// The tutor's window as a screen reader meets it: every control that takes
// the focus has a name in the accessibility tree, in the main window and in
// the start-up prompt and the questions it asks.
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/widgets/qt_dialogs.h"
#include "support/accessible_walk.h"
#include "support/window_rig.h"

namespace {

using qa::testing::focusableControls;
using qa::testing::unnamedFocusableControls;

TEST(WidgetAccessible, EveryFocusableControlHasAName)
{
    qa::testing::WindowRig rig;
    ASSERT_TRUE(rig.load());
    ASSERT_TRUE(rig.showActive());
    EXPECT_GE(focusableControls(&rig.window), 20);
    EXPECT_EQ(unnamedFocusableControls(&rig.window), std::vector<std::string>{});

    // The real dialogs: walked while on screen, then answered.
    qa::widgets::QtDialogs dialogs;
    int walked = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QDialog*>(w);
            if (!dialog || !dialog->isVisible())
                continue;
            SCOPED_TRACE(dialog->metaObject()->className());
            EXPECT_GE(focusableControls(dialog), 1);
            EXPECT_EQ(unnamedFocusableControls(dialog), std::vector<std::string>{});
            ++walked;
            dialog->reject();
        }
    });
    poll.start(20);
    dialogs.prompt("Student name?");
    dialogs.message("Recorded.");
    dialogs.ask("Save the unrecorded text?", true);
    poll.stop();
    EXPECT_EQ(walked, 3);
}

} // namespace
