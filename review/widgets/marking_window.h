#pragma once
// The marking window: the grid of one assignment (students by questions, in
// the report's colours, with the marks), and for the chosen answer the
// question, the answer, a mark, the question's maximum and a comment. Every
// change is in the marks file within a second.
#include <QMainWindow>
#include <memory>

#include "review/cli/cli.h"
#include "review/marking/marking_desk.h"
#include "review/review.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QTimer;
class QToolButton;
class QVBoxLayout;

namespace qa::review::widgets {

class AlikeView;
class BankView;
class GridModel;
class StatisticsView;

class MarkingWindow : public QMainWindow {
public:
    explicit MarkingWindow(MarkingDesk& desk, QWidget* parent = nullptr);
    ~MarkingWindow() override;

    // Saves what is not saved yet; false (with a message) when it cannot.
    bool saveNow();
    // The feedback pages and ZIP into a folder the instructor chooses, and
    // the platform's grading worksheet filled in beside itself.
    void writeFeedbackPages();
    void fillWorksheet();
    // Each question's statistics, in a window of their own kept up to date.
    void showStatistics();
    // The alike answers of the question, to mark a group of them at once.
    void showAlike();
    // The comment bank of the question, in a window of its own.
    void showBank();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* makeGrid();
    QWidget* makeAnswerPane();
    void makeMarkFields(QVBoxLayout* v);
    void makeShortcuts();
    // Shows the desk's chosen answer in the pane and the grid.
    void showChosen();
    // The question's comments to reuse, as committed.
    void showComments();
    void showSame();
    void showTotals();
    void move(int students, int questions);
    void markEdited();
    void maximumEdited();
    void commentEdited();
    void commentCommitted();
    void reuseComment();
    // After a mark was given to alike answers.
    void alikeGiven(const std::vector<std::size_t>& students);
    // After an edit of the student's answer (-1: of the question's maximum).
    void changed(int student);
    // After a bank comment was edited in the answers of `students`.
    void bankEdited(const std::vector<std::size_t>& students);

    MarkingDesk& desk_;
    std::unique_ptr<GridModel> model_;
    QComboBox* assignment_ = nullptr;
    QTableView* grid_ = nullptr;
    QLabel* where_ = nullptr;
    QLabel* question_ = nullptr;
    QPlainTextEdit* answer_ = nullptr;
    QToolButton* earlierToggle_ = nullptr;
    QPlainTextEdit* earlier_ = nullptr;
    QLabel* earlierMark_ = nullptr;
    QLineEdit* mark_ = nullptr;
    QLineEdit* maximum_ = nullptr;
    QLineEdit* comment_ = nullptr;
    QListWidget* comments_ = nullptr;
    QLabel* same_ = nullptr;
    QPushButton* alikeButton_ = nullptr;
    QLabel* totals_ = nullptr;
    QLabel* saved_ = nullptr;
    QTimer* saveTimer_ = nullptr;
    StatisticsView* statistics_ = nullptr;
    AlikeView* alike_ = nullptr;
    BankView* bank_ = nullptr;
    bool showing_ = false;
};

// The feedback pages and ZIP into a folder the instructor chooses (offered
// in `beside`), and the platform's grading worksheet of one sheet filled in
// beside itself: the same calls as --feedback and --worksheet, refused among
// the inputs as they are, with the outcome (and what the platform's import
// will do with each row) in a box over `parent`.
void writeFeedbackFor(QWidget* parent, const Marking& marking, const std::filesystem::path& beside,
                      const AmongInputs& among);
void fillWorksheetFor(QWidget* parent, const Marking& marking, std::size_t sheet,
                      const std::filesystem::path& beside, const AmongInputs& among);
// The review's input folder and the files read from it, for outputs to keep out of.
AmongInputs amongInputsOf(const Review& review, const QString& inputFolder);
// The marks file of a review of `inputFolder` whose report is `report`.
std::filesystem::path marksFileOf(const QString& inputFolder, const QString& report);

// The marking window over what the desk read from `inputFolder`, with the
// marks file beside `report`; runs until it is closed. The exit status: 0, 2
// when the marks file cannot be read, 3 when the marks cannot be saved.
int markAnswers(const Review& review, const QString& inputFolder, const QString& report);

} // namespace qa::review::widgets
