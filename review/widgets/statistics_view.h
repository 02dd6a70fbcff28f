#pragma once
// Each question's statistics of the assignment being marked, in a window of
// their own beside the marking window: the figures the report and the
// workbook give, in the reader's locale, brought up to date as marks change.
#include <QDialog>

class QLabel;
class QTableWidget;

namespace qa::review {
class MarkingDesk;
}

namespace qa::review::widgets {

class StatisticsView : public QDialog {
public:
    explicit StatisticsView(const MarkingDesk& desk, QWidget* parent = nullptr);
    // The figures of the desk's assignment as its marks stand now.
    void refresh();
    QTableWidget* table() const { return table_; }

private:
    const MarkingDesk& desk_;
    QLabel* title_ = nullptr;
    QTableWidget* table_ = nullptr;
};

} // namespace qa::review::widgets
