// The comment bank over the marks: its uses, a comment applied, and an
// edit made everywhere the comment was given.
#include <algorithm>
#include <map>

#include "review/marking/comment_bank.h"
#include "review/marking/marking.h"

namespace qa::review {
namespace {

double withinRange(double mark, std::optional<double> maximum)
{
    return std::max(0.0, maximum ? std::min(mark, *maximum) : mark);
}

const std::string& commentAt(const Marking& marking, std::size_t sheet, std::size_t student, std::size_t question)
{
    static const std::string none;
    const CellMark c = marking.at(sheet, student, question);
    return c.mark ? c.mark->comment : none;
}

// The mark an answer carrying `before` gets when it becomes `after`; none:
// no mark.
std::optional<double> remarked(const BankComment& before, const BankComment& after, std::optional<double> current,
                               std::optional<double> maximum)
{
    if (!after.mark || (after.mark == before.mark && after.adjusts == before.adjusts))
        return current;
    if (after.adjusts && before.adjusts && before.mark && current)
        return withinRange(*current + *after.mark - *before.mark, maximum);
    const std::optional<double> applied = appliedMark(after, current, maximum);
    return applied ? applied : current;
}

} // namespace

std::optional<double> appliedMark(const BankComment& c, std::optional<double> current,
                                  std::optional<double> maximum)
{
    if (!c.mark)
        return std::nullopt;
    if (!c.adjusts)
        return withinRange(*c.mark, maximum);
    const std::optional<double> from = current ? current : maximum;
    if (!from)
        return std::nullopt;
    return withinRange(*from + *c.mark, maximum);
}

std::vector<BankComment> bankOf(const CommentBank& bank, const Marking& marking, std::size_t sheet,
                                std::size_t question)
{
    const Sheet& sh = marking.sheets()[sheet];
    const auto q = static_cast<std::uint32_t>(question + 1);
    std::vector<BankComment> out;
    for (const BankComment& c : bank.entries())
        if (c.question == q && sameAssignment(c.assignment, sh.assignment))
            out.push_back(c);
    std::map<std::string, std::size_t> uses;
    for (std::size_t st = 0; st < sh.students.size(); ++st)
        for (std::string& part : commentParts(commentAt(marking, sheet, st, question)))
            if (uses[part]++ == 0 && !bank.find(sh.assignment, q, part))
                out.push_back({sh.assignment, q, std::move(part), std::nullopt, false, 0});
    for (BankComment& c : out)
        c.uses = uses.count(c.text) ? uses[c.text] : 0;
    std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.uses > b.uses; });
    return out;
}

CommentBank withGiven(const CommentBank& bank, const Marking& marking)
{
    // A comment given in two sheets of one assignment ("1" and "01") is one
    // entry: each is sought in what has been added so far.
    CommentBank out = bank;
    for (std::size_t s = 0; s < marking.sheets().size(); ++s)
        for (std::size_t q = 0; q < marking.sheets()[s].questions.size(); ++q)
            for (BankComment& c : bankOf(bank, marking, s, q))
                if (!out.find(c.assignment, c.question, c.text)) {
                    c.uses = 0;
                    out.entries_.push_back(std::move(c));
                }
    return out;
}

Carriers carriersOf(const Marking& marking, std::size_t sheet, std::size_t question, std::string_view text)
{
    Carriers out;
    const Sheet& sh = marking.sheets()[sheet];
    for (std::size_t st = 0; st < sh.students.size(); ++st)
        if (carries(commentAt(marking, sheet, st, question), text)) {
            out.students.push_back(st);
            out.names.push_back(sh.students[st].shown());
        }
    return out;
}

std::size_t editEverywhere(Marking& marking, CommentBank& bank, std::size_t sheet, std::size_t question,
                           const BankComment& before, const BankComment& after)
{
    const Carriers who = carriersOf(marking, sheet, question, before.text);
    const std::optional<double> maximum = marking.maximum(sheet, question);
    for (std::size_t st : who.students) {
        const CellMark c = marking.at(sheet, st, question);
        const std::optional<double> current = c.mark ? c.mark->mark : std::nullopt;
        marking.set(sheet, st, question, remarked(before, after, current, maximum),
                    replacedPart(c.mark->comment, before.text, after.text));
    }
    bank.erase(before.assignment, before.question, before.text);
    if (!after.text.empty())
        bank.put(after);
    return who.students.size();
}

} // namespace qa::review
