// From the marking window and the desk: the feedback pages, the worksheet,
// and opening the window over what the desk read.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "platform/errors.h"
#include "review/feedback.h"
#include "review/marks_file.h"
#include "review/sheet.h"
#include "review/widgets/marking_window.h"
#include "review/worksheet.h"

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
    return QDir::toNativeSeparators(QString::fromStdString(pathToUtf8(p)));
}
QString fromUtf8(const std::string& s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}
QString listed(const std::vector<std::string>& names)
{
    QStringList out;
    for (const std::string& n : names)
        out << fromUtf8(n);
    return out.join("\n");
}

} // namespace

void writeFeedbackFor(QWidget* parent, const Marking& marking, const fs::path& beside)
{
    const QString title = parent ? parent->windowTitle() : QApplication::applicationDisplayName();
    const QString start = fromPath(beside / "feedback");
    const QString folder =
        QFileDialog::getExistingDirectory(parent, QObject::tr("Folder for the feedback pages"), start);
    if (folder.isEmpty())
        return;
    try {
        const FeedbackWritten w = writeFeedback(marking, toPath(folder));
        QString text = QObject::tr("%n file(s) written in %1.", nullptr, int(w.files.size()))
                           .arg(QDir::toNativeSeparators(folder));
        if (!w.zips)
            text += "\n" + QObject::tr("This build writes no ZIP archives; upload the pages one by one.");
        QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, parent);
        if (!w.withoutId.empty())
            box.setInformativeText(QObject::tr("The platform's id of these students is not known, so their "
                                               "pages are not in the ZIP:\n%1")
                                       .arg(listed(w.withoutId)));
        box.exec();
    } catch (const RuntimeError& e) {
        QMessageBox::critical(parent, title, fromUtf8(e.path() + ": " + e.reason()));
    }
}

void fillWorksheetFor(QWidget* parent, const Marking& marking, std::size_t sheet, const fs::path& beside)
{
    const QString title = parent ? parent->windowTitle() : QApplication::applicationDisplayName();
    const QString file =
        QFileDialog::getOpenFileName(parent, QObject::tr("The grading worksheet from the platform"),
                                     fromPath(beside), QObject::tr("Worksheets (*.csv)"));
    if (file.isEmpty())
        return;
    std::string bytes;
    const fs::path in = toPath(file), out = gradedPath(in);
    if (const std::string why = readWholeFile(in, bytes); !why.empty()) {
        QMessageBox::critical(parent, title, QObject::tr("%1 cannot be read: %2").arg(file, fromUtf8(why)));
        return;
    }
    try {
        const FilledWorksheet w = review::fillWorksheet(bytes, pathToUtf8(in), marking, sheet);
        if (const std::string why = writeWholeFile(out, w.bytes); !why.empty())
            throw RuntimeError(kPathFileAccess, pathToUtf8(out), "cannot be written: " + why);
        const int grades = int(w.filled - w.gradesLeft.size());
        QMessageBox box(
            QMessageBox::Information, title,
            QObject::tr("%1 holds %n grade(s); upload it to the platform.", nullptr, grades).arg(fromPath(out)),
            QMessageBox::Ok, parent);
        QString more;
        if (!w.gradesLeft.empty())
            more += QObject::tr("Grade is left as it was, with the comments filled, for:\n%1\n(%2)\n")
                        .arg(listed(w.gradesLeft), listed(w.gradeProblems));
        if (!w.rowsWithoutStudent.empty())
            more += QObject::tr("Rows with no student here, left as they were:\n%1\n")
                        .arg(listed(w.rowsWithoutStudent));
        if (!w.studentsWithoutRow.empty())
            more += QObject::tr("Students with marks but no row:\n%1").arg(listed(w.studentsWithoutRow));
        if (!w.gradesLeft.empty())
            box.setIcon(QMessageBox::Warning);
        box.setInformativeText(more);
        box.exec();
    } catch (const RuntimeError& e) {
        QMessageBox::critical(parent, title, fromUtf8(e.path() + ": " + e.reason()));
    }
}

void MarkingWindow::writeFeedbackPages()
{
    if (saveNow())
        writeFeedbackFor(this, desk_.marking(), desk_.marksFile().parent_path());
}

void MarkingWindow::fillWorksheet()
{
    if (saveNow())
        fillWorksheetFor(this, desk_.marking(), desk_.sheet(), desk_.marksFile().parent_path());
}

fs::path marksFileOf(const QString& inputFolder, const QString& report)
{
    return defaultMarksPath(toPath(QFileInfo(report).absolutePath()), toPath(inputFolder));
}

int markAnswers(const Review& review, const QString& inputFolder, const QString& report)
{
    const fs::path marks = marksFileOf(inputFolder, report);
    MarksTable table;
    try {
        table = readMarksFile(marks);
    } catch (const RuntimeError& e) {
        QMessageBox::critical(
            nullptr, QApplication::applicationDisplayName(),
            QObject::tr("The marks file cannot be read.\n\n%1").arg(fromUtf8(e.path() + ": " + e.reason())));
        return 2;
    }
    MarkingDesk desk(Marking(review.sheets(), std::move(table)), marks);
    MarkingWindow window(desk);
    window.show();
    const int status = QApplication::exec();
    return window.saveNow() ? status : 3;
}

} // namespace qa::review::widgets
