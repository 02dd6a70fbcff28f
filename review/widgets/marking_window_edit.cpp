// The marking window's behaviour: showing the chosen answer, moving, edits,
// and keeping them in the marks file.
#include <QApplication>
#include <QCloseEvent>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include "review/cli/cli.h"
#include "review/widgets/alike_view.h"
#include "review/widgets/bank_view.h"
#include "review/widgets/marking_grid.h"
#include "review/widgets/marking_window.h"
#include "review/widgets/statistics_view.h"
#include "review/widgets/widget_text.h"

namespace qa::review::widgets {
namespace {

// Edits reach the marks file this long after the first unsaved one at most.
constexpr int kSaveAfterMs = 300;
// A save that failed is tried again after this.
constexpr int kRetryMs = 2000;

} // namespace

void MarkingWindow::showChosen()
{
    showing_ = true;
    const bool any = !desk_.empty() && !desk_.current().questions.empty();
    for (QWidget* w : std::initializer_list<QWidget*>{mark_, maximum_, comment_, comments_, alikeButton_})
        w->setEnabled(any);
    if (!any) {
        where_->setText(tr("Nothing to mark in this assignment."));
        showing_ = false;
        return;
    }
    const Sheet& sh = desk_.current();
    const std::size_t s = desk_.student(), q = desk_.question();
    where_->setText(tr("%1 - question %2 of %3 (student %4 of %5)")
                        .arg(fromUtf8(sh.students[s].shown()))
                        .arg(q + 1)
                        .arg(sh.questions.size())
                        .arg(s + 1)
                        .arg(sh.students.size()));
    question_->setText(fromUtf8(sh.questions[q]));
    const SheetCell& cell = sh.cell(s, q);
    answer_->setPlainText(cell.answered ? fromUtf8(cell.answer)
                          : cell.empty  ? tr("(only empty responses)")
                                        : tr("(no answer handed in)"));
    QString earlier;
    for (std::size_t k = cell.earlier.size(); k-- > 0;)
        earlier += tr("Version %1:\n").arg(k + 1) + fromUtf8(cell.earlier[k]) + "\n\n";
    earlier_->setPlainText(earlier);
    earlierToggle_->setText(tr("&Earlier versions (%1)").arg(cell.earlier.size()));
    earlierToggle_->setEnabled(!cell.earlier.empty());
    earlierToggle_->setChecked(false);
    const CellMark c = desk_.marking().at(desk_.sheet(), s, q);
    earlierMark_->setVisible(c.earlier);
    mark_->setText(c.mark && c.mark->mark ? markShown(*c.mark->mark) : QString());
    mark_->setStyleSheet({});
    const auto max = desk_.marking().maximum(desk_.sheet(), q);
    maximum_->setText(max ? markShown(*max) : QString());
    comment_->setText(c.mark ? fromUtf8(c.mark->comment) : QString());
    showComments();
    const QModelIndex at = grid_->model()->index(int(s), int(q) + 1);
    grid_->setCurrentIndex(at);
    grid_->scrollTo(at);
    showing_ = false;
    showSame();
    showTotals();
    if (alike_ && alike_->isVisible())
        alike_->refresh();
}

void MarkingWindow::showComments()
{
    QStringList given;
    for (const std::string& t : desk_.comments())
        given << fromUtf8(t);
    comments_->clear();
    comments_->addItems(given);
    static_cast<QStringListModel*>(comment_->completer()->model())->setStringList(given);
    if (bank_ && bank_->isVisible())
        bank_->refresh();
}

void MarkingWindow::commentCommitted()
{
    desk_.commitComment();
    showComments();
}

void MarkingWindow::showSame()
{
    QStringList names;
    for (std::size_t other : desk_.sameAnswer())
        names << fromUtf8(desk_.current().students[other].shown());
    same_->setVisible(!names.isEmpty());
    // A class copying one answer makes a list of dozens of names, laid out
    // again for every width asked and on every paint: the label names the
    // first few and how many more; its tooltip names them all, and Alike
    // Answers each with the whole answer.
    constexpr qsizetype kNamed = 4;
    const QString all = names.join(", ");
    same_->setToolTip(all);
    if (names.size() <= kNamed + 1)
        same_->setText(tr("The same answer was handed in by: %1").arg(all));
    else
        same_->setText(tr("The same answer was handed in by %1 others: %2 and %3 more")
                           .arg(names.size())
                           .arg(names.first(kNamed).join(", "))
                           .arg(names.size() - kNamed));
}

void MarkingWindow::showTotals()
{
    if (desk_.empty() || desk_.current().questions.empty())
        return;
    const Marking& m = desk_.marking();
    const std::size_t sh = desk_.sheet(), q = desk_.question();
    QString text = tr("Total for %1: %2")
                       .arg(fromUtf8(desk_.current().students[desk_.student()].shown()),
                            markShown(m.total(sh, desk_.student())));
    if (m.maximaKnown(sh, desk_.student()))
        text += tr(" of %1").arg(markShown(m.totalMaximum(sh)));
    text += tr(".  Question %1: %2 marked").arg(q + 1).arg(m.marked(sh, q));
    if (const auto share = m.share(sh, q))
        text += tr(", mean %1 % of the maximum").arg(qRound(*share * 100));
    totals_->setText(text + ".");
}

void MarkingWindow::move(int students, int questions)
{
    const bool moved =
        (students == 0 || desk_.nextStudent(students)) && (questions == 0 || desk_.nextQuestion(questions));
    if (moved)
        showChosen();
    else
        QApplication::beep();
}

void MarkingWindow::markEdited()
{
    bool ok = true;
    const std::optional<double> mark = typedMark(toUtf8(mark_->text()), ok);
    mark_->setStyleSheet(ok ? QString() : QStringLiteral("background:#f6d5d5"));
    mark_->setAccessibleDescription(ok ? QString() : tr("Not a mark: type a number like 2 or 1.5"));
    if (!ok)
        return;
    desk_.setMark(mark);
    earlierMark_->setVisible(false);
    changed(int(desk_.student()));
}

void MarkingWindow::maximumEdited()
{
    bool ok = true;
    const std::optional<double> max = typedMark(toUtf8(maximum_->text()), ok);
    maximum_->setStyleSheet(ok ? QString() : QStringLiteral("background:#f6d5d5"));
    if (!ok)
        return;
    desk_.setMaximum(max);
    changed(-1);
}

void MarkingWindow::commentEdited()
{
    if (showing_)
        return;
    desk_.setComment(toUtf8(comment_->text()));
    changed(int(desk_.student()));
}

void MarkingWindow::reuseComment()
{
    if (QListWidgetItem* item = comments_->currentItem()) {
        // The bank's mark with it (MarkingDesk::reuseComment). The list
        // stays as it is while its signal is being handled.
        desk_.reuseComment(toUtf8(item->text()));
        const CellMark c = desk_.marking().at(desk_.sheet(), desk_.student(), desk_.question());
        showing_ = true;
        comment_->setText(item->text());
        mark_->setText(c.mark && c.mark->mark ? markShown(*c.mark->mark) : QString());
        showing_ = false;
        earlierMark_->setVisible(false);
        changed(int(desk_.student()));
        comment_->setFocus();
    }
}

void MarkingWindow::alikeGiven(const std::vector<std::size_t>& students)
{
    for (std::size_t s : students)
        model_->answerChanged(int(s), int(desk_.question()));
    showChosen(); // the chosen answer may be among them
    changed(int(desk_.student()));
}

void MarkingWindow::changed(int student)
{
    model_->answerChanged(student, int(desk_.question()));
    showTotals();
    if (statistics_ && statistics_->isVisible())
        statistics_->refresh();
    saved_->setText(tr("Saving..."));
    if (!saveTimer_->isActive())
        saveTimer_->start(kSaveAfterMs);
}

void MarkingWindow::bankEdited(const std::vector<std::size_t>& students)
{
    for (std::size_t s : students)
        model_->answerChanged(int(s), int(desk_.question()));
    showChosen();
    changed(int(desk_.student()));
}

bool MarkingWindow::saveNow()
{
    if (!desk_.unsaved())
        return true;
    const Result<void> saved = desk_.save();
    if (saved) {
        saved_->setText(tr("All marks saved"));
        saved_->setStyleSheet({});
        return true;
    }
    // The file that could not be written: the marks file or the comment bank's.
    const Problem& p = saved.problem();
    saved_->setText(
        tr("The marks cannot be saved in %1: %2. Trying again...")
            .arg(p.file.empty() ? QString::fromStdWString(desk_.marksFile().wstring()) : fromUtf8(p.file),
                 fromUtf8(p.what)));
    saved_->setStyleSheet("color:#8a1c1c;font-weight:600");
    saveTimer_->start(kRetryMs);
    return false;
}

void MarkingWindow::closeEvent(QCloseEvent* event)
{
    while (!saveNow()) {
        const auto answer = QMessageBox::warning(
            this, windowTitle(), tr("The marks cannot be saved: %1").arg(saved_->text()),
            QMessageBox::Retry | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Retry);
        if (answer == QMessageBox::Cancel) {
            event->ignore();
            return;
        }
        if (answer == QMessageBox::Discard)
            break;
    }
    event->accept();
}

} // namespace qa::review::widgets
