#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "bank/question_bank.h"

namespace qa {

// A routine line: its first eight characters are "`routine", in any case.
bool isRoutineLine(std::string_view line);

// Fills the bank from index 1 on: gets the bank and the position to advance.
using BankLoader = std::function<void(QuestionBank&, long long&)>;

// The question bank and the position in it, with what the position stands
// for: the line last read, whether its item is finished, its question number,
// and the text the next click shows.
class BankCursor {
public:
    // What one step of the stepping found.
    struct Step {
        enum Kind { Show, Routine, End };
        Kind kind = Show;
        std::string line;    // the line read; empty when the bank ran out
        long long index = 0; // where it stands
    };

    // Fills the bank with `loader`, or with the built-in content when it is
    // empty. Raises 9 when the lines do not fit.
    void loadQuestionBank(const BankLoader& loader);

    // Moves onto the first line that starts with the assignment's header and
    // returns it. Raises 9 when the bank has none.
    std::string openAssignment(const std::string& assignmentNumber);
    // The same, for a caller that asks whether there is one: false, moving
    // nowhere, when the bank has none.
    bool findAssignment(const std::string& assignmentNumber);

    // Moves on to the next non-empty line and takes it as the current line
    // and the pending text. A routine line leaves the item unfinished. The
    // step ends at the end of the bank, at a line that begins with the next
    // assignment's number, and at the end marker.
    Step readNextQuestion(const std::string& nextAssignmentNumber);
    // What a step from entry `from` on would find, without moving.
    Step peek(const std::string& nextAssignmentNumber, long long from) const;

    // The entry `offset` past the position (9 outside the bank), and a move
    // of the position by `offset`.
    const std::string& ahead(long long offset) const { return questionBank_.at(bankIndex_ + offset); }
    void skip(long long offset) { bankIndex_ += offset; }

    // A recording answered the current item.
    void answered() { itemFinished_ = false; }
    // The pending text, which is then empty.
    std::string takePendingText() { return std::exchange(pendingText_, {}); }

    const QuestionBank& questionBank() const { return questionBank_; }
    long long bankIndex() const { return bankIndex_; }
    const std::string& currentLine() const { return currentLine_; }
    bool itemFinished() const { return itemFinished_; }
    const std::string& questionNumber() const { return questionNumber_; }
    const std::string& pendingText() const { return pendingText_; }

private:
    QuestionBank questionBank_;
    long long bankIndex_ = 0;
    std::string currentLine_;
    bool itemFinished_ = false;
    std::string questionNumber_;
    std::string pendingText_;
};

} // namespace qa
