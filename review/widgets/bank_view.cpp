#include "review/widgets/bank_view.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/utf8.h"
#include "review/marking/marking_desk.h"
#include "review/widgets/desk_dialogs.h"
#include "review/widgets/widget_text.h"

namespace qa::review::widgets {
namespace {

enum Column { kComment, kMark, kUses };

// The mark as the reader writes numbers: "+0,5" in German.
QString markOf(const BankComment& c)
{
    const QString point = QLocale().decimalPoint();
    return fromUtf8(bankMarkText(c, point.size() == 1 ? char(point.at(0).toLatin1()) : '.'));
}

} // namespace

BankView::BankView(MarkingDesk& desk, std::function<void(const std::vector<std::size_t>&)> changed,
                   QWidget* parent)
    : QDialog(parent), desk_(desk), changed_(std::move(changed))
{
    setWindowTitle(tr("Comment Bank"));
    auto* v = new QVBoxLayout(this);
    title_ = new QLabel;
    title_->setTextFormat(Qt::PlainText);
    title_->setStyleSheet("font-weight:600");
    v->addWidget(title_);
    table_ = new QTableWidget(0, 3);
    table_->setAccessibleName(tr("The comments of this question"));
    table_->setHorizontalHeaderLabels({tr("Comment"), tr("Mark"), tr("Uses")});
    table_->verticalHeader()->setVisible(false);
    table_->horizontalHeader()->setSectionResizeMode(kComment, QHeaderView::Stretch);
    v->addWidget(table_, 1);
    auto* note = new QLabel(tr("Double-click a comment or its mark to edit it in every answer that carries it. "
                               "A mark of 2 sets the mark; -1 or +0.5 adjusts it."));
    note->setWordWrap(true);
    v->addWidget(note);
    auto* buttons = new QHBoxLayout;
    auto* import = new QPushButton(tr("&Import from a File..."));
    import->setAccessibleName(tr("Import comments from an earlier bank"));
    auto* close = new QPushButton(tr("Close"));
    buttons->addWidget(import);
    buttons->addStretch(1);
    buttons->addWidget(close);
    v->addLayout(buttons);
    connect(import, &QPushButton::clicked, this, [this] { importFile(); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    // Once the edit is over: the item edited is replaced when the bank is
    // shown again.
    connect(
        table_, &QTableWidget::cellChanged, this, [this](int row, int) { edited(row); }, Qt::QueuedConnection);
    resize(620, 400);
}

void BankView::refresh()
{
    const QSignalBlocker quiet(table_);
    shown_ = desk_.bank();
    title_->setText(desk_.empty() || desk_.current().questions.empty()
                        ? tr("Nothing to mark in this assignment.")
                        : tr("Assignment %1, question %2")
                              .arg(fromUtf8(desk_.current().assignment))
                              .arg(desk_.question() + 1));
    table_->setRowCount(int(shown_.size()));
    for (int r = 0; r < int(shown_.size()); ++r) {
        const BankComment& c = shown_[std::size_t(r)];
        table_->setItem(r, kComment, new QTableWidgetItem(fromUtf8(c.text)));
        table_->setItem(r, kMark, new QTableWidgetItem(markOf(c)));
        auto* uses = new QTableWidgetItem(QLocale().toString(qulonglong(c.uses)));
        uses->setFlags(uses->flags() & ~Qt::ItemIsEditable);
        uses->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table_->setItem(r, kUses, uses);
    }
}

void BankView::edited(int row)
{
    if (row < 0 || std::size_t(row) >= shown_.size())
        return;
    const BankComment before = shown_[std::size_t(row)];
    BankComment after = before;
    after.text = toUtf8(table_->item(row, kComment)->text().trimmed());
    const QString typed = table_->item(row, kMark)->text();
    if (!bankMarkOf(toUtf8(typed), after.mark, after.adjusts)) {
        QMessageBox::warning(this, windowTitle(),
                             tr("\"%1\" is not a mark: type 2 to set the mark, -1 or +0.5 to adjust it, or "
                                "nothing.")
                                 .arg(typed));
        refresh();
        return;
    }
    if (after.text == before.text && after.mark == before.mark && after.adjusts == before.adjusts)
        return;
    const Carriers who = desk_.carrying(before.text);
    QStringList names;
    for (const std::string& n : who.names)
        names << fromUtf8(n);
    if (!who.students.empty() &&
        QMessageBox::question(
            this, windowTitle(),
            tr("Change the comment \"%1\" (mark %2) to \"%3\" (mark %4) in %5, of: %6?")
                .arg(fromUtf8(before.text), markOf(before).isEmpty() ? tr("none") : markOf(before),
                     fromUtf8(after.text), markOf(after).isEmpty() ? tr("none") : markOf(after),
                     who.students.size() == 1 ? tr("1 answer") : tr("%1 answers").arg(who.students.size()),
                     names.join(", "))) != QMessageBox::Yes) {
        refresh();
        return;
    }
    desk_.editBank(before, after);
    refresh();
    if (changed_)
        changed_(who.students);
}

void BankView::importFile()
{
    const QString file =
        QFileDialog::getOpenFileName(this, tr("An earlier comment bank"), {}, tr("Comment banks (*.csv)"));
    if (file.isEmpty())
        return;
    const Result<CommentBank> read = readBankFile(text::pathFromUtf8(toUtf8(file)));
    if (!read) {
        QMessageBox::critical(this, windowTitle(), problemText(read.problem()));
        return;
    }
    const std::size_t added = desk_.importBank(*read);
    refresh();
    if (changed_)
        changed_({});
    QMessageBox::information(
        this, windowTitle(),
        tr("%n comment(s) added from %1.", nullptr, int(added)).arg(QDir::toNativeSeparators(file)));
}

} // namespace qa::review::widgets
