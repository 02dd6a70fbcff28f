#pragma once
// Each question's statistics, from the marks given: how many answered it, left
// it blank or handed nothing in; the mean mark, the facility (the mean over
// the maximum), the standard deviation, the zeros and full marks; how well the
// question tells the stronger students from the weaker (the discrimination
// index and the discriminative efficiency, on the scale and by the formulas
// quiz platforms use: a question's mark against the rest of the assignment,
// as percentages); and how many answers carry each comment given to it.
//
// An answer's score is its mark; a blank or missing answer without a mark
// scores 0 (there was nothing to mark); an answer handed in and not yet marked
// has no score and is left out. The figures are given only once at least
// kEnoughMarked of the question's answers carry a mark; the discrimination
// figures only once at least kEnoughMarked students have a score for every
// question of the assignment with figures, and are taken over them, the rest
// of the assignment being those questions.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qa::review {

class Marking;

inline constexpr std::size_t kEnoughMarked = 5;
// A question needs review when its facility is outside these bounds, or its
// discrimination index (a percentage) is below kWeakDiscrimination.
inline constexpr double kFacilityLow = 0.3;
inline constexpr double kFacilityHigh = 0.8;
inline constexpr double kWeakDiscrimination = 10;

struct QuestionStatistics {
    std::size_t question = 0; // 0-based
    std::size_t answered = 0; // handed in with text
    std::size_t blank = 0;    // handed in empty
    std::size_t missing = 0;  // not handed in
    std::size_t marked = 0;   // answers carrying a mark
    std::size_t scored = 0;   // answers with a score (marked, or blank or missing)
    bool enough = false;      // at least kEnoughMarked marked: the figures below are given
    std::optional<double> maximum;
    std::optional<double> mean;
    std::optional<double> facility; // mean over maximum, 0 to 1
    std::optional<double> sd;       // of the scores, over scored - 1
    std::size_t zeros = 0;
    std::size_t fullMarks = 0; // scores at the maximum (none without one)
    // Over the students with a score on every question with figures.
    std::size_t compared = 0;
    std::optional<double> discriminationIndex;      // percent, -100 to 100
    std::optional<double> discriminativeEfficiency; // percent
    // The comments given to the question and how many answers carry each
    // (a comment of several parts joined with "; " carries each part, as the
    // comment bank counts them), most used first.
    std::vector<std::pair<std::string, std::size_t>> comments;
    bool facilityLow = false;
    bool facilityHigh = false;
    bool weakDiscrimination = false;
    bool needsReview() const { return facilityLow || facilityHigh || weakDiscrimination; }
};

// The statistics of each question of the sheet, question 1 first.
std::vector<QuestionStatistics> questionStatistics(const Marking& marking, std::size_t sheet);

// Why a question needs review, one reason a line ("facility 92% above 80%"),
// with the numbers as `number` writes them (value, decimals).
std::vector<std::string> reviewReasons(const QuestionStatistics& q,
                                       const std::function<std::string(double, int)>& number);
// The rules above in words, for a reader of the figures.
std::string enoughRule();
std::string reviewRule();

} // namespace qa::review
