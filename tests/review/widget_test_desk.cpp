// The desk over the real review core: where the report is offered, and a
// run that is cancelled in its progress dialog, one that cannot write, and
// one that is left alone; the feedback and worksheet steps of the box that
// says the report is written; and the marking window driven by its keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QStringListModel>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <atomic>
#include <functional>
#include <thread>

#include "review/cli/cli.h"
#include "review/marking/comment_bank.h"
#include "review/marking/marking_desk.h"
#include "review/marking/marks_file.h"
#include "review/report/workbook.h"
#include "review/review.h"
#include "review/widgets/desk.h"
#include "review/widgets/desk_dialogs.h"
#include "review/widgets/marking_window.h"

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

template <class W> W* namedChild(QWidget* in, const QString& name)
{
    for (W* w : in->findChildren<W*>())
        if (w->accessibleName() == name)
            return w;
    return nullptr;
}

std::string slurp(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

// Answers the modal dialogs in turn as they come up: each step gets the
// dialog on top and answers it; one still up a while later is answered again.
class Answers {
public:
    explicit Answers(std::vector<std::function<void(QWidget*)>> steps) : steps_(std::move(steps))
    {
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            QWidget* top = QApplication::activeModalWidget();
            if (!top || !top->isVisible())
                return;
            if (top == last_) {
                if (++ticks_ % 25 == 0)
                    steps_[next_ - 1](top);
                return;
            }
            if (next_ >= steps_.size())
                return;
            last_ = top;
            ticks_ = 0;
            steps_[next_++](top);
        });
        poll_.start(20);
    }
    std::size_t answered() const { return next_; }

private:
    std::vector<std::function<void(QWidget*)>> steps_;
    std::size_t next_ = 0, ticks_ = 0;
    QPointer<QWidget> last_;
    QTimer poll_;
};

void press(QWidget* box, const QString& accessibleName)
{
    auto* button = namedChild<QPushButton>(box, accessibleName);
    ASSERT_TRUE(button) << accessibleName.toStdString();
    button->click();
}

void pressText(QWidget* box, const QString& text)
{
    for (QPushButton* b : box->findChildren<QPushButton*>())
        if (b->text() == text)
            return b->click();
    ADD_FAILURE() << "no button " << text.toStdString();
}

// The box that says the report is written writes the feedback pages and
// fills in a worksheet from the marks file of that review, and comes back;
// inside the folder being reviewed it writes neither, as the command line.
TEST(ReviewDesk, FeedbackAndWorksheetFromTheBoxUseTheReviewsMarks)
{
    QTemporaryDir tmp;
    const QString folder = tmp.path() + "/class", report = tmp.path() + "/out/r.html";
    ASSERT_EQ(QProcess::execute(QA_COMPOSE_CLASS, {folder}), 0);
    ASSERT_TRUE(QDir().mkpath(tmp.path() + "/out/fb"));
    qa::review::Options options;
    options.inputs = {folder.toStdString()};
    const qa::review::Review read = qa::review::Review::load(options);
    qa::review::MarkingDesk marks(qa::review::Marking(read.sheets(), {}),
                                  qa::review::widgets::marksFileOf(folder, report));
    marks.setMark(2);
    marks.setComment("Marked in this review");
    ASSERT_TRUE(marks.save());
    const std::string student = marks.current().students[0].name;
    const QString worksheet = tmp.path() + "/out/Grades.csv";
    QFile ws(worksheet);
    ASSERT_TRUE(ws.open(QIODevice::WriteOnly));
    ws.write(
        "Identifier,Grade,Maximum grade,Last modified (grade),Feedback comments\r\nParticipant 1,,100.00,-,\r\n");
    ws.close();
    ASSERT_TRUE(QDir().mkpath(folder + "/fb"));
    ASSERT_TRUE(QFile::copy(worksheet, folder + "/Grades.csv"));

    auto choose = [](const QString& path) {
        return [path](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            ASSERT_TRUE(dialog);
            // Typed, as selectFile leaves the name alone while its field has the focus.
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_TRUE(name);
            name->setText(path);
            QMetaObject::invokeMethod(dialog, "accept");
        };
    };
    auto ok = [](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_TRUE(box);
        box->button(QMessageBox::Ok)->click();
    };
    QString refused;
    auto critical = [&refused](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        refused += box->text() + "\n";
        box->button(QMessageBox::Ok)->click();
    };
    Answers answers({
        [](QWidget* box) { press(box, "Write feedback pages from the marks"); },
        choose(folder + "/fb"),
        critical,
        [](QWidget* box) { press(box, "Fill in the platform's grading worksheet from the marks"); },
        choose(folder + "/Grades.csv"),
        critical,
        [](QWidget* box) { press(box, "Write feedback pages from the marks"); },
        choose(tmp.path() + "/out/fb"),
        ok,
        [](QWidget* box) { press(box, "Fill in the platform's grading worksheet from the marks"); },
        choose(worksheet),
        ok,
        [](QWidget* box) { pressText(box, "Close"); },
    });
    EXPECT_EQ(qa::review::widgets::announce("holds", read, folder, {report, {}}), 0);
    EXPECT_EQ(answers.answered(), 13u);
    EXPECT_EQ(refused.count("is among the inputs"), 2) << refused.toStdString();
    EXPECT_TRUE(QDir(folder + "/fb").isEmpty());
    EXPECT_FALSE(QFile::exists(folder + "/Grades-graded.csv"));
    // One student is marked: one page.
    const QStringList pages = QDir(tmp.path() + "/out/fb").entryList({"feedback-*.html"});
    EXPECT_EQ(pages.size(), 1) << pages.join(" ").toStdString();
    std::string found;
    for (const QString& page : pages)
        if (slurp(tmp.path() + "/out/fb/" + page).find("Marked in this review") != std::string::npos)
            found += page.toStdString();
    EXPECT_NE(found.find("feedback-001-"), std::string::npos) << student;
    EXPECT_TRUE(QFile::exists(tmp.path() + "/out/Grades-graded.csv"));
}

