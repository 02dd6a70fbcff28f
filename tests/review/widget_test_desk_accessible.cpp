// The desk as a screen reader meets it: in the folder chooser, the save
// dialog and the progress dialog, every control that takes the focus has a
// name in the accessibility tree.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QProcess>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "review/widgets/desk.h"
#include "support/accessible_walk.h"

namespace {

using qa::testing::focusableControls;
using qa::testing::unnamedFocusableControls;

// Walks each dialog once while it is on screen, then lets `answer` deal with
// it (or leaves it, when `answer` returns false).
struct DialogWalker {
    std::set<QWidget*> walked;
    std::vector<std::string> titles;
    std::function<bool(QDialog*)> answer;
    QTimer poll;

    DialogWalker()
    {
        QObject::connect(&poll, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QDialog*>(w);
                if (!dialog || !dialog->isVisible() || walked.count(dialog))
                    continue;
                SCOPED_TRACE(dialog->windowTitle().toStdString());
                EXPECT_GE(focusableControls(dialog), 1);
                bool qtFileDialog = false;
#ifdef _WIN32
                // On Windows the desk shows the system's own file dialogs,
                // not these (which only the offscreen platform shows).
                qtFileDialog = qobject_cast<QFileDialog*>(dialog) != nullptr;
#endif
                if (!qtFileDialog) {
                    EXPECT_EQ(unnamedFocusableControls(dialog), std::vector<std::string>{});
                }
                walked.insert(dialog);
                titles.push_back(dialog->windowTitle().toStdString());
                answer(dialog);
            }
        });
        poll.start(20);
    }
};

TEST(ReviewDeskAccessible, EveryFocusableControlInTheDialogsHasAName)
{
    QTemporaryDir tmp;
    const QString folder = tmp.path() + "/class";
    ASSERT_EQ(QProcess::execute(QA_COMPOSE_CLASS, {folder}), 0);

    // The folder chooser (given the class), then the save dialog (cancelled:
    // the desk then ends without a report).
    {
        DialogWalker walker;
        walker.answer = [&](QDialog* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            if (files && files->fileMode() == QFileDialog::Directory) {
                files->setDirectory(folder);
                files->selectFile(folder);
                QTimer::singleShot(0, files, &QDialog::accept);
            } else {
                QTimer::singleShot(0, dialog, &QDialog::reject);
            }
            return true;
        };
        EXPECT_EQ(qa::review::widgets::runDesk(), 0);
        EXPECT_EQ(walker.titles, (std::vector<std::string>{"Folder of handed-in files", "Save the report as"}));
    }

    // The progress dialog of a run held at its first count until it is seen.
    std::atomic<bool> seen{false};
    DialogWalker walker;
    walker.answer = [&](QDialog*) { return seen = true; };
    const auto outcome =
        qa::review::widgets::makeReport(folder, tmp.path() + "/r.html", nullptr, [&](bool, std::uint64_t done) {
            while (done == 0 && !seen)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        });
    EXPECT_EQ(outcome.status, qa::review::widgets::Outcome::Status::Done);
    EXPECT_EQ(walker.titles.size(), 1u);
}

} // namespace
