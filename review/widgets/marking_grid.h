#pragma once
// The marking window's grid: one assignment's students by its questions, in
// the report's colours, with the marks given and each student's total; each
// question's header carries the mean mark as a share of its maximum. Column
// 0 is the total; column q + 1 is question q.
#include <QAbstractTableModel>
#include <QHeaderView>
#include <QStyledItemDelegate>

#include "review/marking/marking_desk.h"

namespace qa::review::widgets {

class GridModel : public QAbstractTableModel {
public:
    explicit GridModel(const MarkingDesk& desk, QObject* parent = nullptr)
        : QAbstractTableModel(parent), desk_(desk)
    {
    }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // After an edit of one answer (or of a question's maximum, `student` -1).
    void answerChanged(int student, int question);
    // After another assignment was chosen.
    void reset();

private:
    QString cellText(int student, int question) const;
    QString describe(int student, int question) const;
    const MarkingDesk& desk_;
};

// The students' names down the grid's side, as wide as the widest of its
// longest names: the plain header measures the first and the last hundred
// names, each laid out in full, before the window can first be shown.
class NameHeader : public QHeaderView {
public:
    explicit NameHeader(QWidget* parent = nullptr) : QHeaderView(Qt::Vertical, parent)
    {
        // As the table view's own header.
        setSectionsClickable(true);
        setHighlightSections(true);
    }
    void reset() override;

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    mutable QSize size_; // not measured yet when invalid
};

// The grid's cells, each painted as its colour and its text: the styled
// delegate goes through the style for every cell of the first paint, a few
// hundred of them. The one with the keyboard focus is framed by the style.
class CellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// "2", "1.5": a mark as the window shows it.
QString markShown(double mark);

} // namespace qa::review::widgets
