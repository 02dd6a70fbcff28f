// The desk over the real review core: where the report is offered, and a
// run that is cancelled in its progress dialog, one that cannot write, and
// one that is left alone.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <thread>

#include "review/review.h"
#include "review/widgets/desk.h"
#include "review/widgets/desk_dialogs.h"

namespace {

using qa::review::widgets::Outcome;

TEST(ReviewDesk, OffersTheReportOutsideTheFolderBeingReviewed)
{
    QTemporaryDir tmp;
    const QString root = tmp.path();
    for (const char* dir : {"home/Documents", "home/class 1", "other"})
        ASSERT_TRUE(QDir().mkpath(root + "/" + dir));
#ifndef _WIN32
    // (On Windows QFile::link makes a shortcut, which is no folder.)
    ASSERT_TRUE(QFile::link(root + "/home/class 1", root + "/other/link"));
#endif
    const QString home = root + "/home", documents = root + "/home/Documents";
    struct Case {
        QString folder;
        QStringList places;
        QString offered;
    } cases[] = {
        {home + "/class 1", {documents, home}, documents + "/review-class 1.html"},
        // The documents folder is the input, or inside it: the next place.
        {documents, {documents, home}, home + "/review-Documents.html"},
        {home, {documents, home, root}, root + "/review-home.html"},
#ifndef _WIN32
        // A link to the input folder is the input folder.
        {root + "/other/link", {home + "/class 1", root + "/other"}, root + "/other/review-link.html"},
#endif
        {root + "/other/", {root + "/missing", home}, home + "/review-other.html"},
        {home, {documents}, "review-home.html"},
        {QDir::rootPath(), {documents}, "review.html"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(qa::review::widgets::suggestedReportPath(c.folder, c.places).toStdString(),
                  c.offered.toStdString());
}

// Cancelled while the files are read or while the report is written, the
// run leaves last week's report byte for byte and no file beside it.
TEST(ReviewDesk, CancelInTheProgressDialogLeavesTheEarlierReport)
{
    QTemporaryDir tmp;
    const QString folder = tmp.path() + "/class", reports = tmp.path() + "/reports";
    ASSERT_EQ(QProcess::execute(QA_COMPOSE_CLASS, {folder}), 0);
    ASSERT_TRUE(QDir().mkpath(reports));
    const QByteArray lastWeek = "last week's report\n";

    struct Run {
        const char* what;
        bool cancel;
        bool whileWriting; // else at the first count of the files read
        const char* report;
        Outcome::Status status;
    } runs[] = {
        {"cancelled while reading", true, false, "/r.html", Outcome::Status::Cancelled},
        {"cancelled while writing", true, true, "/r.html", Outcome::Status::Cancelled},
        {"unwritable", false, false, "/missing/r.html", Outcome::Status::OutputFailed},
        {"left alone", false, true, "/r.html", Outcome::Status::Done},
    };
    for (const Run& run : runs) {
        const QString report = reports + run.report;
        QFile old(report);
        if (old.open(QIODevice::WriteOnly))
            old.write(lastWeek);
        old.close();
        // The run waits until the progress dialog is on screen and its
        // Cancel pressed, or not.
        std::atomic<bool> go{false};
        bool dialogSeen = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QProgressDialog*>(w);
                if (!dialog || !dialog->isVisible() || dialogSeen)
                    continue;
                dialogSeen = true;
                if (run.whileWriting) {
                    EXPECT_TRUE(dialog->labelText().startsWith("Writing the report")) << run.what;
                }
                if (run.cancel)
                    dialog->findChild<QPushButton*>()->click();
                go = true;
            }
        });
        poll.start(10);
        const Outcome outcome =
            qa::review::widgets::makeReport(folder, report, nullptr, [&](bool writing, std::uint64_t n) {
                while (writing == run.whileWriting && (writing || n == 0) && !go)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
            });
        EXPECT_TRUE(dialogSeen) << run.what;
        EXPECT_EQ(outcome.status, run.status) << run.what;
        QFile back(report);
        if (run.status != Outcome::Status::OutputFailed) {
            ASSERT_TRUE(back.open(QIODevice::ReadOnly)) << run.what;
            EXPECT_EQ(back.readAll() == lastWeek, run.cancel) << run.what;
            back.close(); // Windows removes no file that is open
        }
        EXPECT_EQ(QDir(reports).entryList(QDir::Files | QDir::Hidden).size(),
                  run.status == Outcome::Status::OutputFailed ? 0 : 1)
            << run.what << ": " << QDir(reports).entryList(QDir::Files | QDir::Hidden).join(" ").toStdString();
        if (outcome.status == Outcome::Status::OutputFailed) {
            EXPECT_TRUE(outcome.message.contains(QDir::toNativeSeparators(report)))
                << outcome.message.toStdString();
        }
        if (outcome.status == Outcome::Status::Done) {
            EXPECT_TRUE(outcome.message.contains(
                QRegularExpression("^The report holds \\d+ students, \\d+ responses, "
                                   "\\d+ check findings? and \\d+ unreadable parts?\\.$")))
                << outcome.message.toStdString();
        }
        QFile::remove(report);
    }
}

// The save step's workbook box: the workbook goes beside the report, and the
// box is as it was left the time before.
TEST(ReviewDesk, TheWorkbookBoxIsRememberedAndNamesTheWorkbookBesideTheReport)
{
    if (!qa::review::writesWorkbooks())
        GTEST_SKIP() << "this build writes no workbooks";
    QTemporaryDir tmp;
    QCoreApplication::setOrganizationName("qa-review-desk-test");
    QSettings().clear();
    ASSERT_TRUE(QDir().mkpath(tmp.path() + "/class"));
    const QString suggested = tmp.path() + "/review-class.html";
    struct Round {
        bool shownTicked, tick;
    } rounds[] = {{false, true}, {true, false}, {false, false}};
    for (const Round& round : rounds) {
        bool seen = false;
        QTimer::singleShot(200, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QFileDialog*>(w); dialog && dialog->isVisible()) {
                    auto* box = dialog->findChild<QCheckBox*>();
                    ASSERT_TRUE(box);
                    seen = true;
                    EXPECT_EQ(box->isChecked(), round.shownTicked);
                    box->setChecked(round.tick);
                    QMetaObject::invokeMethod(dialog, "accept");
                }
        });
        const auto to = qa::review::widgets::askDestination(tmp.path() + "/class", suggested);
        EXPECT_TRUE(seen);
        EXPECT_EQ(to.report.toStdString(), suggested.toStdString());
        EXPECT_EQ(to.workbook.toStdString(), round.tick ? (tmp.path() + "/review-class.xlsx").toStdString() : "");
    }
    QSettings().clear();
}

} // namespace