// The marking window with its keys: next and previous student and question;
// a mark and a comment typed are in the marks file within the save delay; a
// comment is offered to reuse once finished, not while it is typed.
TEST(MarkingWindow, KeysMarksAndComments)
{
    using namespace qa::review;
    QTemporaryDir tmp;
    Sheet sheet;
    sheet.assignment = "1";
    sheet.questions = {"What is 2 + 2?", "Name a prime."};
    sheet.students = {{"Ann Lee", "Ann Lee", "12345"}, {"Bo Chen", "", ""}, {"Cy Doe", "Cy Doe", "12347"}};
    sheet.resize();
    for (std::size_t st = 0; st < 3; ++st)
        for (std::size_t q = 0; q < 2; ++q)
            sheet.cell(st, q) = {true, false, st == 0 ? "4" : "7", {}};
    const std::filesystem::path file = tmp.path().toStdString() + "/marks.csv";
    MarkingDesk desk(Marking({sheet}, {}), file);
    widgets::MarkingWindow window(desk);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    auto* mark = namedChild<QLineEdit>(&window, "Mark");
    auto* comment = namedChild<QLineEdit>(&window, "Comment");
    auto* reuse = namedChild<QListWidget>(&window, "Comments given to this question");
    ASSERT_TRUE(mark && comment && reuse);
    auto at = [&] { return std::pair{desk.student(), desk.question()}; };
    auto key = [&](Qt::Key k, Qt::KeyboardModifier m) { QTest::keyClick(QApplication::focusWidget(), k, m); };

    mark->setFocus();
    QTest::keyClicks(mark, "2");
    comment->setFocus();
    QTest::keyClicks(comment, "Uni");
    EXPECT_EQ(reuse->count(), 0); // half typed
    QTest::keyClicks(comment, "ts missing");
    mark->setFocus(); // the comment is left: finished
    ASSERT_EQ(reuse->count(), 1);
    EXPECT_EQ(reuse->item(0)->text(), "Units missing");
    key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(at(), std::pair(std::size_t(1), std::size_t(0)));
    EXPECT_EQ(reuse->count(), 1); // offered to Bo
    key(Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(at(), std::pair(std::size_t(1), std::size_t(1)));
    key(Qt::Key_Left, Qt::AltModifier);
    key(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(at(), std::pair(std::size_t(0), std::size_t(0)));
    EXPECT_EQ(mark->text(), "2");
    key(Qt::Key_Up, Qt::ControlModifier); // the first student: no move
    EXPECT_EQ(at(), std::pair(std::size_t(0), std::size_t(0)));
    key(Qt::Key_Down, Qt::ControlModifier);
    key(Qt::Key_Right, Qt::AltModifier);
    mark->setFocus();
    QTest::keyClicks(mark, "1,5");
    // Within the save delay, the marks file holds them all.
    const auto inFile = [&] {
        const Result<MarksTable> read = readMarksFile(file);
        if (!read)
            return false;
        const Mark* ann = read->findParticipant("12345", "1", 1);
        const Mark* bo = read->find("Bo Chen", "", "1", 2);
        return ann && ann->mark == 2.0 && ann->comment == "Units missing" && bo && bo->mark == 1.5 &&
               read->size() == 2;
    };
    EXPECT_TRUE(QTest::qWaitFor(inFile, 1000));
    // The grid in the report's colours, a marked answer in its own, each cell
    // with its text on it; the current cell as the selection.
    auto* grid = namedChild<QTableView>(&window, "Grid of students and questions");
    ASSERT_TRUE(grid);
    const QImage shot = grid->viewport()->grab().toImage();
    const auto colours = [&](int row, int column) {
        const QRect r = grid->visualRect(grid->model()->index(row, column));
        const QColor corner = shot.pixelColor(r.topLeft() + QPoint(2, 2));
        bool text = false;
        for (int x = r.left(); x <= r.right() && !text; ++x)
            for (int y = r.top(); y <= r.bottom() && !text; ++y)
                text = shot.pixelColor(x, y) != corner;
        return std::pair{corner.name().toStdString(), text};
    };
    EXPECT_EQ(colours(0, 1), std::pair(std::string("#b7e1c0"), true));  // Ann's mark, 2
    EXPECT_EQ(colours(0, 2), std::pair(std::string("#d8f0dc"), false)); // answered, not marked
    EXPECT_EQ(colours(1, 2).first,
              grid->palette()
                  .color(grid->isActiveWindow() ? QPalette::Active : QPalette::Inactive, QPalette::Highlight)
                  .name()
                  .toStdString());
    window.close();
}

// Alike answers marked once: the group of a question (one student pasted
// the question above the answer, one changed a figure), each whole answer
// with its differences highlighted as text, never as markup; the students
// ticked (the near-identical one by hand, one untaken) named before they are
// given the mark; then in the marks file, and each answer editable alone.
// QA_ALIKE_SCREENSHOT=FILE keeps a picture of the window.
TEST(MarkingWindow, AlikeAnswersMarkedOnceThenEachOnItsOwn)
{
    using namespace qa::review;
    QTemporaryDir tmp;
    const std::string worked = "The first differences are 1.1, 0.8, 0.6 and 0.4 N, so the force grows more "
                               "slowly as the band gets longer; the second differences are all negative, which "
                               "says the same thing.";
    std::string near = worked;
    near.replace(near.find("0.4"), 3, "0.5");
    Sheet sheet;
    sheet.assignment = "1";
    sheet.questions = {"Find the differences of the forces."};
    for (const char* name : {"Ann Lee", "Bo Chen", "Cy Doe", "Di Fox", "Ed <b>Gale</b>"})
        sheet.students.push_back({name, "", ""});
    sheet.resize();
    const std::string answers[] = {worked, "Find the differences of the forces.\n" + worked, near,
                                   "I do not know.", worked};
    for (std::size_t st = 0; st < 5; ++st)
        sheet.cell(st, 0) = {true, false, answers[st], {}};
    const std::filesystem::path file = tmp.path().toStdString() + "/marks.csv";
    MarkingDesk desk(Marking({sheet}, {}), file);
    widgets::MarkingWindow window(desk);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    auto* open = namedChild<QPushButton>(&window, "Alike answers to mark together");
    ASSERT_TRUE(open);
    open->click();
    auto* groups = namedChild<QListWidget>(&window, "Groups of alike answers");
    auto* students = namedChild<QListWidget>(&window, "Students in the group, ticked to be given the mark");
    auto* text =
        namedChild<QTextEdit>(&window, "The group's answers, where they differ from the first highlighted");
    auto* mark = namedChild<QLineEdit>(&window, "Mark to give");
    auto* comment = namedChild<QLineEdit>(&window, "Comment to give");
    auto* give = namedChild<QPushButton>(&window, "Give the ticked answers this mark and comment");
    ASSERT_TRUE(groups && students && text && mark && comment && give);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(text->window()));
    ASSERT_EQ(groups->count(), 1);
    ASSERT_EQ(students->count(), 4); // Di's answer is alike to none
    const auto tick = [&](int row) { return students->item(row)->checkState() == Qt::Checked; };
    EXPECT_TRUE(tick(0) && tick(1) && !tick(2) && tick(3)); // Cy's is near-identical: not ticked
    // Bo's pasted question and Cy's figure are highlighted; Ann's figure is not.
    const auto marked = [&](const QString& what) {
        const QTextCursor at = text->document()->find(what);
        return !at.isNull() && at.charFormat().fontUnderline() &&
               at.charFormat().background().color() == QColor("#ffe08a");
    };
    EXPECT_TRUE(marked("Find the differences of the forces."));
    EXPECT_TRUE(marked("0.5"));
    EXPECT_FALSE(marked("0.4"));
    EXPECT_FALSE(marked("slowly"));
    EXPECT_TRUE(text->toPlainText().contains("Ed <b>Gale</b>"));
    if (const char* keep = std::getenv("QA_ALIKE_SCREENSHOT"))
        text->window()->grab().save(QString::fromLocal8Bit(keep));
    // Cy ticked after reading, Ed left out, with the keys.
    students->setFocus();
    for (int row : {2, 3}) {
        students->setCurrentRow(row);
        QTest::keyClick(students, Qt::Key_Space);
    }
    EXPECT_TRUE(tick(2) && !tick(3));
    QTest::keyClicks(mark, "1,5");
    QTest::keyClicks(comment, "Units <i>missing</i>");
    QString asked;
    Qt::TextFormat format = Qt::AutoText;
    Answers yes({[&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_TRUE(box);
        asked = box->text();
        format = box->textFormat();
        box->button(QMessageBox::Yes)->click();
    }});
    give->click();
    EXPECT_TRUE(asked.contains("these 3 student(s)") && asked.contains("Ann Lee, Bo Chen, Cy Doe") &&
                asked.contains("Units <i>missing</i>") && !asked.contains("Gale"))
        << asked.toStdString();
    EXPECT_EQ(format, Qt::PlainText);
    const auto inFile = [&](double bo) {
        const Result<MarksTable> read = readMarksFile(file);
        if (!read || read->size() != 3 || read->find("Ed <b>Gale</b>", "", "1", 1))
            return false;
        for (const auto& [name, m] : {std::pair{"Ann Lee", 1.5}, {"Bo Chen", bo}, {"Cy Doe", 1.5}}) {
            const Mark* row = read->find(name, "", "1", 1);
            if (!row || row->mark != m || row->comment != "Units <i>missing</i>")
                return false;
        }
        return true;
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return inFile(1.5); }, 1000));
    // The comment given is offered as one of the question's.
    ASSERT_TRUE(comment->completer());
    EXPECT_TRUE(static_cast<QStringListModel*>(comment->completer()->model())
                    ->stringList()
                    .contains("Units <i>missing</i>"));
    // Bo's answer marked again in the marking window: his alone.
    text->window()->close();
    auto* grid = namedChild<QTableView>(&window, "Grid of students and questions");
    ASSERT_TRUE(grid);
    grid->setCurrentIndex(grid->model()->index(1, 1));
    auto* own = namedChild<QLineEdit>(&window, "Mark");
    ASSERT_TRUE(own);
    EXPECT_EQ(own->text(), "1.5");
    own->setFocus();
    own->selectAll();
    QTest::keyClicks(own, "2");
    EXPECT_TRUE(QTest::qWaitFor([&] { return inFile(2); }, 1000));
    window.close();
}

