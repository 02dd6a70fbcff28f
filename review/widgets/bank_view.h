#pragma once
// The comment bank of the question being marked, in a window of its own
// beside the marking window: each comment with its mark and how many answers
// carry it, most used first. A comment's text or mark edited here changes
// every answer carrying it, once the instructor has been told how many and
// whose; an earlier bank can be brought in from its file.
#include <QDialog>
#include <functional>
#include <vector>

#include "review/marking/comment_bank.h"

class QLabel;
class QTableWidget;

namespace qa::review {
class MarkingDesk;
}

namespace qa::review::widgets {

class BankView : public QDialog {
public:
    // `changed` is told the students whose answers an edit changed.
    BankView(MarkingDesk& desk, std::function<void(const std::vector<std::size_t>&)> changed,
             QWidget* parent = nullptr);
    // The bank of the desk's question as it stands now.
    void refresh();
    QTableWidget* table() const { return table_; }
    // Asks for a bank file and adds its comments to the bank.
    void importFile();

private:
    // The row's comment or mark edited: asks, then applies it everywhere.
    void edited(int row);

    MarkingDesk& desk_;
    std::function<void(const std::vector<std::size_t>&)> changed_;
    QLabel* title_ = nullptr;
    QTableWidget* table_ = nullptr;
    std::vector<BankComment> shown_;
};

} // namespace qa::review::widgets
