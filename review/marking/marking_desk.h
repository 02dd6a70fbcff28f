#pragma once
// The state of the marking window without the window: the marking, where the
// instructor is in it, the edits, and the marks file they are kept in. The
// window only lays this out and calls it.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "review/marking/actions.h"
#include "review/marking/comment_bank.h"
#include "review/marking/marking.h"

namespace qa::review {

// A mark as typed: "2", "1.5" or "1,5", blanks around; empty is no mark.
// Nullopt with `ok` false when it is not a mark.
std::optional<double> typedMark(std::string_view typed, bool& ok);

class MarkingDesk {
public:
    MarkingDesk(Marking marking, std::filesystem::path marksFile);

    const Marking& marking() const { return marking_; }
    const std::filesystem::path& marksFile() const { return marksFile_; }
    std::size_t sheet() const { return sheet_; }
    std::size_t student() const { return student_; }
    std::size_t question() const { return question_; }
    const Sheet& current() const { return marking_.sheets()[sheet_]; }
    bool empty() const { return marking_.sheets().empty() || current().students.empty(); }

    // Moves, within the assignment: false (and no move) past either end.
    void choose(std::size_t student, std::size_t question);
    void chooseSheet(std::size_t sheet);
    bool nextStudent(int step);
    bool nextQuestion(int step);

    // Edits of the answer chosen, and of its question's maximum. A comment
    // is kept (and saved) as it is typed, and offered again to the question's
    // other students once committed: when the instructor leaves it, moves
    // on, or gives it to the same answers.
    void setMark(std::optional<double> mark);
    void setComment(const std::string& comment);
    void commitComment();
    // The comments of this question to reuse, most used first: the committed
    // ones, not a comment half typed.
    std::vector<std::string> comments() const;
    void setMaximum(std::optional<double> maximum);
    // The other students of the assignment who handed in the same answer to
    // this question, in the sheet's order; none for an answer that is only
    // the question.
    std::vector<std::size_t> sameAnswer() const;
    // Gives these students' answers to this question one mark and comment
    // (alike answers, answer_groups.h), each as if marked on its own, and
    // offers the comment again; how many were given it.
    std::size_t giveTo(const std::vector<std::size_t>& students, std::optional<double> mark,
                       const std::string& comment);

    // Whether there are edits the marks file does not hold yet; `save`
    // writes it whole in one step, or gives the Problem that kept it from
    // being written (the edits then stay unsaved).
    bool unsaved() const { return saved_ != marking_.changes() || bankSaved_ != bankChanges_; }
    Result<void> save();

    // The comment bank, kept in `file` (written back with the marks, the
    // comments given added); without a file, there is no bank to keep.
    void keepBank(CommentBank bank, std::filesystem::path file);
    const std::filesystem::path& bankFile() const { return bankFile_; }
    // The chosen question's bank, most used first.
    std::vector<BankComment> bank() const;
    // The students whose answer to the chosen question carries `text`.
    Carriers carrying(const std::string& text) const;
    // The bank comment `before` of the chosen question made `after`
    // everywhere (editEverywhere); how many answers changed.
    std::size_t editBank(const BankComment& before, const BankComment& after);
    // An earlier bank's comments added; how many were new.
    std::size_t importBank(const CommentBank& earlier);
    // Gives the chosen answer a comment of the bank, and the comment's mark
    // (appliedMark) unless the answer carried it already.
    void reuseComment(const std::string& text);

    // A blind download's participants by the names in their files, or as
    // "Participant <id>" (Marking::showNames).
    bool blind() const { return marking_.blind(); }
    bool namesShown() const { return marking_.namesShown(); }
    void showNames(bool show) { marking_.showNames(show); }

    // The review's inputs, which the feedback pages and the filled worksheet
    // written from here keep out of, as the command line's do.
    void keepOutOf(AmongInputs among) { among_ = std::move(among); }
    const AmongInputs& amongInputs() const { return among_; }

private:
    Marking marking_;
    std::filesystem::path marksFile_;
    AmongInputs among_;
    // The chosen answer's comment as last committed.
    std::string committed() const;

    std::size_t sheet_ = 0, student_ = 0, question_ = 0;
    std::uint64_t saved_ = 0;
    std::string committed_;
    CommentBank bank_;
    std::filesystem::path bankFile_;
    std::uint64_t bankChanges_ = 0, bankSaved_ = 0;
};

// Where marking keeps its files: the marks file and the comment bank, each
// named by the instructor (then it must be there) or where it goes by default.
struct MarkingFiles {
    std::filesystem::path marks, bank;
    bool marksNamed = false, bankNamed = false;
};

// The desk over the review's sheets with the marks and the bank read from
// their files, neither among the inputs, and its outputs kept out of them:
// what the command line's --mark and the window's Mark Answers both open.
Result<std::unique_ptr<MarkingDesk>> openMarkingDesk(std::vector<Sheet> sheets, const MarkingFiles& files,
                                                     const AmongInputs& among);

} // namespace qa::review
