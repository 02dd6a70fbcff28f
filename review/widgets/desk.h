#pragma once
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

class QWidget;

// The review at an instructor's desk: a folder chooser, a save dialog, a
// progress dialog and the browser, over the review core.
namespace qa::review {
class Review;
}

namespace qa::review::widgets {

// True when `path` is `folder` or lies inside it, symbolic links resolved
// as far as the path exists, or inside it by another name.
bool isInside(const QString& path, const QString& folder);

// Where the save dialog starts: review-<folder name>.html in the first of
// `places` that is an existing folder and neither the input folder nor
// inside it; just the file name when there is none.
QString suggestedReportPath(const QString& inputFolder, const QStringList& places);

// The workbook that goes beside a report: its name with .xlsx.
QString workbookBeside(const QString& report);

struct Outcome {
    enum class Status { Done, NothingRead, OutputFailed, Cancelled };
    Status status = Status::Done;
    // Done: what the report holds, in one line. Otherwise why nothing was
    // read, or which file could not be written and why.
    QString message;
};

// Reads `folder` and writes the report to `report` (and the workbook to
// `workbook` when given), on a thread of its own. A progress dialog (over
// `parent`) shows once the run takes longer than a moment, saying what it
// reads and then that it writes; its Cancel stops the run, which then leaves
// an earlier report as it was and nothing new. `watch`, when given, is called
// on that thread at each count of the files read, and then of the report's
// bytes written.
using Watch = std::function<void(bool writing, std::uint64_t count)>;
// `read`, when given, gets what was read once the report is written.
Outcome makeReport(const QString& folder, const QString& report, QWidget* parent = nullptr,
                   const Watch& watch = {}, const QString& workbook = {},
                   std::shared_ptr<const Review>* read = nullptr);

// The whole round: folder, report file, run, browser; again when nothing
// could be read or the report could not be written and the instructor
// chooses so. Returns the exit status: 0 when a report was made or the
// instructor stopped, 1 when nothing was read, 3 when the report could not
// be written.
int runDesk();

} // namespace qa::review::widgets
