#pragma once
// Alike answers of the question being marked, in a window of their own beside
// the marking window: the groups (answer_groups.h), each member's whole answer
// with its differences from the group's first highlighted, and one mark and
// comment for the members ticked, given once the instructor has seen them
// named.
#include <QDialog>
#include <functional>
#include <vector>

#include "review/marking/answer_groups.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTextEdit;

namespace qa::review {
class MarkingDesk;
}

namespace qa::review::widgets {

class AlikeView : public QDialog {
public:
    // `given` is told the students given a mark, after they are given it.
    AlikeView(MarkingDesk& desk, std::function<void(const std::vector<std::size_t>&)> given,
              QWidget* parent = nullptr);
    // The groups of the desk's question, found again when it is another one.
    void refresh();

private:
    void showGroup(int group);
    void showStudent(int row);
    void showAnswers(const AnswerGroup& group);
    void showMarks();
    void give();
    std::vector<std::size_t> ticked() const;

    MarkingDesk& desk_;
    std::function<void(const std::vector<std::size_t>&)> given_;
    std::vector<AnswerGroup> groups_;
    std::size_t sheet_ = 0, question_ = 0;
    bool found_ = false;
    std::vector<int> starts_; // where each member's answer starts in the text
    QLabel* title_ = nullptr;
    QListWidget* groupList_ = nullptr;
    QListWidget* members_ = nullptr;
    QTextEdit* answers_ = nullptr;
    QLineEdit* mark_ = nullptr;
    QLineEdit* comment_ = nullptr;
    QPushButton* give_ = nullptr;
};

} // namespace qa::review::widgets
