#include "review/widgets/marking_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QStringListModel>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <utility>
#include <vector>

#include "review/cli/cli.h"
#include "review/widgets/alike_view.h"
#include "review/widgets/bank_view.h"
#include "review/widgets/marking_grid.h"
#include "review/widgets/statistics_view.h"
#include "review/widgets/widget_text.h"

namespace qa::review::widgets {
namespace {

// A label of wrapped plain text whose size hints do not lay the text out.
// The plain label lays out its whole text five times for them (at its full
// width, at a word's, at its preferred widths), and the answer pane's layout
// asks the height for the width it gives anyway.
class WrappedLabel : public QLabel {
public:
    explicit WrappedLabel(const QString& text = {}) : QLabel(text)
    {
        setTextFormat(Qt::PlainText);
        setWordWrap(true);
    }
    QSize sizeHint() const override { return around(40); }
    QSize minimumSizeHint() const override { return around(8); }
    // The layouts ask the same widths over and over while they settle; the
    // plain label lays the text out each time.
    int heightForWidth(int width) const override
    {
        if (text() != shown_ || font() != shownIn_ || contentsMargins() != margins_) {
            heights_.clear();
            shown_ = text();
            shownIn_ = font();
            margins_ = contentsMargins();
        }
        for (const auto& [w, h] : heights_)
            if (w == width)
                return h;
        const int h = QLabel::heightForWidth(width);
        heights_.emplace_back(width, h);
        return h;
    }

private:
    mutable QString shown_;
    mutable QFont shownIn_;
    mutable QMargins margins_;
    mutable std::vector<std::pair<int, int>> heights_; // width, height for `shown_`

    // A line of about this many characters.
    QSize around(int characters) const
    {
        const QMargins m = contentsMargins();
        return {fontMetrics().averageCharWidth() * characters + m.left() + m.right() + 2 * margin(),
                fontMetrics().lineSpacing() + m.top() + m.bottom() + 2 * margin()};
    }
};

} // namespace

MarkingWindow::MarkingWindow(MarkingDesk& desk, QWidget* parent)
    : QMainWindow(parent), desk_(desk), model_(std::make_unique<GridModel>(desk))
{
    setWindowTitle(tr("Marking - %1").arg(QString::fromStdWString(desk.marksFile().filename().wstring())));
    auto* split = new QSplitter;
    split->addWidget(makeGrid());
    split->addWidget(makeAnswerPane());
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    setCentralWidget(split);
    saved_ = new QLabel;
    statusBar()->addPermanentWidget(saved_);
    statusBar()->showMessage(tr("Ctrl+Down / Ctrl+Up: next / previous student.  Alt+Right / Alt+Left: next / "
                                "previous question.  Enter in the mark or comment: next student."));
    saveTimer_ = new QTimer(this);
    saveTimer_->setSingleShot(true);
    connect(saveTimer_, &QTimer::timeout, this, [this] { saveNow(); });
    makeShortcuts();
    resize(1200, 760);
    showChosen();
}

MarkingWindow::~MarkingWindow() = default;

QWidget* MarkingWindow::makeGrid()
{
    auto* box = new QWidget;
    auto* v = new QVBoxLayout(box);
    assignment_ = named(new QComboBox, tr("Assignment"));
    for (const Sheet& sh : desk_.marking().sheets())
        assignment_->addItem(tr("Assignment %1").arg(fromUtf8(sh.assignment)));
    auto* top = new QHBoxLayout;
    top->addWidget(labelFor(tr("&Assignment:"), assignment_));
    top->addWidget(assignment_, 1);
    // A blind download's participants by the names in their files: here and
    // in what is written from here.
    if (desk_.blind()) {
        auto* names = named(new QCheckBox(tr("Show &names")), tr("Show the names in the students' files"));
        names->setChecked(desk_.namesShown());
        top->addWidget(names);
        connect(names, &QCheckBox::toggled, this, [this](bool on) {
            desk_.showNames(on);
            model_->reset();
            grid_->setColumnWidth(0, 96);
            showChosen();
        });
    }
    v->addLayout(top);
    grid_ = named(new QTableView, tr("Grid of students and questions"));
    grid_->setVerticalHeader(new NameHeader(grid_));
    grid_->setModel(model_.get());
    grid_->setItemDelegate(new CellDelegate(grid_));
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->horizontalHeader()->setDefaultSectionSize(44);
    grid_->verticalHeader()->setDefaultSectionSize(24);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->setColumnWidth(0, 96); // after the default size, which would undo it
    v->addWidget(labelFor(tr("&Grid (bold: marked; a star: marked an earlier version; \u2013: missing)"), grid_));
    v->addWidget(grid_, 1);
    connect(assignment_, &QComboBox::currentIndexChanged, this, [this](int i) {
        desk_.chooseSheet(std::size_t(i));
        model_->reset();
        grid_->setColumnWidth(0, 96);
        showChosen();
        if (statistics_)
            statistics_->refresh();
    });
    connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& at) {
        if (showing_ || !at.isValid() || at.column() == 0)
            return;
        desk_.choose(std::size_t(at.row()), std::size_t(at.column() - 1));
        showChosen();
    });
    return box;
}

