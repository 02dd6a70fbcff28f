// The desk's dialogs: the save step with its workbook check box, the line
// that says what a finished report holds with the next steps (the marking
// window, the feedback pages, the worksheet), and a question to go on.
#include "review/widgets/desk_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QInputDialog>
#include <QPushButton>
#include <QSettings>
#include <QUrl>
#include <optional>

#include "platform/utf8.h"
#include "review/marking/actions.h"
#include "review/marking/marking.h"
#include "review/marking/marks_file.h"
#include "review/report/workbook.h"
#include "review/review.h"
#include "review/widgets/desk.h"
#include "review/widgets/marking_window.h"

namespace qa::review::widgets {

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString problemText(const Problem& problem)
{
    const std::string text = describe(problem);
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString title()
{
    return QApplication::applicationDisplayName();
}

// A question with one button to go on and one to stop; true for the first.
bool offer(QMessageBox::Icon icon, const QString& text, const QString& question, const QString& goOn)
{
    QMessageBox box(icon, title(), text);
    box.setInformativeText(question);
    QPushButton* again = box.addButton(goOn, QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Close);
    box.setDefaultButton(again);
    box.exec();
    return box.clickedButton() == again;
}

namespace {

// Whether the workbook is asked for in the save step, as left last time.
constexpr const char* kWorkbookSetting = "save/workbook";

} // namespace

// The report's path from a save dialog that starts at `suggested`, and the
// workbook's when its check box is ticked; empty when the instructor cancels.
// A path among the inputs is refused.
Destination askDestination(const QString& folder, const QString& suggested)
{
    QSettings settings;
    while (true) {
        QFileDialog dialog(nullptr, QObject::tr("Save the report as"), QFileInfo(suggested).absolutePath());
        dialog.setOption(QFileDialog::DontUseNativeDialog); // for the check box
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setNameFilter(QObject::tr("Web pages (*.html)"));
        dialog.setDefaultSuffix("html");
        dialog.selectFile(QFileInfo(suggested).fileName());
        QCheckBox* workbook = nullptr;
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()); grid && writesWorkbooks()) {
            workbook = new QCheckBox(QObject::tr("Also save the rows as a &workbook (.xlsx) beside the report"));
            workbook->setChecked(settings.value(kWorkbookSetting, false).toBool());
            grid->addWidget(workbook, grid->rowCount(), 0, 1, -1);
        }
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        const QString chosen = dialog.selectedFiles().constFirst();
        Destination to{chosen, {}};
        if (workbook) {
            settings.setValue(kWorkbookSetting, workbook->isChecked());
            if (workbook->isChecked())
                to.workbook = workbookBeside(chosen);
        }
        if (!isInside(chosen, folder))
            return to;
        QMessageBox::warning(
            nullptr, title(),
            QObject::tr("%1 is inside the folder being reviewed, %2.\n\nThe review writes nothing "
                        "among the handed-in files: please choose a place outside that folder.")
                .arg(shown(chosen), shown(folder)));
    }
}

namespace {

// The marking of the review as its marks file holds it; none, after saying
// why, when there are no marks yet or the file cannot be read.
std::optional<Marking> markingOf(const Review& read, const QString& inputFolder, const QString& report)
{
    const std::filesystem::path file = marksFileOf(inputFolder, report);
    Result<MarksTable> marks = readMarks(file, amongInputsOf(read, inputFolder), false);
    if (!marks) {
        QMessageBox::critical(
            nullptr, title(),
            QObject::tr("The marks file cannot be read.\n\n%1").arg(problemText(marks.problem())));
        return std::nullopt;
    }
    if (marks->size() == 0) {
        QMessageBox::information(
            nullptr, title(),
            QObject::tr("There are no marks for this review yet (%1): mark the answers first.")
                .arg(shown(QString::fromStdString(text::pathToUtf8(file)))));
        return std::nullopt;
    }
    return Marking(read.sheets(), std::move(*marks));
}

// The assignment a worksheet is for: the one there is, or the one chosen.
std::optional<std::size_t> worksheetSheet(const Marking& marking)
{
    const auto& sheets = marking.sheets();
    if (sheets.size() == 1)
        return 0;
    QStringList names;
    for (const Sheet& sh : sheets)
        names << QObject::tr("Assignment %1").arg(QString::fromStdString(sh.assignment));
    bool ok = false;
    const QString chosen =
        QInputDialog::getItem(nullptr, title(), QObject::tr("The worksheet is for:"), names, 0, false, &ok);
    if (!ok || names.indexOf(chosen) < 0)
        return std::nullopt;
    return std::size_t(names.indexOf(chosen));
}

} // namespace

int announce(const QString& holds, const Review& read, const QString& inputFolder, const Destination& to)
{
    const QString saved = to.workbook.isEmpty() ? QObject::tr("The report is saved as %1.").arg(shown(to.report))
                                                : QObject::tr("The report is saved as %1, and the workbook as %2.")
                                                      .arg(shown(to.report), shown(to.workbook));
    const std::filesystem::path beside = marksFileOf(inputFolder, to.report).parent_path();
    const AmongInputs among = amongInputsOf(read, inputFolder);
    while (true) {
        QMessageBox box(QMessageBox::Information, title(), saved);
        box.setInformativeText(holds);
        QPushButton* open = box.addButton(QObject::tr("&Open"), QMessageBox::AcceptRole);
        QPushButton* folder = box.addButton(QObject::tr("Show in &Folder"), QMessageBox::ActionRole);
        QPushButton* mark = box.addButton(QObject::tr("&Mark Answers"), QMessageBox::ActionRole);
        QPushButton* feedback = box.addButton(QObject::tr("Write Feed&back..."), QMessageBox::ActionRole);
        QPushButton* worksheet = box.addButton(QObject::tr("Fill in &Worksheet..."), QMessageBox::ActionRole);
        feedback->setAccessibleName(QObject::tr("Write feedback pages from the marks"));
        worksheet->setAccessibleName(QObject::tr("Fill in the platform's grading worksheet from the marks"));
        box.addButton(QMessageBox::Close);
        box.setDefaultButton(open);
        box.exec();
        if (box.clickedButton() == feedback || box.clickedButton() == worksheet) {
            // The box comes back for the next step.
            if (const std::optional<Marking> marking = markingOf(read, inputFolder, to.report)) {
                if (box.clickedButton() == feedback)
                    writeFeedbackFor(nullptr, *marking, beside, among);
                else if (const auto sheet = worksheetSheet(*marking))
                    fillWorksheetFor(nullptr, *marking, *sheet, beside, among);
            }
            continue;
        }
        if (box.clickedButton() == mark)
            return markAnswers(read, inputFolder, to.report);
        if (box.clickedButton() == folder)
            QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(to.report).absolutePath()));
        else if (box.clickedButton() == open && !QDesktopServices::openUrl(QUrl::fromLocalFile(to.report)))
            QMessageBox::information(
                nullptr, title(),
                QObject::tr("No web browser could be started. Open %1 in your browser.").arg(shown(to.report)));
        return 0;
    }
}

} // namespace qa::review::widgets