// The students with the same answer: a few are all named; of a larger group
// the first four and how many more, the tooltip naming them all.
TEST(MarkingWindow, TheSameAnswerNamesTheFirstStudentsAndHowManyMore)
{
    using namespace qa::review;
    QTemporaryDir tmp;
    const struct {
        int others;
        const char* shown;
    } cases[] = {
        {5, "The same answer was handed in by: S2, S3, S4, S5, S6"},
        {6, "The same answer was handed in by 6 others: S2, S3, S4, S5 and 2 more"},
    };
    for (const auto& c : cases) {
        Sheet sheet;
        sheet.assignment = "1";
        sheet.questions = {"Name a prime."};
        Sheet::Same same{0, {}};
        for (int i = 0; i <= c.others; ++i) {
            const std::string name = "S" + std::to_string(i + 1);
            sheet.students.push_back({name, name, std::to_string(100 + i)});
            same.students.push_back(std::uint32_t(i));
        }
        sheet.same = {same};
        sheet.resize();
        for (int i = 0; i <= c.others; ++i)
            sheet.cell(std::size_t(i), 0) = {true, false, "7", {}};
        MarkingDesk desk(Marking({sheet}, {}), tmp.path().toStdString() + "/marks.csv");
        widgets::MarkingWindow window(desk);
        window.show();
        auto* label = namedChild<QLabel>(&window, "Students with the same answer");
        ASSERT_TRUE(label);
        EXPECT_EQ(label->text().toStdString(), c.shown);
        QStringList all;
        for (int i = 2; i <= c.others + 1; ++i)
            all << QString("S%1").arg(i);
        EXPECT_EQ(label->toolTip().toStdString(), all.join(", ").toStdString());
        window.close();
    }
}

