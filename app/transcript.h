#pragma once
#include <string>
#include <vector>

namespace qa {

// The running transcript (`cumulativeText`): grows at its front, newest first.
// Kept in pieces, so that adding to it costs what the piece costs.
class Transcript {
public:
    static inline const std::string qaMarker = " <-<-<-<-  Q/A:   ";
    static inline const std::string answerMarker = " YOUR ANSWER  ->->->->  ";

    void addQuestion(const std::string& line) { pieces_.push_back(qaMarker + line); }
    void addAnswer(const std::string& text) { pieces_.push_back(answerMarker + text); }

    // The whole transcript, built when asked for.
    std::string cumulativeText() const;

private:
    std::vector<std::string> pieces_; // oldest first
};

} // namespace qa
