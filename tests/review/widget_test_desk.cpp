// The desk over the real review core: where the report is offered, and a
// run that is cancelled in its progress dialog, one that cannot write, and
// one that is left alone.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <thread>

#include "review/widgets/desk.h"

namespace {

using qa::review::widgets::Outcome;

TEST(ReviewDesk, OffersTheReportOutsideTheFolderBeingReviewed)
{
    QTemporaryDir tmp;
    const QString root = tmp.path();
    for (const char* dir : {"home/Documents", "home/class 1", "other"})
        ASSERT_TRUE(QDir().mkpath(root + "/" + dir));
    ASSERT_TRUE(QFile::link(root + "/home/class 1", root + "/other/link"));
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
        // A link to the input folder is the input folder.
        {root + "/other/link", {home + "/class 1", root + "/other"}, root + "/other/review-link.html"},
        {root + "/other/", {root + "/missing", home}, home + "/review-other.html"},
        {home, {documents}, "review-home.html"},
        {"/", {documents}, "review.html"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(qa::review::widgets::suggestedReportPath(c.folder, c.places).toStdString(),
                  c.offered.toStdString());
}

TEST(ReviewDesk, CancelInTheProgressDialogLeavesNoReport)
{
    QTemporaryDir tmp;
    const QString folder = tmp.path() + "/class", reports = tmp.path() + "/reports";
    ASSERT_EQ(QProcess::execute(QA_COMPOSE_CLASS, {folder}), 0);
    ASSERT_TRUE(QDir().mkpath(reports));

    for (const char* run : {"cancelled", "unwritable", "left alone"}) {
        const bool cancel = std::string(run) == "cancelled";
        const QString report = reports + (std::string(run) == "unwritable" ? "/missing/r.html" : "/r.html");
        // The run waits at its first count until the progress dialog is on
        // screen and its Cancel pressed, or not.
        std::atomic<bool> go{false};
        bool dialogSeen = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QProgressDialog*>(w);
                if (!dialog || !dialog->isVisible() || dialogSeen)
                    continue;
                dialogSeen = true;
                if (cancel)
                    dialog->findChild<QPushButton*>()->click();
                go = true;
            }
        });
        poll.start(10);
        const Outcome outcome = qa::review::widgets::makeReport(folder, report, nullptr, [&](std::size_t done) {
            while (done == 0 && !go)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        });
        EXPECT_TRUE(dialogSeen) << run;
        EXPECT_EQ(outcome.status, cancel                             ? Outcome::Status::Cancelled
                                  : std::string(run) == "unwritable" ? Outcome::Status::OutputFailed
                                                                     : Outcome::Status::Done)
            << run;
        EXPECT_EQ(QFile::exists(report), !cancel && std::string(run) == "left alone") << run;
        if (outcome.status == Outcome::Status::OutputFailed) {
            EXPECT_TRUE(outcome.message.contains(QDir::toNativeSeparators(report)))
                << outcome.message.toStdString();
        }
        QFile::remove(report);
    }
}

} // namespace