// Question Statistics: within the screen; the figures of the report in the
// reader's locale (a decimal comma in German), brought up to date as a mark
// is typed.
// QA_STATISTICS_SCREENSHOT=FILE keeps a picture of the window.
TEST(MarkingWindow, QuestionStatisticsInTheReadersLocaleFollowTheMarks)
{
    using namespace qa::review;
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QTemporaryDir tmp;
    Sheet sheet;
    sheet.assignment = "1";
    sheet.questions = {"What is 2 + 2?", "Name a prime.", "Name an even number."};
    for (const char* name : {"Ann Lee", "Bo Chen", "Cy Doe", "Di Fox", "Ed Gale"})
        sheet.students.push_back({name, "", ""});
    sheet.resize();
    for (std::size_t st = 0; st < 5; ++st)
        for (std::size_t q = 0; q < 3; ++q)
            sheet.cell(st, q) = {true, false, "4", {}};
    Marking marking({sheet}, {});
    for (std::size_t q = 0; q < 3; ++q)
        marking.setMaximum(0, q, 2);
    const double marks[5][3] = {{2, 2, 2}, {1, 2, 2}, {1, 1, 2}, {0, 1, 2}, {2, 2, 2}};
    for (std::size_t st = 0; st < 5; ++st)
        for (std::size_t q = 0; q < 3; ++q)
            marking.set(0, st, q, marks[st][q], q == 0 && st < 2 ? "Units missing" : "");
    MarkingDesk desk(std::move(marking), tmp.path().toStdString() + "/marks.csv");
    widgets::MarkingWindow window(desk);
    window.show();
    auto* open = namedChild<QPushButton>(&window, "Question statistics");
    ASSERT_TRUE(open);
    open->click();
    auto* table = namedChild<QTableWidget>(&window, "Each question's statistics");
    ASSERT_TRUE(table);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(table->window()));
    // Within the screen, its rules readable to the end of each line.
    EXPECT_LE(table->window()->frameGeometry().width(), table->window()->screen()->availableGeometry().width());
    const auto cell = [&](int row, int column) {
        const QTableWidgetItem* item = table->item(row, column);
        return item ? item->text().toStdString() : std::string("(none)");
    };
    // Q1: 2 1 1 0 2, mean 1.2, facility 60%, SD 0.84; the comment counted.
    EXPECT_EQ(cell(0, 5), "1,2");
    EXPECT_EQ(cell(0, 6), "60%");
    EXPECT_EQ(cell(0, 7), "0,84");
    EXPECT_EQ(cell(0, 13), "2 \u00d7 Units missing");
    // Q2 against Q1: 2 2 1 1 2 by 2 1 1 0 2, mean 1.6; facility 80%, not above.
    EXPECT_EQ(cell(1, 5), "1,6");
    EXPECT_EQ(cell(1, 12), "");
    // Q3: full marks for all: flagged, with the reason.
    EXPECT_EQ(cell(2, 12), "needs review: facility 100% above 80%");
    if (const char* keep = std::getenv("QA_STATISTICS_SCREENSHOT"))
        table->window()->grab().save(QString::fromLocal8Bit(keep));
    // Ed's Q2 marked 1 in the window: the figures follow.
    desk.choose(4, 1);
    auto* mark = namedChild<QLineEdit>(&window, "Mark");
    ASSERT_TRUE(mark);
    window.activateWindow();
    mark->setFocus();
    mark->selectAll();
    QTest::keyClicks(mark, "0");
    EXPECT_EQ(cell(1, 5), "1,2");
    window.close();
    QLocale::setDefault(before);
}

