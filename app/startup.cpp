// Start-up: the four prompts, the data directory, the record-file paths and
// the fixed texts, then the question bank.
#include <cmath>

#include "app/tutor.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace qa {
namespace {

// Pads an assignment number by its length: one character gets "00" in front,
// two get "0", any other length stays as it is.
std::string padAssignmentNumber(const std::string& number)
{
    if (number.size() == 1)
        return "00" + number;
    if (number.size() == 2)
        return "0" + number;
    return number;
}

// The name as it goes into file names: blanks, and characters a file name
// cannot carry, become underscores.
std::string fileNamePart(const std::string& name)
{
    std::string out = name;
    for (char& c : out) {
        auto u = static_cast<unsigned char>(c);
        if (u < 32 || u == 127 || c == ' ' || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' ||
            c == '"' || c == '<' || c == '>' || c == '|')
            c = '_';
    }
    return out;
}

} // namespace

std::string Tutor::ask(const std::string& prompt)
{
    while (true) {
        TypedText reply = p_.dialogs.prompt(prompt);
        if (reply.unencodable.empty())
            return reply.text;
        const std::string list = text::describeCodePoints(reply.unencodable);
        p_.dialogs.message("Your reply holds characters that cannot be stored in the record files: " + list +
                           ".\r\n\r\nPlease type it again without them.");
    }
}

void Tutor::startUp()
{
    p_.random.seed(p_.clock.secondsSinceMidnight());
    p_.files.createDirectories(kHomeDir);
    try {
        // 19 + floor(10 r): summing in single precision could round a draw
        // just below 1 up to 29.
        const double r = p_.random.next();
        codeNbr = static_cast<float>(19.0 + std::floor(10.0 * r));

        p_.view.setPictureScale(View::Picture1, 1000, 1000);
        p_.view.setPictureScale(View::Picture2, 1000, 1000);

        const std::string where = ask("Enter 1 for home user, 2 for KORB LAN user");
        const auto choice = text::wholeTextNumber(where);
        if (!choice)
            throw RuntimeError(kTypeMismatch);
        dataDir = *choice == 2 ? kNetworkDir : kHomeDir;

        studentName = ask("Your full name:  ");
        initials = ask("Your initials (use all 3 initials and always use the same three initials when "
                       "submitting work):  ");

        const std::string name = fileNamePart(studentName);
        const std::string today = p_.clock.date(); // read once: month and day of the same day
        masterFilePath = dataDir + "\\masterFile_" + name + ".txt";
        sendFilePath = dataDir + "\\send_" + today.substr(0, 2) + today.substr(3, 2) + name + ".txt";
        notesFilePath = dataDir + "\\notes_" + name + ".txt";

        assignmentNumber = ask("Assignment Number:  ");

        answerPrompt = "Enter, as appropriate, an answer to the question, a critique of your answer in response "
                       "to a given answer, your insights regarding the situation at this point, notes to "
                       "yourself, or just an OK.\r\n\r\nAlways critique your solutions by describing any "
                       "insights you had or errors you makde, and by explaining how you can make use of the "
                       "insight or how you now know how to avoid certain errors.  Also pose for the instructor "
                       "any question or questions that you have related to the problem or series of problems.";
        qaMarker = " <-<-<-<-  Q/A:   ";
        answerMarker = " YOUR ANSWER  ->->->->  ";

        assignmentNumber = padAssignmentNumber(assignmentNumber);
        nextAssignmentNumber = padAssignmentNumber(text::formatNumber(text::leadingNumber(assignmentNumber) + 1));

        bankIndex = 0;
        loadQuestionBank();
    } catch (const RuntimeError& error) {
        procedureFailed(error);
    }
}

} // namespace qa
