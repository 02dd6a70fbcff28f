#pragma once
// The desk's own dialogs, for desk.cpp.
#include <QMessageBox>
#include <QString>

namespace qa::review {
class Review;
struct Problem;
} // namespace qa::review

namespace qa::review::widgets {

// The program's name as the dialogs' title.
QString title();
// A path as the instructor's system writes it.
QString shown(const QString& path);
// What failed, as the window's messages say it.
QString problemText(const Problem& problem);

// A question with one button to go on and one to stop; true for the first.
bool offer(QMessageBox::Icon icon, const QString& text, const QString& question, const QString& goOn);

// Where the outputs go: the report, and the workbook beside it when asked for.
struct Destination {
    QString report;
    QString workbook;
};

// The report's path from a save dialog that starts at `suggested`, and the
// workbook's when its check box is ticked (the box as left last time); empty
// when the instructor cancels. A path among the inputs is refused.
Destination askDestination(const QString& folder, const QString& suggested);

// The report is written: where, what it holds (`holds`), and buttons to open
// it, to show its folder, to mark the answers `read` from `inputFolder`, and
// to write the feedback pages or fill in a grading worksheet from the marks
// file of that review (after which the box comes back). The exit status.
int announce(const QString& holds, const Review& read, const QString& inputFolder, const Destination& to);

} // namespace qa::review::widgets
