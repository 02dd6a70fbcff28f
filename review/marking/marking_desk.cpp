// Moving through the marking, editing it, keeping it.
#include "review/marking/marking_desk.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <future>

#include "review/marking/answer_groups.h"
#include "review/marking/marks_file.h"

namespace qa::review {

std::optional<double> typedMark(std::string_view typed, bool& ok)
{
    while (!typed.empty() && typed.front() == ' ')
        typed.remove_prefix(1);
    while (!typed.empty() && typed.back() == ' ')
        typed.remove_suffix(1);
    ok = true;
    if (typed.empty())
        return std::nullopt;
    std::string s(typed);
    std::replace(s.begin(), s.end(), ',', '.');
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::fixed);
    ok = ec == std::errc() && end == s.data() + s.size() && std::isfinite(v) && v >= 0 && v < 1e6;
    return ok ? std::optional<double>(v) : std::nullopt;
}

MarkingDesk::MarkingDesk(Marking marking, std::filesystem::path marksFile)
    : marking_(std::move(marking)), marksFile_(std::move(marksFile)), saved_(marking_.changes())
{
    commitComment();
}

std::string MarkingDesk::committed() const
{
    if (empty() || current().questions.empty())
        return {};
    const CellMark c = marking_.at(sheet_, student_, question_);
    return c.mark ? c.mark->comment : std::string();
}

// Moving on commits the comment left; the newly chosen answer's comment is
// committed as it stands.
void MarkingDesk::commitComment()
{
    committed_ = committed();
}

std::vector<std::string> MarkingDesk::comments() const
{
    if (empty() || current().questions.empty())
        return {};
    std::vector<std::string> out = marking_.comments(sheet_, question_, student_, committed_);
    // Then the bank's comments not given yet (carried from an earlier bank).
    for (const BankComment& c : bank_.entries())
        if (c.question == question_ + 1 && sameAssignment(c.assignment, current().assignment) &&
            std::find(out.begin(), out.end(), c.text) == out.end())
            out.push_back(c.text);
    return out;
}

void MarkingDesk::choose(std::size_t student, std::size_t question)
{
    if (empty())
        return;
    student_ = std::min(student, current().students.size() - 1);
    question_ = current().questions.empty() ? 0 : std::min(question, current().questions.size() - 1);
    commitComment();
}

void MarkingDesk::chooseSheet(std::size_t sheet)
{
    if (sheet < marking_.sheets().size()) {
        sheet_ = sheet;
        student_ = question_ = 0;
        commitComment();
    }
}

bool MarkingDesk::nextStudent(int step)
{
    const auto to = static_cast<long long>(student_) + step;
    if (empty() || to < 0 || to >= static_cast<long long>(current().students.size()))
        return false;
    student_ = static_cast<std::size_t>(to);
    commitComment();
    return true;
}

bool MarkingDesk::nextQuestion(int step)
{
    const auto to = static_cast<long long>(question_) + step;
    if (empty() || to < 0 || to >= static_cast<long long>(current().questions.size()))
        return false;
    question_ = static_cast<std::size_t>(to);
    commitComment();
    return true;
}

void MarkingDesk::setMark(std::optional<double> mark)
{
    if (empty() || current().questions.empty())
        return;
    const CellMark c = marking_.at(sheet_, student_, question_);
    marking_.set(sheet_, student_, question_, mark, c.mark ? c.mark->comment : std::string());
}

void MarkingDesk::setComment(const std::string& comment)
{
    if (empty() || current().questions.empty())
        return;
    const CellMark c = marking_.at(sheet_, student_, question_);
    marking_.set(sheet_, student_, question_, c.mark ? c.mark->mark : std::nullopt, comment);
}

void MarkingDesk::setMaximum(std::optional<double> maximum)
{
    if (!empty() && !current().questions.empty())
        marking_.setMaximum(sheet_, question_, maximum);
}

std::vector<std::size_t> MarkingDesk::sameAnswer() const
{
    std::vector<std::size_t> out;
    // Answers that are only the question are not the same answer.
    if (empty() || current().questions.empty() || blankWithoutQuestion(current(), student_, question_))
        return out;
    for (const Sheet::Same& group : current().same) {
        if (group.question != question_ ||
            std::find(group.students.begin(), group.students.end(), student_) == group.students.end())
            continue;
        for (std::uint32_t s : group.students)
            if (s != student_)
                out.push_back(s);
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::size_t MarkingDesk::giveTo(const std::vector<std::size_t>& students, std::optional<double> mark,
                                const std::string& comment)
{
    if (empty() || current().questions.empty())
        return 0;
    std::size_t given = 0;
    for (std::size_t s : students)
        if (s < current().students.size()) {
            marking_.set(sheet_, s, question_, mark, comment);
            ++given;
        }
    commitComment();
    return given;
}

Result<void> MarkingDesk::save()
{
    const std::uint64_t now = marking_.changes(), bankNow = bankChanges_;
    // The bank's file beside, on a thread of its own: the two files' syncs
    // overlap rather than wait in turn.
    std::future<Result<void>> bank;
    if (!bankFile_.empty())
        bank = std::async(std::launch::async, [this, bytes = withGiven(bank_, marking_).csv()] {
            return writeWholeFile(bankFile_, bytes);
        });
    Result<void> written = writeWholeFile(marksFile_, marking_.table().csv());
    if (bank.valid()) {
        Result<void> bankWritten = bank.get();
        if (written && !bankWritten)
            written = std::move(bankWritten);
    }
    if (written) {
        saved_ = now;
        bankSaved_ = bankNow;
    }
    return written;
}

} // namespace qa::review
