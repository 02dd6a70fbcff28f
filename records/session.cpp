#include "records/session.h"

#include <cmath>

#include "platform/text.h"

namespace qa::records {
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

} // namespace

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

void Session::drawCodeNumber(double r)
{
    codeNbr_ = static_cast<float>(19.0 + std::floor(10.0 * r));
}

void Session::chooseDataDir(double reply)
{
    dataDir_ = reply == 2 ? kNetworkDir : kHomeDir;
}

void Session::setStudent(std::string studentName, std::string initials, const std::string& today)
{
    studentName_ = std::move(studentName);
    initials_ = std::move(initials);
    const std::string name = fileNamePart(studentName_);
    paths_.master = dataDir_ + "\\" + kMasterPrefix + name + kRecordSuffix;
    paths_.send = dataDir_ + "\\" + kSendPrefix + today.substr(0, 2) + today.substr(3, 2) + name + kRecordSuffix;
    paths_.notes = dataDir_ + "\\" + kNotesPrefixOfFile + name + kRecordSuffix;
}

void Session::setAssignment(const std::string& typed)
{
    assignmentNumber_ = padAssignmentNumber(typed);
    nextAssignmentNumber_ = padAssignmentNumber(text::formatNumber(text::leadingNumber(assignmentNumber_) + 1));
}

} // namespace qa::records
