#include "review/widgets/desk.h"

#include <QApplication>
#include <QDateTime>
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
#include <exception>
#include <thread>

namespace qa::review::widgets {

namespace {

// A run shorter than this shows no progress dialog.
constexpr int kMomentMs = 500;
// How often the progress dialog takes the count while a run goes on.
constexpr int kProgressTickMs = 100;

// Host bytes of a path as the file system takes them, and back.
std::string hostPath(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString fromHost(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

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

// The run's count and the Cancel button, shared with the running thread.
class SharedProgress final : public Progress {
public:
    void advance(std::size_t done, std::size_t total) override
    {
        done_ = done;
        total_ = total;
    }
    bool cancelled() override { return cancelled_; }

    std::atomic<std::size_t> done_{0};
    std::atomic<std::size_t> total_{0};
    std::atomic<bool> cancelled_{false};
};

QString title() { return QApplication::applicationDisplayName(); }

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
    QString start = suggested;
    while (true) {
        QFileDialog dialog(nullptr, QObject::tr("Save the report as"), QFileInfo(start).absolutePath());
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setNameFilter(QObject::tr("Web pages (*.html)"));
        dialog.setDefaultSuffix("html");
        dialog.selectFile(QFileInfo(start).fileName());
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        const QString chosen = dialog.selectedFiles().constFirst();
        if (!isInside(chosen, folder))
            return chosen;
        QMessageBox::warning(nullptr, title(),
                             QObject::tr("%1 is inside the folder being reviewed, %2.\n\nThe review writes nothing "
                                         "among the handed-in files: please choose a place outside that folder.")
                                 .arg(QDir::toNativeSeparators(chosen), QDir::toNativeSeparators(folder)));
        start = suggested;
    }
}

QString madeOnNow() { return QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm"); }

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

Result runWithProgress(const Request& request, QWidget* parent)
{
    SharedProgress progress;
    QProgressDialog dialog(QObject::tr("Reading the handed-in files..."), QObject::tr("Cancel"), 0, 0, parent);
    dialog.setWindowTitle(title());
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(kMomentMs);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    QObject::connect(&dialog, &QProgressDialog::canceled, [&progress] { progress.cancelled_ = true; });

    QEventLoop loop;
    Result result;
    std::thread worker([&] {
        try {
            result = run(request, &progress);
        } catch (const std::exception& error) {
            result = Result{};
            result.status = Result::Status::OutputFailed;
            result.message = error.what();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });

    // Starts the dialog's own clock: it shows itself after the moment.
    dialog.setValue(0);
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &dialog, [&] {
        const std::size_t total = progress.total_;
        if (total == 0 || progress.cancelled_)
            return;
        const std::size_t done = progress.done_;
        dialog.setMaximum(int(total));
        dialog.setValue(int(done));
        dialog.setLabelText(QObject::tr("Reading the handed-in files: %1 of %2").arg(done).arg(total));
    });
    tick.start(kProgressTickMs);
    loop.exec();
    worker.join();
    return result;
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

        Request request;
        request.inputs = {hostPath(folder)};
        request.htmlPath = hostPath(report);
        request.madeOn = madeOnNow().toStdString();
        const Result result = runWithProgress(request);
        switch (result.status) {
        case Result::Status::Done:
            if (!QDesktopServices::openUrl(QUrl::fromLocalFile(report)))
                QMessageBox::information(nullptr, title(),
                                         QObject::tr("The report is saved as %1, but no web browser could be "
                                                     "started. Open the file in your browser yourself.")
                                             .arg(QDir::toNativeSeparators(report)));
            return 0;
        case Result::Status::Cancelled:
            return 0;
        case Result::Status::NothingRead:
            if (!offer(QMessageBox::Warning, fromHost(result.message),
                       QObject::tr("Choose another folder of handed-in files?"), QObject::tr("Choose Again")))
                return 1;
            folder.clear();
            report.clear();
            break;
        case Result::Status::OutputFailed:
            if (!offer(QMessageBox::Critical, fromHost(result.message),
                       QObject::tr("Save the report somewhere else?"), QObject::tr("Choose Again")))
                return 3;
            report.clear();
            break;
        }
    }
}

} // namespace qa::review::widgets