QWidget* MarkingWindow::makeAnswerPane()
{
    auto* pane = new QWidget;
    auto* v = new QVBoxLayout(pane);
    auto* actions = new QHBoxLayout;
    auto* feedback = named(new QPushButton(tr("Write &Feedback Pages...")), tr("Write feedback pages"));
    auto* worksheet = named(new QPushButton(tr("Fill a Grading &Worksheet...")), tr("Fill a grading worksheet"));
    actions->addWidget(feedback);
    actions->addWidget(worksheet);
    auto* statistics = named(new QPushButton(tr("Question S&tatistics...")), tr("Question statistics"));
    actions->addWidget(statistics);
    auto* bank = named(new QPushButton(tr("Comment &Bank...")), tr("Comment bank"));
    actions->addWidget(bank);
    actions->addStretch(1);
    v->addLayout(actions);
    connect(statistics, &QPushButton::clicked, this, [this] { showStatistics(); });
    connect(bank, &QPushButton::clicked, this, [this] { showBank(); });
    connect(feedback, &QPushButton::clicked, this, [this] { writeFeedbackPages(); });
    connect(worksheet, &QPushButton::clicked, this, [this] { fillWorksheet(); });
    where_ = named(new QLabel, tr("Student and question"));
    where_->setTextFormat(Qt::PlainText);
    where_->setStyleSheet("font-weight:600;font-size:15px");
    question_ = named(new WrappedLabel, tr("Question"));
    question_->setStyleSheet("background:#f3f6fb;border-left:4px solid #1f4e8c;padding:6px");
    answer_ = named(new QPlainTextEdit, tr("Answer"));
    answer_->setReadOnly(true);
    earlierToggle_ = named(new QToolButton, tr("Earlier versions"));
    earlierToggle_->setCheckable(true);
    earlier_ = named(new QPlainTextEdit, tr("Earlier versions of the answer"));
    earlier_->setReadOnly(true);
    earlier_->setVisible(false);
    connect(earlierToggle_, &QToolButton::toggled, earlier_, &QWidget::setVisible);
    earlierMark_ =
        new WrappedLabel(tr("This mark was given to an earlier version: the student handed in a later one. "
                            "Type the mark again to mark the final answer."));
    earlierMark_->setStyleSheet("color:#8a1c1c;font-weight:600");
    earlierMark_->setVisible(false); // until an answer marked earlier is chosen
    v->addWidget(where_);
    v->addWidget(question_);
    v->addWidget(labelFor(tr("A&nswer:"), answer_));
    v->addWidget(answer_, 2);
    v->addWidget(earlierToggle_);
    v->addWidget(earlier_, 1);
    v->addWidget(earlierMark_);
    makeMarkFields(v);
    return pane;
}

