#include "review/widgets/marking_grid.h"
#include "review/widgets/widget_text.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <vector>

namespace qa::review::widgets {
namespace {

// The report's colours: answered, only empty responses, missing.
const QColor kOk("#d8f0dc"), kOkText("#145a24"), kEmpty("#fbe9c0"), kEmptyText("#7a5200"), kMiss("#f6d5d5"),
    kMissText("#8a1c1c"), kMarked("#b7e1c0"), kTotal("#eef1f5");

} // namespace

QString markShown(double mark)
{
    return fromUtf8(markText(mark));
}

int GridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || desk_.empty() ? 0 : int(desk_.current().students.size());
}

int GridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || desk_.empty() ? 0 : int(desk_.current().questions.size()) + 1;
}

QString GridModel::cellText(int student, int question) const
{
    const CellMark c = desk_.marking().at(desk_.sheet(), std::size_t(student), std::size_t(question));
    if (c.mark && c.mark->mark)
        return markShown(*c.mark->mark) + (c.earlier ? QStringLiteral(" *") : QString());
    if (c.mark)
        return QStringLiteral("\u2026"); // a comment only
    const SheetCell& cell = desk_.current().cell(std::size_t(student), std::size_t(question));
    return cell.answered ? QString() : cell.empty ? tr("empty") : QStringLiteral("\u2013");
}

QString GridModel::describe(int student, int question) const
{
    const Sheet& sh = desk_.current();
    const SheetCell& cell = sh.cell(std::size_t(student), std::size_t(question));
    QString s = tr("%1, question %2: %3")
                    .arg(fromUtf8(sh.students[std::size_t(student)].shown()))
                    .arg(question + 1)
                    .arg(cell.answered ? tr("answered")
                         : cell.empty  ? tr("only empty responses")
                                       : tr("missing"));
    const CellMark c = desk_.marking().at(desk_.sheet(), std::size_t(student), std::size_t(question));
    if (c.mark && c.mark->mark) {
        s += tr(", marked %1").arg(markShown(*c.mark->mark));
        if (const auto max = desk_.marking().maximum(desk_.sheet(), std::size_t(question)))
            s += tr(" of %1").arg(markShown(*max));
    }
    if (c.earlier)
        s += tr(" (marked an earlier version)");
    return s;
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int s = index.row(), q = index.column() - 1;
    // The view asks for a dozen roles a cell: each is worked out only when asked.
    if (q < 0) {
        if (role == Qt::BackgroundRole)
            return QBrush(kTotal);
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::AccessibleTextRole)
            return {};
        const double max = desk_.marking().totalMaximum(desk_.sheet());
        const QString t =
            markShown(desk_.marking().total(desk_.sheet(), std::size_t(s))) +
            (desk_.marking().maximaKnown(desk_.sheet(), std::size_t(s)) ? tr(" of %1").arg(markShown(max))
                                                                        : QString());
        return role == Qt::DisplayRole ? t : tr("Total: %1").arg(t);
    }
    const SheetCell& cell = desk_.current().cell(std::size_t(s), std::size_t(q));
    switch (role) {
    case Qt::DisplayRole: return cellText(s, q);
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole: return describe(s, q);
    case Qt::TextAlignmentRole: return int(Qt::AlignCenter);
    case Qt::BackgroundRole: {
        const CellMark c = desk_.marking().at(desk_.sheet(), std::size_t(s), std::size_t(q));
        if (c.mark && c.mark->mark && !c.earlier)
            return QBrush(kMarked);
        return QBrush(cell.answered ? kOk : cell.empty ? kEmpty : kMiss);
    }
    case Qt::ForegroundRole: return QBrush(cell.answered ? kOkText : cell.empty ? kEmptyText : kMissText);
    case Qt::FontRole: {
        // The view's own font for the others: a font of each cell's own
        // would be resolved and measured cell by cell.
        const CellMark c = desk_.marking().at(desk_.sheet(), std::size_t(s), std::size_t(q));
        if (!c.mark || !c.mark->mark)
            return {};
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    default: return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (desk_.empty())
        return {};
    const Sheet& sh = desk_.current();
    if (orientation == Qt::Vertical) {
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return fromUtf8(sh.students[std::size_t(section)].shown());
        return {};
    }
    if (section == 0)
        return role == Qt::DisplayRole ? QVariant(tr("Total")) : QVariant();
    const int q = section - 1;
    if (role == Qt::ToolTipRole)
        return fromUtf8(sh.questions[std::size_t(q)]);
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    const auto share = desk_.marking().share(desk_.sheet(), std::size_t(q));
    return share ? tr("Q%1\n%2 %").arg(q + 1).arg(qRound(*share * 100)) : tr("Q%1\n").arg(q + 1);
}

void NameHeader::reset()
{
    size_ = {};
    QHeaderView::reset();
}

QSize NameHeader::sectionSizeFromContents(int logicalIndex) const
{
    if (size_.isValid() || !model())
        return size_.isValid() ? size_ : QHeaderView::sectionSizeFromContents(logicalIndex);
    // The longest names by their characters: one of them is the widest but
    // for a name of wide letters a few characters shorter.
    constexpr int kMeasured = 8;
    std::vector<std::pair<qsizetype, int>> longest;
    for (int i = 0; i < count(); ++i) {
        longest.emplace_back(model()->headerData(i, orientation(), Qt::DisplayRole).toString().size(), i);
        if (longest.size() > kMeasured) {
            std::sort(longest.begin(), longest.end(), std::greater<>());
            longest.pop_back();
        }
    }
    QSize size(0, 0);
    for (const auto& [length, i] : longest)
        size = size.expandedTo(QHeaderView::sectionSizeFromContents(i));
    size_ = size;
    return size_;
}

void CellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : option.state & QStyle::State_Active   ? QPalette::Normal
                                                                               : QPalette::Inactive;
    const QVariant background = index.data(Qt::BackgroundRole);
    if (selected)
        painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
    else if (background.canConvert<QBrush>())
        painter->fillRect(option.rect, background.value<QBrush>());
    const QString text = index.data(Qt::DisplayRole).toString();
    if (!text.isEmpty()) {
        const QVariant foreground = index.data(Qt::ForegroundRole);
        painter->save();
        painter->setPen(selected                          ? option.palette.color(group, QPalette::HighlightedText)
                        : foreground.canConvert<QBrush>() ? foreground.value<QBrush>().color()
                                                          : option.palette.color(group, QPalette::Text));
        const QVariant font = index.data(Qt::FontRole);
        painter->setFont(font.canConvert<QFont>() ? font.value<QFont>().resolve(option.font) : option.font);
        const QVariant align = index.data(Qt::TextAlignmentRole);
        const int flags = align.isValid() ? align.toInt() : int(Qt::AlignLeft | Qt::AlignVCenter);
        const QRect room = option.rect.adjusted(3, 0, -3, 0);
        painter->drawText(room, flags | Qt::TextSingleLine,
                          painter->fontMetrics().elidedText(text, Qt::ElideRight, room.width()));
        painter->restore();
    }
    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.backgroundColor = option.palette.color(group, selected ? QPalette::Highlight : QPalette::Window);
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : nullptr;
        if (style)
            style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
}

void GridModel::answerChanged(int student, int question)
{
    if (student >= 0) {
        emit dataChanged(index(student, question + 1), index(student, question + 1));
        emit dataChanged(index(student, 0), index(student, 0));
    } else {
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0));
    }
    emit headerDataChanged(Qt::Horizontal, question + 1, question + 1);
}

void GridModel::reset()
{
    beginResetModel();
    endResetModel();
}

} // namespace qa::review::widgets