// The comment bank: a comment's text and then its mark edited in the bank
// reach every answer that carries it, once the instructor has been told whose;
// the marks file and the bank's hold them within the save delay.
// QA_BANK_SCREENSHOT=FILE keeps a picture of the bank beside the window.
TEST(MarkingWindow, ABankCommentEditedChangesEveryAnswerCarryingIt)
{
    using namespace qa::review;
    QTemporaryDir tmp;
    Sheet sheet;
    sheet.assignment = "1";
    sheet.questions = {"Convert 3 km to metres."};
    for (const char* name : {"Ann Lee", "Bo Chen", "Cy Doe"})
        sheet.students.push_back({name, "", ""});
    sheet.resize();
    for (std::size_t st = 0; st < 3; ++st)
        sheet.cell(st, 0) = {true, false, "3000", {}};
    Marking marking({sheet}, {});
    marking.setMaximum(0, 0, 2);
    marking.set(0, 0, 0, 1.0, "Units missing");
    marking.set(0, 1, 0, 1.5, "Good start; Units missing");
    marking.set(0, 2, 0, 2.0, "Good start");
    const std::filesystem::path marks = tmp.path().toStdString() + "/marks-c.csv";
    MarkingDesk desk(std::move(marking), marks);
    CommentBank bank;
    bank.put({"1", 1, "Units missing", -1.0, true, 0});
    desk.keepBank(std::move(bank), defaultBankPath(marks));
    widgets::MarkingWindow window(desk);
    window.show();
    auto* open = namedChild<QPushButton>(&window, "Comment bank");
    ASSERT_TRUE(open);
    open->click();
    auto* table = namedChild<QTableWidget>(&window, "The comments of this question");
    ASSERT_TRUE(table);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(table->window()));
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(0, 0)->text(), "Units missing");
    EXPECT_EQ(table->item(0, 1)->text(), "-1");
    EXPECT_EQ(table->item(0, 2)->text(), "2");
    QStringList asked;
    const auto yes = [&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_TRUE(box);
        asked << box->text();
        box->button(QMessageBox::Yes)->click();
    };
    Answers answers({yes, yes});
    table->item(0, 0)->setText("Give the units");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return asked.size() == 1 && desk.bank().front().text == "Give the units"; }));
    EXPECT_TRUE(asked[0].contains("in 2 answers, of: Ann Lee, Bo Chen?")) << asked[0].toStdString();
    EXPECT_EQ(namedChild<QLineEdit>(&window, "Comment")->text(), "Give the units"); // Ann's, shown
    table->item(0, 1)->setText("-0.5");
    ASSERT_TRUE(QTest::qWaitFor([&] { return asked.size() == 2 && desk.bank().front().mark == -0.5; }));
    const auto markOf = [&](std::size_t st) { return desk.marking().at(0, st, 0).mark->mark; };
    const auto commentOf = [&](std::size_t st) { return desk.marking().at(0, st, 0).mark->comment; };
    EXPECT_EQ(std::pair(commentOf(1), markOf(1)),
              std::pair(std::string("Good start; Give the units"), std::optional<double>(2.0)));
    EXPECT_EQ(std::pair(commentOf(2), markOf(2)),
              std::pair(std::string("Good start"), std::optional<double>(2.0)));
    EXPECT_EQ(namedChild<QLineEdit>(&window, "Mark")->text(), "1.5");
    // Reused for Cy with a click: the comment's mark adjusts Cy's.
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(&window, Qt::Key_Down, Qt::ControlModifier);
    ASSERT_EQ(desk.student(), 2u);
    auto* reuse = namedChild<QListWidget>(&window, "Comments given to this question");
    const QList<QListWidgetItem*> found = reuse->findItems("Give the units", Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    QTest::mouseClick(reuse->viewport(), Qt::LeftButton, {}, reuse->visualItemRect(found[0]).center());
    EXPECT_EQ(std::pair(commentOf(2), markOf(2)),
              std::pair(std::string("Give the units"), std::optional<double>(1.5)));
    EXPECT_EQ(namedChild<QLineEdit>(&window, "Mark")->text(), "1.5");
    const auto inFiles = [&] {
        const Result<MarksTable> read = readMarksFile(marks);
        const Result<CommentBank> kept = readBankFile(defaultBankPath(marks));
        if (!read || !kept)
            return false;
        const Mark* ann = read->find("Ann Lee", "", "1", 1);
        const BankComment* units = kept->find("1", 1, "Give the units");
        return ann && ann->comment == "Give the units" && ann->mark == 1.5 && units && units->mark == -0.5 &&
               units->adjusts && !kept->find("1", 1, "Units missing");
    };
    EXPECT_TRUE(QTest::qWaitFor(inFiles, 1000));
    if (const char* keep = std::getenv("QA_BANK_SCREENSHOT"))
        table->window()->grab().save(QString::fromLocal8Bit(keep));
    window.close();
}

} // namespace
