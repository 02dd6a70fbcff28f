#include "review/widgets/desk.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <thread>

#include "review/review.h"

namespace qa::review::widgets {

namespace {

// A run shorter than this shows no progress dialog.
constexpr int kMomentMs = 500;
// How often the progress dialog takes the count while a run goes on.
constexpr int kProgressTickMs = 100;

// A path as the file system takes it: the bytes Qt decoded it from, or on
// Windows the UTF-16 name.
std::filesystem::path toPath(const QString& path)
{
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}
QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// The path with symbolic links resolved as far as it exists; the rest, which
// does not exist yet, appended as it stands.
QString resolved(const QString& path)
{
    QFileInfo info(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    QString rest;
    while (!info.exists() && !info.isRoot()) {
        rest = "/" + info.fileName() + rest;
        info = QFileInfo(info.absolutePath());
    }
    return QDir::cleanPath(info.canonicalFilePath() + rest);
}

// Why a review read nothing: the folder could not be read, holds no files,
// or holds none that the tutor wrote.
QString nothingRead(const Review& review, const QString& folder)
{
    const Summary summary = review.summary();
    if (summary.filesFound == 0 && !review.problems().empty())
        return QObject::tr("The folder %1 cannot be read: %2.")
            .arg(shown(folder), fromUtf8(review.problems().front().what));
    if (summary.filesFound == 0)
        return QObject::tr("The folder %1 holds no files.").arg(shown(folder));
    return QObject::tr("None of the %n file(s) in the folder %1 is a record file of the tutor (a send, master "
                       "or notes file).",
                       nullptr, int(summary.filesFound))
        .arg(shown(folder));
}

// Writes the report; the reason when it cannot, and then no file is left.
QString writeReport(const Review& review, const QString& report)
{
    const std::filesystem::path path = toPath(report);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    int error = out ? 0 : errno;
    if (out) {
        review.writeHtml(out, madeOnNow());
        out.close();
        if (!out)
            error = errno ? errno : EIO;
    }
    if (error == 0)
        return {};
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return QObject::tr("The report %1 cannot be written: %2.")
        .arg(shown(report), fromUtf8(std::generic_category().message(error)));
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

// The report's path from a save dialog that starts at `suggested`; empty
// when the instructor cancels. A path among the inputs is refused.
QString askReportPath(const QString& folder, const QString& suggested)
{
    while (true) {
        QFileDialog dialog(nullptr, QObject::tr("Save the report as"), QFileInfo(suggested).absolutePath());
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setNameFilter(QObject::tr("Web pages (*.html)"));
        dialog.setDefaultSuffix("html");
        dialog.selectFile(QFileInfo(suggested).fileName());
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        const QString chosen = dialog.selectedFiles().constFirst();
        if (!isInside(chosen, folder))
            return chosen;
        QMessageBox::warning(
            nullptr, title(),
            QObject::tr("%1 is inside the folder being reviewed, %2.\n\nThe review writes nothing "
                        "among the handed-in files: please choose a place outside that folder.")
                .arg(shown(chosen), shown(folder)));
    }
}

} // namespace

bool isInside(const QString& path, const QString& folder)
{
    const QString p = resolved(path);
    QString f = resolved(folder);
    if (p == f)
        return true;
    if (!f.endsWith('/'))
        f += '/';
    return p.startsWith(f);
}

QString suggestedReportPath(const QString& inputFolder, const QStringList& places)
{
    const QString name = QFileInfo(QDir::cleanPath(inputFolder)).fileName();
    const QString file = name.isEmpty() ? QString("review.html") : "review-" + name + ".html";
    for (const QString& place : places) {
        if (!place.isEmpty() && QFileInfo(place).isDir() && !isInside(place, inputFolder))
            return QDir(place).filePath(file);
    }
    return file;
}

Outcome makeReport(const QString& folder, const QString& report, QWidget* parent,
                   const std::function<void(std::size_t done)>& watch)
{
    std::atomic<std::size_t> done{0}, total{0};
    std::atomic<bool> cancelled{false};
    QProgressDialog dialog(QObject::tr("Reading the handed-in files..."), QObject::tr("Cancel"), 0, 0, parent);
    dialog.setWindowTitle(title());
    dialog.setMinimumWidth(400); // the title whole, and room for the count
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(kMomentMs);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    QObject::connect(&dialog, &QProgressDialog::canceled, [&cancelled] { cancelled = true; });

    QEventLoop loop;
    Outcome outcome;
    std::thread worker([&] {
        try {
            Options options;
            options.inputs = {toPath(folder)};
            options.progress = [&](std::size_t d, std::size_t t) {
                done = d;
                total = t;
                if (watch)
                    watch(d);
            };
            options.stop = [&cancelled] { return cancelled.load(); };
            const Review review = Review::load(options);
            if (cancelled)
                outcome.status = Outcome::Status::Cancelled;
            else if (review.recordFilesRead() == 0)
                outcome = {Outcome::Status::NothingRead, nothingRead(review, folder)};
            else if (QString why = writeReport(review, report); !why.isEmpty())
                outcome = {Outcome::Status::OutputFailed, why};
            else if (cancelled) {
                // Cancelled while the report was written: it goes again.
                std::error_code ignored;
                std::filesystem::remove(toPath(report), ignored);
                outcome.status = Outcome::Status::Cancelled;
            }
        } catch (const std::exception& error) {
            outcome = {
                Outcome::Status::OutputFailed,
                QObject::tr("The report %1 cannot be made: %2.").arg(shown(report), fromUtf8(error.what()))};
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });

    // Starts the dialog's own clock: it shows itself after the moment.
    dialog.setValue(0);
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &dialog, [&] {
        if (total == 0 || cancelled)
            return;
        dialog.setMaximum(int(total));
        dialog.setValue(int(done));
        dialog.setLabelText(QObject::tr("Reading the handed-in files: %1 of %2").arg(done).arg(total));
    });
    tick.start(kProgressTickMs);
    loop.exec();
    worker.join();
    return outcome;
}

int runDesk()
{
    const QStringList places = {QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                                QStandardPaths::writableLocation(QStandardPaths::HomeLocation)};
    QString start = places.constFirst();
    QString folder;
    QString report;
    while (true) {
        if (folder.isEmpty()) {
            folder = QFileDialog::getExistingDirectory(nullptr, QObject::tr("Folder of handed-in files"), start);
            if (folder.isEmpty())
                return 0;
            start = folder;
        }
        if (report.isEmpty()) {
            // Beside the home folders, the folder that holds the input one.
            QStringList candidates = places;
            candidates << QFileInfo(QDir::cleanPath(folder)).absolutePath();
            report = askReportPath(folder, suggestedReportPath(folder, candidates));
            if (report.isEmpty())
                return 0;
        }

        const Outcome outcome = makeReport(folder, report);
        switch (outcome.status) {
        case Outcome::Status::Done:
            if (!QDesktopServices::openUrl(QUrl::fromLocalFile(report)))
                QMessageBox::information(nullptr, title(),
                                         QObject::tr("The report is saved as %1, but no web browser could be "
                                                     "started. Open that file in your browser.")
                                             .arg(shown(report)));
            return 0;
        case Outcome::Status::Cancelled: return 0;
        case Outcome::Status::NothingRead:
            if (!offer(QMessageBox::Warning, outcome.message, QObject::tr("Choose another folder?"),
                       QObject::tr("Choose Again")))
                return 1;
            folder.clear();
            report.clear();
            break;
        case Outcome::Status::OutputFailed:
            if (!offer(QMessageBox::Critical, outcome.message, QObject::tr("Save the report somewhere else?"),
                       QObject::tr("Choose Again")))
                return 3;
            report.clear();
            break;
        }
    }
}

} // namespace qa::review::widgets
