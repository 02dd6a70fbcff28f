// Routine lines: bank lines that name an action instead of a question.
#include "app/tutor.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace qa {

void Tutor::runRoutine(const std::string& routine)
{
    const std::string name = text::lower(routine);
    if (name == "exitprog")
        endProgram();
    if (name == "graph1" || name == "graph2" || name == "graph3")
        return;
    endProgram();
}

void Tutor::onNextPicture()
{
    // The offset applies to the position as it stands, so a routine run at
    // k = 1 moves the second look one entry further on.
    for (long long k = 1; k <= 2; ++k) {
        const long long i = bankIndex + k;
        const std::string& entry = questionBank.at(i);
        if (text::lower(text::left(entry, 8)) == "`routine") {
            runRoutine(text::lower(remSpaces(std::string(text::midFrom(entry, 10)))));
            bankIndex += k;
        }
    }
}

} // namespace qa
