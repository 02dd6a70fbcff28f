#pragma once
#include <QString>
#include <QStringList>
#include <cstddef>
#include <functional>

class QWidget;

// The review at an instructor's desk: a folder chooser, a save dialog, a
// progress dialog and the browser, over the review core.
namespace qa::review::widgets {

// True when `path` is `folder` or lies inside it, symbolic links resolved
// as far as the path exists.
bool isInside(const QString& path, const QString& folder);

// Where the save dialog starts: review-<folder name>.html in the first of
// `places` that is an existing folder and neither the input folder nor
// inside it; just the file name when there is none.
QString suggestedReportPath(const QString& inputFolder, const QStringList& places);

struct Outcome {
    enum class Status { Done, NothingRead, OutputFailed, Cancelled };
    Status status = Status::Done;
    QString message; // why nothing was read, or which file could not be written and why
};

// Reads `folder` and writes the report to `report`, on a thread of its own.
// A progress dialog (over `parent`) shows once the run takes longer than a
// moment; its Cancel stops the run, which then leaves no report behind.
// `watch`, when given, is called on that thread at each count of the files
// read.
Outcome makeReport(const QString& folder, const QString& report, QWidget* parent = nullptr,
                   const std::function<void(std::size_t done)>& watch = {});

// The whole round: folder, report file, run, browser; again when nothing
// could be read or the report could not be written and the instructor
// chooses so. Returns the exit status: 0 when a report was made or the
// instructor stopped, 1 when nothing was read, 3 when the report could not
// be written.
int runDesk();

} // namespace qa::review::widgets
