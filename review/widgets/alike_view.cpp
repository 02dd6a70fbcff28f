#include "review/widgets/alike_view.h"

#include <QAbstractTextDocumentLayout>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStringListModel>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include "review/marking/marking_desk.h"
#include "review/widgets/marking_grid.h"
#include "review/widgets/widget_text.h"

namespace qa::review::widgets {
namespace {

QString groupText(const AnswerGroup& g)
{
    const auto n = int(g.members.size());
    if (g.identical())
        return AlikeView::tr("%1 answers, the same").arg(n);
    const auto same = int(std::count_if(g.members.begin(), g.members.end(), [](const auto& m) { return m.same; }));
    return AlikeView::tr("%1 answers: %2 the same, %3 near-identical").arg(n).arg(same).arg(n - same);
}

} // namespace

AlikeView::AlikeView(MarkingDesk& desk, std::function<void(const std::vector<std::size_t>&)> given,
                     QWidget* parent)
    : QDialog(parent), desk_(desk), given_(std::move(given))
{
    setWindowTitle(tr("Alike Answers"));
    auto* v = new QVBoxLayout(this);
    title_ = named(new QLabel, tr("Question and its groups"));
    title_->setTextFormat(Qt::PlainText);
    title_->setWordWrap(true);
    title_->setStyleSheet("font-weight:600");
    v->addWidget(title_);
    groupList_ = named(new QListWidget, tr("Groups of alike answers"));
    groupList_->setWordWrap(true);
    members_ = named(new QListWidget, tr("Students in the group, ticked to be given the mark"));
    answers_ = named(new QTextEdit, tr("The group's answers, where they differ from the first highlighted"));
    answers_->setReadOnly(true);
    auto* lists = new QWidget;
    auto* left = new QVBoxLayout(lists);
    left->setContentsMargins(0, 0, 0, 0);
    left->addWidget(labelFor(tr("Gro&ups:"), groupList_));
    left->addWidget(groupList_, 1);
    left->addWidget(labelFor(tr("&Students (ticked: given the mark):"), members_));
    left->addWidget(members_, 2);
    auto* right = new QWidget;
    auto* r = new QVBoxLayout(right);
    r->setContentsMargins(0, 0, 0, 0);
    r->addWidget(labelFor(tr("Their &answers (highlighted and underlined: not in the first answer):"), answers_));
    r->addWidget(answers_, 1);
    auto* split = new QSplitter;
    split->addWidget(lists);
    split->addWidget(right);
    split->setStretchFactor(1, 2);
    v->addWidget(split, 1);
    mark_ = named(new QLineEdit, tr("Mark to give"));
    comment_ = named(new QLineEdit, tr("Comment to give"));
    auto* completer = new QCompleter(new QStringListModel(this), this);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    comment_->setCompleter(completer);
    auto* form = new QFormLayout;
    form->addRow(labelFor(tr("&Mark:"), mark_), mark_);
    form->addRow(labelFor(tr("&Comment:"), comment_), comment_);
    v->addLayout(form);
    give_ = named(new QPushButton(tr("&Give the ticked answers this mark and comment...")),
                  tr("Give the ticked answers this mark and comment"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->addButton(give_, QDialogButtonBox::ActionRole);
    give_->setDefault(true); // Enter in the mark or the comment
    v->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(give_, &QPushButton::clicked, this, [this] { give(); });
    connect(groupList_, &QListWidget::currentRowChanged, this, [this](int row) { showGroup(row); });
    connect(members_, &QListWidget::itemChanged, this, [this] { give_->setEnabled(!ticked().empty()); });
    connect(members_, &QListWidget::currentRowChanged, this, [this](int row) { showStudent(row); });
    resize(1100, 700);
}

// A student chosen in the list: that answer in view.
void AlikeView::showStudent(int row)
{
    if (row < 0 || row >= int(starts_.size()))
        return;
    QTextCursor at(answers_->document());
    at.setPosition(starts_[std::size_t(row)]);
    answers_->setTextCursor(at);
    const QRectF block = answers_->document()->documentLayout()->blockBoundingRect(at.block());
    answers_->verticalScrollBar()->setValue(int(block.top()));
}

void AlikeView::refresh()
{
    if (desk_.empty() || desk_.current().questions.empty())
        return;
    // The question's comments offered as a few letters are typed, as in the
    // marking window.
    QStringList given;
    for (const std::string& c : desk_.comments())
        given << fromUtf8(c);
    static_cast<QStringListModel*>(comment_->completer()->model())->setStringList(given);
    if (found_ && sheet_ == desk_.sheet() && question_ == desk_.question()) {
        showMarks();
        return;
    }
    found_ = true;
    sheet_ = desk_.sheet();
    question_ = desk_.question();
    groups_ = answerGroups(desk_.current(), question_);
    title_->setText(groups_.empty() ? tr("No alike answers to question %1.").arg(question_ + 1)
                                    : tr("Question %1: %n group(s) of alike answers, the largest first.", nullptr,
                                         int(groups_.size()))
                                          .arg(question_ + 1));
    groupList_->clear();
    for (const AnswerGroup& g : groups_)
        groupList_->addItem(groupText(g));
    if (groups_.empty())
        showGroup(-1);
    else
        groupList_->setCurrentRow(0);
}

// The group's students, those with the first's answer ticked: a
// near-identical answer may differ by the very word that earns the mark, so
// the instructor ticks it having read it.
void AlikeView::showGroup(int group)
{
    members_->blockSignals(true);
    members_->clear();
    starts_.clear();
    answers_->clear();
    if (group >= 0 && group < int(groups_.size())) {
        for (const GroupMember& m : groups_[std::size_t(group)].members) {
            auto* item = new QListWidgetItem(members_);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(m.same ? Qt::Checked : Qt::Unchecked);
        }
        showAnswers(groups_[std::size_t(group)]);
    }
    members_->blockSignals(false);
    showMarks();
    give_->setEnabled(!ticked().empty());
}

// Each member's name, then the whole answer piece by piece: the pieces not in
// the first answer with a format of their own, never read as markup.
void AlikeView::showAnswers(const AnswerGroup& group)
{
    QTextCursor out(answers_->document());
    QTextCharFormat plain, heading, changed;
    heading.setFontWeight(QFont::Bold);
    changed.setBackground(QColor("#ffe08a"));
    changed.setFontUnderline(true);
    for (std::size_t k = 0; k < group.members.size(); ++k) {
        const GroupMember& m = group.members[k];
        if (k > 0)
            out.insertBlock();
        starts_.push_back(out.position());
        const QString name = fromUtf8(desk_.current().students[m.student].shown());
        out.insertText(k == 0   ? tr("%1 (the first answer)").arg(name)
                       : m.same ? tr("%1 (the same answer)").arg(name)
                                : tr("%1 (near-identical)").arg(name),
                       heading);
        out.insertBlock();
        for (const AnswerSpan& span : m.spans)
            out.insertText(fromUtf8(span.text), span.changed ? changed : plain);
        out.insertBlock();
    }
    answers_->moveCursor(QTextCursor::Start);
}

// Each student's name with the mark the answer has now.
void AlikeView::showMarks()
{
    const int group = groupList_->currentRow();
    if (group < 0 || group >= int(groups_.size()))
        return;
    const auto& members = groups_[std::size_t(group)].members;
    for (int row = 0; row < members_->count() && row < int(members.size()); ++row) {
        const std::size_t s = members[std::size_t(row)].student;
        const CellMark c = desk_.marking().at(sheet_, s, question_);
        QString text = fromUtf8(desk_.current().students[s].shown());
        if (!members[std::size_t(row)].same)
            text += tr(" (near-identical)");
        if (c.mark && c.mark->mark)
            text += tr(": marked %1").arg(markShown(*c.mark->mark));
        members_->item(row)->setText(text);
    }
}

std::vector<std::size_t> AlikeView::ticked() const
{
    std::vector<std::size_t> out;
    const int group = groupList_->currentRow();
    if (group < 0 || group >= int(groups_.size()))
        return out;
    const auto& members = groups_[std::size_t(group)].members;
    for (int row = 0; row < members_->count() && row < int(members.size()); ++row)
        if (members_->item(row)->checkState() == Qt::Checked)
            out.push_back(members[std::size_t(row)].student);
    return out;
}

// After the students ticked are named, and how many: the mark and comment,
// each answer's own afterwards.
void AlikeView::give()
{
    const std::vector<std::size_t> students = ticked();
    bool ok = true;
    const std::optional<double> mark = typedMark(mark_->text().toUtf8().toStdString(), ok);
    if (students.empty() || !ok || desk_.sheet() != sheet_ || desk_.question() != question_) {
        mark_->setStyleSheet(ok ? QString() : QStringLiteral("background:#f6d5d5"));
        return;
    }
    mark_->setStyleSheet({});
    QStringList names;
    for (std::size_t s : students)
        names << fromUtf8(desk_.current().students[s].shown());
    const QString what = mark ? tr("the mark %1").arg(markShown(*mark)) : tr("no mark");
    const QString comment =
        comment_->text().isEmpty() ? tr("no comment") : tr("the comment \u201c%1\u201d").arg(comment_->text());
    QMessageBox ask(QMessageBox::Question, windowTitle(),
                    tr("Give %1 and %2 to these %n student(s) for question %3?", nullptr, int(students.size()))
                            .arg(what, comment)
                            .arg(question_ + 1) +
                        "\n\n" + names.join(", "),
                    QMessageBox::Yes | QMessageBox::No, this);
    ask.setTextFormat(Qt::PlainText);
    if (ask.exec() != QMessageBox::Yes)
        return;
    desk_.giveTo(students, mark, comment_->text().toUtf8().toStdString());
    showMarks();
    if (given_)
        given_(students);
}

} // namespace qa::review::widgets
