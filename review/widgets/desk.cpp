#include "review/widgets/desk.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QTimer>
#include <atomic>
#include <exception>
#include <filesystem>
#include <thread>

#include "review/review.h"
#include "review/widgets/desk_dialogs.h"
#include "review/widgets/widget_text.h"
#include "review/write/destination.h"

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

// What the report holds, in one line.
QString holds(const Summary& s)
{
    return QObject::tr("The report holds %1, %2, %3 and %4.")
        .arg(fromUtf8(counted(s.students, "student")), fromUtf8(counted(s.responses, "response")),
             fromUtf8(counted(s.findings, "check finding")), fromUtf8(counted(s.problems, "unreadable part")));
}

// What a run shares with the progress dialog.
struct Progress {
    std::atomic<std::size_t> done{0}, total{0};
    std::atomic<std::uint64_t> written{0};
    std::atomic<bool> writing{false};
    std::atomic<bool> cancelled{false};
};

// Writes the report, and the workbook when asked for, each in one step: a
// failed or cancelled write leaves the earlier file as it was.
Outcome writeOutputs(const Review& review, const QString& folder, const QString& report, const QString& workbook,
                     Progress& progress, const Watch& watch)
{
    const std::vector<ReadInput> files = review.inputFiles();
    for (const QString& out : {report, workbook})
        if (!out.isEmpty() && amongInputs(toPath(out), {toPath(folder)}, files))
            return {Outcome::Status::OutputFailed,
                    QObject::tr("%1 is one of the handed-in files in %2 by another name; the review writes "
                                "nothing among them.")
                        .arg(shown(out), shown(folder))};
    progress.writing = true;
    ReplaceOptions options;
    options.stop = [&progress] { return progress.cancelled.load(); };
    options.progress = [&progress, &watch](std::uint64_t n) {
        progress.written = n;
        if (watch)
            watch(true, n);
    };
    const std::string madeOn = madeOnNow();
    Result<void> written = writeOutput(
        toPath(report), [&](std::ostream& o) { review.writeHtml(o, madeOn); }, options);
    QString failed = report;
    if (written && !workbook.isEmpty() && !progress.cancelled) {
        written = review.writeWorkbook(toPath(workbook), madeOn);
        failed = workbook;
    }
    if (progress.cancelled)
        return {Outcome::Status::Cancelled, {}};
    if (!written)
        return {Outcome::Status::OutputFailed,
                QObject::tr("%1 cannot be written: %2.").arg(shown(failed), fromUtf8(written.problem().what))};
    return {Outcome::Status::Done, holds(review.summary())};
}

// The dialog says what the run does: how many files are read, that the checks
// run, then that the report is written and how much of it so far; after a
// moment it shows.
void showProgress(QProgressDialog& dialog, const Progress& progress, const QElapsedTimer& clock)
{
    if (progress.cancelled)
        return;
    if (progress.writing) {
        // How long a report takes is not known ahead: the bar runs and the size grows.
        dialog.setRange(0, 0);
        dialog.setLabelText(QObject::tr("Writing the report: %1")
                                .arg(QLocale().formattedDataSize(qint64(progress.written.load()))));
        if (!dialog.isVisible() && clock.elapsed() >= kMomentMs)
            dialog.show();
    } else if (progress.total != 0 && progress.done >= progress.total) {
        // Every file is read; the checks run before the report is written.
        dialog.setRange(0, 0);
        dialog.setLabelText(
            QObject::tr("Read all %1; checking the answers").arg(fromUtf8(counted(progress.total, "file"))));
    } else if (progress.total != 0) {
        dialog.setMaximum(int(progress.total));
        dialog.setValue(int(progress.done));
        dialog.setLabelText(QObject::tr("Reading the handed-in files: %1 of %2")
                                .arg(progress.done.load())
                                .arg(fromUtf8(counted(progress.total, "file"))));
    }
}

} // namespace

bool isInside(const QString& path, const QString& folder)
{
    return amongInputs(toPath(path), {toPath(folder)}).has_value();
}