// The mark, the maximum, the comment and the comments to reuse, the same
// answer, the totals.
void MarkingWindow::makeMarkFields(QVBoxLayout* v)
{
    auto* form = new QFormLayout;
    mark_ = named(new QLineEdit, tr("Mark"));
    maximum_ = named(new QLineEdit, tr("Maximum mark of this question"));
    comment_ = named(new QLineEdit, tr("Comment"));
    auto* marks = new QHBoxLayout;
    marks->addWidget(mark_);
    marks->addWidget(labelFor(tr("of (ma&ximum)"), maximum_));
    marks->addWidget(maximum_);
    form->addRow(labelFor(tr("&Mark:"), mark_), marks);
    form->addRow(labelFor(tr("&Comment:"), comment_), comment_);
    v->addLayout(form);
    comments_ = named(new QListWidget, tr("Comments given to this question"));
    comments_->setMaximumHeight(120);
    v->addWidget(labelFor(tr("Comments given to this question, to &reuse (Enter or a click):"), comments_));
    v->addWidget(comments_);
    auto* completer = new QCompleter(new QStringListModel(this), this);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    comment_->setCompleter(completer);
    same_ = named(new WrappedLabel, tr("Students with the same answer"));
    alikeButton_ = named(new QPushButton(tr("Alike Answer&s...")), tr("Alike answers to mark together"));
    v->addWidget(same_);
    auto* alike = new QHBoxLayout;
    alike->addWidget(alikeButton_);
    alike->addStretch(1);
    v->addLayout(alike);
    totals_ = named(new WrappedLabel, tr("Totals"));
    v->addWidget(totals_);

    connect(mark_, &QLineEdit::textEdited, this, [this] { markEdited(); });
    connect(mark_, &QLineEdit::returnPressed, this, [this] { move(1, 0); });
    connect(maximum_, &QLineEdit::textEdited, this, [this] { maximumEdited(); });
    connect(comment_, &QLineEdit::textChanged, this, [this] { commentEdited(); });
    connect(comment_, &QLineEdit::returnPressed, this, [this] { move(1, 0); });
    // Left, or Enter: the comment is finished and offered to the others.
    connect(comment_, &QLineEdit::editingFinished, this, [this] { commentCommitted(); });
    connect(comments_, &QListWidget::itemActivated, this, [this] { reuseComment(); });
    connect(comments_, &QListWidget::itemClicked, this, [this] { reuseComment(); });
    connect(alikeButton_, &QPushButton::clicked, this, [this] { showAlike(); });
}

void MarkingWindow::showStatistics()
{
    if (!statistics_)
        statistics_ = new StatisticsView(desk_, this);
    statistics_->refresh();
    statistics_->show();
    statistics_->raise();
    statistics_->activateWindow();
}

void MarkingWindow::showAlike()
{
    if (!alike_)
        alike_ = new AlikeView(
            desk_, [this](const std::vector<std::size_t>& given) { alikeGiven(given); }, this);
    alike_->refresh();
    alike_->show();
    alike_->raise();
    alike_->activateWindow();
}

void MarkingWindow::showBank()
{
    if (!bank_)
        bank_ = new BankView(
            desk_, [this](const std::vector<std::size_t>& students) { bankEdited(students); }, this);
    bank_->refresh();
    bank_->show();
    bank_->raise();
    bank_->activateWindow();
}

void MarkingWindow::makeShortcuts()
{
    const struct {
        const char* keys;
        int students, questions;
    } moves[] = {{"Ctrl+Down", 1, 0},
                 {"Ctrl+Up", -1, 0},
                 {"Alt+Right", 0, 1},
                 {"Alt+Left", 0, -1},
                 // Text fields keep Ctrl+Right and Ctrl+Left for moving by words.
                 {"Ctrl+Right", 0, 1},
                 {"Ctrl+Left", 0, -1}};
    for (const auto& m : moves) {
        auto* s = new QShortcut(QKeySequence(QString::fromLatin1(m.keys)), this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, [this, m] { move(m.students, m.questions); });
    }
}

} // namespace qa::review::widgets
