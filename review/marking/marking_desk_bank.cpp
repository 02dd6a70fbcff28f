// The marking desk's comment bank: the chosen question's, its edits made
// everywhere, an earlier bank brought in, and a comment of it reused.
#include "review/marking/marking_desk.h"

namespace qa::review {

void MarkingDesk::keepBank(CommentBank bank, std::filesystem::path file)
{
    bank_ = std::move(bank);
    bankFile_ = std::move(file);
}

std::vector<BankComment> MarkingDesk::bank() const
{
    if (empty() || current().questions.empty())
        return {};
    return bankOf(bank_, marking_, sheet_, question_);
}

Carriers MarkingDesk::carrying(const std::string& text) const
{
    if (empty() || current().questions.empty())
        return {};
    return carriersOf(marking_, sheet_, question_, text);
}

std::size_t MarkingDesk::editBank(const BankComment& before, const BankComment& after)
{
    if (empty() || current().questions.empty())
        return 0;
    const std::size_t changed = editEverywhere(marking_, bank_, sheet_, question_, before, after);
    ++bankChanges_;
    commitComment();
    return changed;
}

std::size_t MarkingDesk::importBank(const CommentBank& earlier)
{
    const std::size_t added = bank_.merge(earlier);
    bankChanges_ += added > 0;
    return added;
}

void MarkingDesk::reuseComment(const std::string& text)
{
    if (empty() || current().questions.empty())
        return;
    const bool had = carries(committed_, text);
    const CellMark c = marking_.at(sheet_, student_, question_);
    std::optional<double> mark = c.mark ? c.mark->mark : std::nullopt;
    if (const BankComment* entry = bank_.find(current().assignment, std::uint32_t(question_ + 1), text);
        entry && !had)
        if (const std::optional<double> applied = appliedMark(*entry, mark, marking_.maximum(sheet_, question_)))
            mark = applied;
    marking_.set(sheet_, student_, question_, mark, text);
    commitComment();
}

Result<std::unique_ptr<MarkingDesk>> openMarkingDesk(std::vector<Sheet> sheets, const MarkingFiles& files,
                                                     const AmongInputs& among)
{
    Result<MarksTable> marks = readMarks(files.marks, among, files.marksNamed);
    if (!marks)
        return marks.problem();
    Result<CommentBank> bank = readBank(files.bank, among, files.bankNamed);
    if (!bank)
        return bank.problem();
    auto desk = std::make_unique<MarkingDesk>(Marking(std::move(sheets), std::move(*marks)), files.marks);
    desk->keepOutOf(among);
    desk->keepBank(std::move(*bank), files.bank);
    return desk;
}

} // namespace qa::review
