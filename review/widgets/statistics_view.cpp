#include "review/widgets/statistics_view.h"

#include <algorithm>

#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

#include "review/marking/marking_desk.h"
#include "review/marking/statistics.h"
#include "review/widgets/widget_text.h"

namespace qa::review::widgets {
namespace {

// A figure in the reader's locale, trailing zeros dropped.
QString figure(double v, int decimals)
{
    const QLocale locale;
    QString s = locale.toString(v, 'f', decimals);
    if (decimals > 0 && s.contains(locale.decimalPoint())) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(locale.decimalPoint()))
            s.chop(locale.decimalPoint().size());
    }
    return s;
}

} // namespace

StatisticsView::StatisticsView(const MarkingDesk& desk, QWidget* parent) : QDialog(parent), desk_(desk)
{
    setWindowTitle(tr("Question Statistics"));
    auto* v = new QVBoxLayout(this);
    title_ = new QLabel;
    title_->setTextFormat(Qt::PlainText);
    title_->setStyleSheet("font-weight:600");
    v->addWidget(title_);
    table_ = new QTableWidget;
    table_->setAccessibleName(tr("Each question's statistics"));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->setVisible(false);
    const QStringList heads = {tr("Question"),
                               tr("Answered"),
                               tr("Blank"),
                               tr("Missing"),
                               tr("Marked"),
                               tr("Mean"),
                               tr("Facility"),
                               tr("SD"),
                               tr("Zeros"),
                               tr("Full marks"),
                               tr("Discrimination index"),
                               tr("Discriminative efficiency"),
                               tr("Review"),
                               tr("Comments")};
    table_->setColumnCount(int(heads.size()));
    table_->setHorizontalHeaderLabels(heads);
    table_->horizontalHeader()->setStretchLastSection(true);
    v->addWidget(table_, 1);
    auto* rules = new QLabel(fromUtf8(enoughRule() + " " + reviewRule()) +
                             tr(" Facility is the mean mark over the maximum; the discrimination index and the "
                                "discriminative efficiency are percentages."));
    rules->setTextFormat(Qt::PlainText);
    rules->setWordWrap(true);
    v->addWidget(rules);
    // As wide as the columns want, within the screen: the rules below the
    // table wrap at its edge rather than run off it.
    const QWidget* over = parent ? parent : this;
    resize(std::min(1400, over->screen()->availableGeometry().width() * 9 / 10), 360);
    refresh();
}

void StatisticsView::refresh()
{
    table_->setRowCount(0);
    if (desk_.marking().sheets().empty())
        return;
    title_->setText(tr("Assignment %1").arg(fromUtf8(desk_.current().assignment)));
    const auto stats = questionStatistics(desk_.marking(), desk_.sheet());
    table_->setRowCount(int(stats.size()));
    const auto number = [](double v, int decimals) { return figure(v, decimals).toStdString(); };
    for (const QuestionStatistics& q : stats) {
        const int row = int(q.question);
        const auto put = [&](int column, const QString& text) {
            auto* item = new QTableWidgetItem(text);
            if (column > 0 && column < 12)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(row, column, item);
        };
        const auto count = [](std::size_t n) { return QLocale().toString(qulonglong(n)); };
        const auto optional = [](const std::optional<double>& v, int decimals, const QString& unit = {}) {
            return v ? figure(*v, decimals) + unit : QStringLiteral("\u2013");
        };
        put(0, tr("Q%1").arg(q.question + 1));
        put(1, count(q.answered));
        put(2, count(q.blank));
        put(3, count(q.missing));
        put(4, count(q.marked));
        QString review;
        if (!q.enough) {
            review = tr("too few marked");
        } else {
            put(5, optional(q.mean, 2));
            put(6, optional(q.facility ? std::optional<double>(100 * *q.facility) : std::nullopt, 1,
                            QStringLiteral("%")));
            put(7, optional(q.sd, 2));
            put(8, count(q.zeros));
            put(9, q.maximum ? count(q.fullMarks) : QStringLiteral("\u2013"));
            put(10, optional(q.discriminationIndex, 1));
            put(11, optional(q.discriminativeEfficiency, 1));
            const auto reasons = reviewReasons(q, number);
            if (!reasons.empty()) {
                QStringList why;
                for (const std::string& r : reasons)
                    why << fromUtf8(r);
                review = tr("needs review: %1").arg(why.join(QStringLiteral("; ")));
            }
        }
        put(12, review);
        QStringList comments;
        for (const auto& [comment, n] : q.comments)
            comments << QStringLiteral("%1 \u00d7 %2").arg(count(n), fromUtf8(comment));
        put(13, comments.join(QStringLiteral("; ")));
    }
    table_->resizeColumnsToContents();
}

} // namespace qa::review::widgets
