#pragma once
// The marking window's grid: one assignment's students by its questions, in
// the report's colours, with the marks given and each student's total; each
// question's header carries the mean mark as a share of its maximum. Column
// 0 is the total; column q + 1 is question q.
#include <QAbstractTableModel>

#include "review/marking_desk.h"

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

// "2", "1.5": a mark as the window shows it.
QString markShown(double mark);

} // namespace qa::review::widgets
