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

void MarkingWindow::writeFeedbackPages()
{
    if (!saveNow())
        return;
    const QString start = fromPath(desk_.marksFile().parent_path() / "feedback");
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Folder for the feedback pages"), start);
    if (folder.isEmpty())
        return;
    try {
        const FeedbackWritten w = writeFeedback(desk_.marking(), toPath(folder));
        QString text =
            tr("%n file(s) written in %1.", nullptr, int(w.files.size())).arg(QDir::toNativeSeparators(folder));
        if (!w.zips)
            text += "\n" + tr("This build writes no ZIP archives; upload the pages one by one.");
        QMessageBox box(QMessageBox::Information, windowTitle(), text, QMessageBox::Ok, this);
        if (!w.withoutId.empty())
            box.setInformativeText(tr("The platform's id of these students is not known, so their pages are not "
                                      "in the ZIP:\n%1")
                                       .arg(listed(w.withoutId)));
        box.exec();
    } catch (const RuntimeError& e) {
        QMessageBox::critical(this, windowTitle(), fromUtf8(e.path() + ": " + e.reason()));
    }
}

void MarkingWindow::fillWorksheet()
{
    if (!saveNow())
        return;
    const QString file =
        QFileDialog::getOpenFileName(this, tr("The grading worksheet from the platform"),
                                     fromPath(desk_.marksFile().parent_path()), tr("Worksheets (*.csv)"));
    if (file.isEmpty())
        return;
    std::string bytes;
    const fs::path in = toPath(file), out = gradedPath(in);
    if (const std::string why = readWholeFile(in, bytes); !why.empty()) {
        QMessageBox::critical(this, windowTitle(), tr("%1 cannot be read: %2").arg(file, fromUtf8(why)));
        return;
    }
    try {
        const FilledWorksheet w = review::fillWorksheet(bytes, pathToUtf8(in), desk_.marking(), desk_.sheet());
        if (const std::string why = writeWholeFile(out, w.bytes); !why.empty())
            throw RuntimeError(kPathFileAccess, pathToUtf8(out), "cannot be written: " + why);
        QMessageBox box(
            QMessageBox::Information, windowTitle(),
            tr("%1 holds %n grade(s); upload it to the platform.", nullptr, int(w.filled)).arg(fromPath(out)),
            QMessageBox::Ok, this);
        QString more;
        if (!w.rowsWithoutStudent.empty())
            more += tr("Rows with no student here, left as they were:\n%1\n").arg(listed(w.rowsWithoutStudent));
        if (!w.studentsWithoutRow.empty())
            more += tr("Students with marks but no row:\n%1").arg(listed(w.studentsWithoutRow));
        box.setInformativeText(more);
        box.exec();
    } catch (const RuntimeError& e) {
        QMessageBox::critical(this, windowTitle(), fromUtf8(e.path() + ": " + e.reason()));
    }
}

int markAnswers(const Review& review, const QString& inputFolder, const QString& report)
{
    const fs::path marks = defaultMarksPath(toPath(QFileInfo(report).absolutePath()), toPath(inputFolder));
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
