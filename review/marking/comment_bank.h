#pragma once
// The comment bank: the comments of each question of an assignment, kept in
// a file of their own beside the marks and carried to the next assignment or
// the next term's class. A comment may carry a mark: "-1" or "+0.5" (signed)
// adjusts the answer's mark by that much, "2" (unsigned) sets it.
//
// An answer carries a bank comment when its comment is that text, or has it
// as one of its parts when several are joined with "; " ("Units missing;
// Show the working" carries both). A comment's uses are the answers of the
// question carrying it. The bank of a question is the file's comments for it
// and every comment (each part) given to it in the marks, most used first.
//
// The file: UTF-8 with a byte-order mark, CR LF rows, the columns
// Assignment, Question, Comment, Mark; read back comma or semicolon
// separated (the latter with a decimal comma), as the marks file is.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "review/model/result.h"

namespace qa::review {

class Marking;

struct BankComment {
    std::string assignment;
    std::uint32_t question = 0; // 1-based
    std::string text;           // UTF-8, as typed
    std::optional<double> mark; // none: the comment gives no mark
    bool adjusts = false;       // signed: the mark is added to the answer's
    std::size_t uses = 0;       // answers carrying it (in the bank of a question)
};

// The mark as the file and the window write it: "-1", "+0.5", "2"; empty
// for none. `decimal` is the decimal separator.
std::string bankMarkText(const BankComment& c, char decimal = '.');
// A mark as typed or read: blanks around; "+"/"-" first adjusts; empty is
// none. False when it is not one.
bool bankMarkOf(std::string_view typed, std::optional<double>& mark, bool& adjusts);

// The parts of a comment joined with "; ", blanks around each trimmed.
std::vector<std::string> commentParts(std::string_view comment);
bool carries(std::string_view comment, std::string_view text);
// The comment with the part `from` made `to` (removed when `to` is empty).
std::string replacedPart(std::string_view comment, std::string_view from, std::string_view to);

class CommentBank {
public:
    const std::vector<BankComment>& entries() const { return entries_; }
    // By assignment ("1" and "01" are one), question and text; null if none.
    const BankComment* find(std::string_view assignment, std::uint32_t question, std::string_view text) const;
    // Replaces the entry of the same assignment, question and text, or adds it.
    void put(BankComment c);
    void erase(std::string_view assignment, std::uint32_t question, std::string_view text);
    // Adds the other bank's entries this one does not have; how many.
    std::size_t merge(const CommentBank& other);

    std::string csv() const;
    // A Problem (`file`, "line N: why") when the bytes are not a bank.
    static Result<CommentBank> fromCsv(std::string_view bytes, const std::string& file);

private:
    friend CommentBank withGiven(const CommentBank& bank, const Marking& marking);
    std::vector<BankComment> entries_;
};

// The bank file, or an empty bank when there is none yet.
Result<CommentBank> readBankFile(const std::filesystem::path& path);
// comments-<name>.csv beside marks-<name>.csv (comments-<file name> beside
// a marks file named otherwise).
std::filesystem::path defaultBankPath(const std::filesystem::path& marksFile);

// The bank of a question of a sheet: its entries with every comment given
// there, with their uses, most used first (then as the file has them).
std::vector<BankComment> bankOf(const CommentBank& bank, const Marking& marking, std::size_t sheet,
                                std::size_t question);
// The bank with every comment given in the marks added (no mark): what the
// bank file holds, so that nothing typed is missing from it.
CommentBank withGiven(const CommentBank& bank, const Marking& marking);

// The mark an answer gets when a comment is applied to it: the mark it
// sets, or the current mark (the question's maximum when there is none yet)
// adjusted, kept between 0 and the maximum. None: the mark stays (no mark
// in the comment, or nothing to adjust from).
std::optional<double> appliedMark(const BankComment& c, std::optional<double> current,
                                  std::optional<double> maximum);

// The students of the sheet whose answer to the question carries `text`,
// in the sheet's order, and their names as the window shows them.
struct Carriers {
    std::vector<std::size_t> students;
    std::vector<std::string> names;
};
Carriers carriersOf(const Marking& marking, std::size_t sheet, std::size_t question, std::string_view text);

// An edit of a bank comment (text, mark or both) applied everywhere: every
// answer carrying `before` has that part made `after`'s text, and its mark
// re-marked: set to `after`'s when it sets; moved by the difference when
// both adjust (other changes by hand are kept); adjusted by `after`'s when
// only it adjusts; left when `after` has no mark. The bank's entry is
// replaced. The answers changed.
std::size_t editEverywhere(Marking& marking, CommentBank& bank, std::size_t sheet, std::size_t question,
                           const BankComment& before, const BankComment& after);

} // namespace qa::review
