// Each question's statistics over the marks.
#include "review/marking/statistics.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "review/marking/comment_bank.h"
#include "review/marking/marking.h"

namespace qa::review {
namespace {

// The answer's score: its mark; 0 for a blank or missing answer without one;
// none for an answer not yet marked.
std::optional<double> scoreOf(const Marking& m, std::size_t sheet, std::size_t student, std::size_t question)
{
    const CellMark c = m.at(sheet, student, question);
    if (c.mark && c.mark->mark)
        return c.mark->mark;
    const SheetCell& cell = m.sheets()[sheet].cell(student, question);
    if (!cell.answered || cell.empty)
        return 0.0;
    return std::nullopt;
}

// Mark against the rest of the assignment, as quiz platforms compute it: the
// index is the correlation of the two, the efficiency the covariance over the
// largest it could be with these marks (both sorted and paired), each as a
// percentage; none where a variance is 0.
void discrimination(QuestionStatistics& q, std::vector<double> marks, std::vector<double> rest)
{
    const double n = static_cast<double>(marks.size());
    double markMean = 0, restMean = 0;
    for (std::size_t k = 0; k < marks.size(); ++k) {
        markMean += marks[k];
        restMean += rest[k];
    }
    markMean /= n;
    restMean /= n;
    double markVar = 0, restVar = 0, cov = 0;
    for (std::size_t k = 0; k < marks.size(); ++k) {
        markVar += (marks[k] - markMean) * (marks[k] - markMean);
        restVar += (rest[k] - restMean) * (rest[k] - restMean);
        cov += (marks[k] - markMean) * (rest[k] - restMean);
    }
    std::sort(marks.begin(), marks.end());
    std::sort(rest.begin(), rest.end());
    double covMax = 0;
    for (std::size_t k = 0; k < marks.size(); ++k)
        covMax += (marks[k] - markMean) * (rest[k] - restMean);
    // The sums over n - 1 each: the n - 1 cancels in both ratios.
    if (markVar * restVar != 0)
        q.discriminationIndex = 100 * cov / std::sqrt(markVar * restVar);
    if (covMax != 0)
        q.discriminativeEfficiency = 100 * cov / covMax;
}

// One question's counts, comments and figures; its scores by student into
// `scores` (none for an answer not yet marked).
QuestionStatistics oneQuestion(const Marking& marking, std::size_t sheetIndex, std::size_t q,
                               std::vector<std::optional<double>>& scores)
{
    const Sheet& sheet = marking.sheets()[sheetIndex];
    QuestionStatistics st;
    st.question = q;
    st.maximum = marking.maximum(sheetIndex, q);
    std::map<std::string, std::size_t> comments;
    std::vector<double> qScores;
    for (std::size_t s = 0; s < sheet.students.size(); ++s) {
        const SheetCell& cell = sheet.cell(s, q);
        ++(!cell.answered ? st.missing : cell.empty ? st.blank : st.answered);
        const CellMark c = marking.at(sheetIndex, s, q);
        st.marked += c.mark && c.mark->mark;
        // Each comment of the bank the answer carries (commentParts).
        if (c.mark)
            for (std::string& part : commentParts(c.mark->comment))
                ++comments[std::move(part)];
        scores[s] = scoreOf(marking, sheetIndex, s, q);
        if (scores[s])
            qScores.push_back(*scores[s]);
    }
    st.scored = qScores.size();
    st.comments.assign(comments.begin(), comments.end());
    std::stable_sort(st.comments.begin(), st.comments.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    st.enough = st.marked >= kEnoughMarked;
    if (!st.enough)
        return st;
    double sum = 0;
    for (double v : qScores) {
        sum += v;
        st.zeros += v == 0;
        st.fullMarks += st.maximum && v >= *st.maximum;
    }
    st.mean = sum / static_cast<double>(qScores.size());
    if (st.maximum && *st.maximum > 0)
        st.facility = *st.mean / *st.maximum;
    if (qScores.size() > 1) {
        double squares = 0;
        for (double v : qScores)
            squares += (v - *st.mean) * (v - *st.mean);
        st.sd = std::sqrt(squares / static_cast<double>(qScores.size() - 1));
    }
    return st;
}

} // namespace

std::vector<QuestionStatistics> questionStatistics(const Marking& marking, std::size_t sheetIndex)
{
    const std::size_t questions = marking.sheets()[sheetIndex].questions.size();
    const std::size_t students = marking.sheets()[sheetIndex].students.size();
    std::vector<QuestionStatistics> out;
    // Scores by question and student.
    std::vector<std::vector<std::optional<double>>> scores(questions,
                                                           std::vector<std::optional<double>>(students));
    for (std::size_t q = 0; q < questions; ++q)
        out.push_back(oneQuestion(marking, sheetIndex, q, scores[q]));

    // The students with a score on every question with figures; each
    // question's mark against their rest of those questions.
    std::vector<std::size_t> whole;
    for (std::size_t s = 0; s < students; ++s) {
        bool all = true;
        for (std::size_t q = 0; q < questions && all; ++q)
            all = !out[q].enough || scores[q][s].has_value();
        if (all)
            whole.push_back(s);
    }
    for (QuestionStatistics& st : out) {
        if (!st.enough)
            continue;
        st.compared = whole.size();
        if (whole.size() >= kEnoughMarked) {
            std::vector<double> marks, rest;
            for (std::size_t s : whole) {
                double total = 0;
                for (std::size_t o = 0; o < questions; ++o)
                    if (out[o].enough)
                        total += *scores[o][s];
                marks.push_back(*scores[st.question][s]);
                rest.push_back(total - marks.back());
            }
            discrimination(st, std::move(marks), std::move(rest));
        }
        st.facilityLow = st.facility && *st.facility < kFacilityLow;
        st.facilityHigh = st.facility && *st.facility > kFacilityHigh;
        st.weakDiscrimination = st.discriminationIndex && *st.discriminationIndex < kWeakDiscrimination;
    }
    return out;
}

std::vector<std::string> reviewReasons(const QuestionStatistics& q,
                                       const std::function<std::string(double, int)>& number)
{
    std::vector<std::string> out;
    if (q.facilityLow)
        out.push_back("facility " + number(100 * *q.facility, 0) + "% below " + number(100 * kFacilityLow, 0) +
                      "%");
    if (q.facilityHigh)
        out.push_back("facility " + number(100 * *q.facility, 0) + "% above " + number(100 * kFacilityHigh, 0) +
                      "%");
    if (q.weakDiscrimination)
        out.push_back("discrimination index " + number(*q.discriminationIndex, 1) + " below " +
                      number(kWeakDiscrimination, 0));
    return out;
}

std::string enoughRule()
{
    return "Figures are given for a question once at least " + std::to_string(kEnoughMarked) +
           " of its answers carry a mark; blank and missing answers without a mark count as 0, answers not yet "
           "marked are left out. The discrimination figures compare the question's mark with the rest of the "
           "assignment (the questions with figures) over the students with a score on each of those, once there "
           "are at least " +
           std::to_string(kEnoughMarked) + ".";
}

std::string reviewRule()
{
    const auto whole = [](double v) { return std::to_string(static_cast<int>(std::lround(v))); };
    return "A question needs review when its facility is below " + whole(100 * kFacilityLow) + "% or above " +
           whole(100 * kFacilityHigh) + "%, or its discrimination index is below " + whole(kWeakDiscrimination) +
           ".";
}

} // namespace qa::review
