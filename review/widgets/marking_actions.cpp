// From the marking window and the desk: the feedback pages, the worksheet,
// and opening the window over what the desk read.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMessageBox>
#include <QTextEdit>

#include "platform/utf8.h"
#include "review/cli/cli.h"
#include "review/marking/actions.h"
#include "review/marking/marks_file.h"
#include "review/review.h"
#include "review/widgets/desk_dialogs.h"
#include "review/widgets/marking_window.h"
#include "review/widgets/widget_text.h"

namespace qa::review::widgets {
namespace {

namespace fs = std::filesystem;

fs::path toPath(const QString& path)
{
#ifdef _WIN32
    return fs::path(path.toStdWString());
#else
    return fs::path(QFile::encodeName(path).toStdString());
#endif
}
QString fromPath(const fs::path& p)
{
    return QDir::toNativeSeparators(QString::fromStdString(text::pathToUtf8(p)));
}
QString listed(const std::vector<std::string>& names)
{
    QStringList out;
    for (const std::string& n : names)
        out << fromUtf8(n);
    return out.join("\n");
}

} // namespace

AmongInputs amongInputsOf(const Review& review, const QString& inputFolder)
{
    return amongReviewInputs({toPath(inputFolder)}, {QDir::toNativeSeparators(inputFolder).toStdString()},
                             review.inputFiles());
}

void writeFeedbackFor(QWidget* parent, const Marking& marking, const fs::path& beside, const AmongInputs& among)
{
    const QString title = parent ? parent->windowTitle() : QApplication::applicationDisplayName();
    const QString start = fromPath(beside / "feedback");
    const QString folder =
        QFileDialog::getExistingDirectory(parent, QObject::tr("Folder for the feedback pages"), start);
    if (folder.isEmpty())
        return;
    const Result<FeedbackWritten> done = writeFeedbackInto(toPath(folder), marking, among);
    if (!done) {
        QMessageBox::critical(parent, title, problemText(done.problem()));
        return;
    }
    const FeedbackWritten& w = *done;
    QString text = QObject::tr("%n file(s) written in %1, for the marked students.", nullptr, int(w.files.size()))
                       .arg(QDir::toNativeSeparators(folder));
    if (!w.zips)
        text += "\n" + QObject::tr("This build writes no ZIP archives; upload the pages one by one.");
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, parent);
    if (!w.withoutId.empty())
        box.setInformativeText(QObject::tr("The platform's id of these students is not known, so their "
                                           "pages are not in the ZIP:\n%1")
                                   .arg(listed(w.withoutId)));
    box.exec();
}

void fillWorksheetFor(QWidget* parent, const Marking& marking, std::size_t sheet, const fs::path& beside,
                      const AmongInputs& among)
{
    const QString title = parent ? parent->windowTitle() : QApplication::applicationDisplayName();
    const QString file =
        QFileDialog::getOpenFileName(parent, QObject::tr("The grading worksheet from the platform"),
                                     fromPath(beside), QObject::tr("Worksheets (*.csv)"));
    if (file.isEmpty())
        return;
    const Result<WorksheetDone> done = fillWorksheetFile(toPath(file), marking, sheet, among);
    if (!done) {
        QMessageBox::critical(parent, title, problemText(done.problem()));
        return;
    }
    const FilledWorksheet& w = done->filled;
    QMessageBox box(QMessageBox::Information, title,
                    QObject::tr("%1 holds %n grade(s) and %2 comment(s) to upload to the platform.", nullptr,
                                int(w.gradesSet()))
                        .arg(fromPath(done->written))
                        .arg(w.commentsSet()),
                    QMessageBox::Ok, parent);
    QString more = QObject::tr("Show Details says what the platform's import will do with each row.");
    if (!w.studentsWithoutRow.empty())
        more += "\n" + QObject::tr("Students with marks but no row:\n%1").arg(listed(w.studentsWithoutRow));
    if (!w.gradeProblems.empty()) {
        more += "\n" + listed(w.gradeProblems);
        box.setIcon(QMessageBox::Warning);
    }
    box.setInformativeText(more);
    box.setDetailedText(fromUtf8(worksheetPreview(w)));
    // The preview is a table: a fixed-width font keeps its columns.
    for (QTextEdit* details : box.findChildren<QTextEdit*>())
        details->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    box.exec();
}

void MarkingWindow::writeFeedbackPages()
{
    if (saveNow())
        writeFeedbackFor(this, desk_.marking(), desk_.marksFile().parent_path(), desk_.amongInputs());
}

void MarkingWindow::fillWorksheet()
{
    if (saveNow())
        fillWorksheetFor(this, desk_.marking(), desk_.sheet(), desk_.marksFile().parent_path(),
                         desk_.amongInputs());
}

fs::path marksFileOf(const QString& inputFolder, const QString& report)
{
    return defaultMarksPath(toPath(QFileInfo(report).absolutePath()), toPath(inputFolder));
}

int markAnswers(const Review& review, const QString& inputFolder, const QString& report)
{
    const fs::path marks = marksFileOf(inputFolder, report);
    const AmongInputs among = amongInputsOf(review, inputFolder);
    Result<std::unique_ptr<MarkingDesk>> desk =
        openMarkingDesk(review.sheets(), {marks, defaultBankPath(marks)}, among);
    if (!desk) {
        QMessageBox::critical(nullptr, QApplication::applicationDisplayName(),
                              QObject::tr("Marking cannot start: a file it keeps cannot be read.\n\n%1")
                                  .arg(problemText(desk.problem())));
        return 2; // the command line's status for a marks file that cannot be read
    }
    MarkingWindow window(**desk);
    window.show();
    const int status = QApplication::exec();
    return window.saveNow() ? status : 3;
}

} // namespace qa::review::widgets