QString workbookBeside(const QString& report)
{
    const QFileInfo info(report);
    return QDir(info.absolutePath()).filePath(info.completeBaseName() + ".xlsx");
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

Outcome makeReport(const QString& folder, const QString& report, QWidget* parent, const Watch& watch,
                   const QString& workbook, std::shared_ptr<const Review>* keep)
{
    Progress progress;
    QProgressDialog dialog(QObject::tr("Reading the handed-in files..."), QObject::tr("Cancel"), 0, 0, parent);
    dialog.setWindowTitle(title());
    dialog.setMinimumWidth(400); // the title whole, and room for the count
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(kMomentMs);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    QObject::connect(&dialog, &QProgressDialog::canceled, [&progress] { progress.cancelled = true; });

    QEventLoop loop;
    Outcome outcome;
    std::thread worker([&] {
        try {
            Options options;
            options.inputs = {toPath(folder)};
            options.progress = [&](std::size_t d, std::size_t t) {
                progress.done = d;
                progress.total = t;
                if (watch)
                    watch(false, d);
            };
            options.stop = [&progress] { return progress.cancelled.load(); };
            auto read = std::make_shared<const Review>(Review::load(options));
            const Review& review = *read;
            if (progress.cancelled)
                outcome.status = Outcome::Status::Cancelled;
            else if (review.recordFilesRead() == 0)
                outcome = {Outcome::Status::NothingRead, nothingRead(review, folder)};
            else
                outcome = writeOutputs(review, folder, report, workbook, progress, watch);
            if (outcome.status == Outcome::Status::Done && keep)
                *keep = std::move(read);
        } catch (const std::exception& error) {
            outcome = {
                Outcome::Status::OutputFailed,
                QObject::tr("The report %1 cannot be made: %2.").arg(shown(report), fromUtf8(error.what()))};
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });

    // Starts the dialog's own clock: it shows itself after the moment.
    dialog.setValue(0);
    QElapsedTimer clock;
    clock.start();
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &dialog, [&] { showProgress(dialog, progress, clock); });
    tick.start(kProgressTickMs);
    loop.exec();
    worker.join();
    return outcome;
}

// The folder chooser, which takes an archive too.
class FolderOrArchive : public QFileDialog {
public:
    explicit FolderOrArchive(const QString& start)
        : QFileDialog(nullptr, QObject::tr("Folder of handed-in files, or an archive"), start)
    {
        setOption(QFileDialog::DontUseNativeDialog); // a native folder chooser shows no files
        setFileMode(QFileDialog::Directory);
        setNameFilter(QObject::tr("Folders and archives (*.zip *.tar *.tar.gz *.tgz *.7z)"));
    }
    void accept() override
    {
        const QStringList chosen = selectedFiles();
        if (!chosen.isEmpty() && QFileInfo(chosen.constFirst()).isFile())
            QDialog::accept();
        else
            QFileDialog::accept();
    }
};

QString chooseInput(const QString& start)
{
    FolderOrArchive dialog(start);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
               ? dialog.selectedFiles().constFirst()
               : QString();
}

int runDesk()
{
    const QStringList places = {QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                                QStandardPaths::writableLocation(QStandardPaths::HomeLocation)};
    QString start = places.constFirst();
    QString folder;
    Destination to;
    while (true) {
        if (folder.isEmpty()) {
            folder = chooseInput(start);
            if (folder.isEmpty())
                return 0;
            start = folder;
        }
        if (to.report.isEmpty()) {
            // Beside the home folders, the folder that holds the input one.
            QStringList candidates = places;
            candidates << QFileInfo(QDir::cleanPath(folder)).absolutePath();
            to = askDestination(folder, suggestedReportPath(folder, candidates));
            if (to.report.isEmpty())
                return 0;
        }

        std::shared_ptr<const Review> read;
        const Outcome outcome = makeReport(folder, to.report, nullptr, {}, to.workbook, &read);
        switch (outcome.status) {
        case Outcome::Status::Done: return announce(outcome.message, *read, folder, to);
        case Outcome::Status::Cancelled: return 0;
        case Outcome::Status::NothingRead:
            if (!offer(QMessageBox::Warning, outcome.message, QObject::tr("Choose another folder?"),
                       QObject::tr("Choose Again")))
                return 1;
            folder.clear();
            to = {};
            break;
        case Outcome::Status::OutputFailed:
            if (!offer(QMessageBox::Critical, outcome.message, QObject::tr("Save the report somewhere else?"),
                       QObject::tr("Choose Again")))
                return 3;
            to = {};
            break;
        }
    }
}

} // namespace qa::review::widgets
