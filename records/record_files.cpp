#include "records/record_files.h"

#include "records/layouts.h"

namespace qa::records {

void RecordFiles::touchMaster()
{
    files_.touch(session_.paths().master);
}

void RecordFiles::appendOpening(const std::string& codeLine, const std::string& headerLine)
{
    const OpeningHeader block{codeLine, session_.studentName(), session_.assignmentNumber(), headerLine,
                              session_.initials()};
    files_.appendAll(openingHeader(block, session_.paths(), session_.codeNbr(), clock_));
}

void RecordFiles::appendResponse(const std::string& answer, const std::string& currentLine,
                                 const std::string& questionNumber)
{
    const ResponseBlock block{answer, currentLine, session_.assignmentNumber(), questionNumber};
    files_.appendAll(responseBlock(block, session_.paths(), session_.codeNbr(), clock_));
}

void RecordFiles::appendNote(const std::string& noteLine, const std::string& currentLine)
{
    files_.appendAll(notesBlock({noteLine, currentLine}, session_.paths(), session_.codeNbr(), clock_));
}

std::optional<std::string> RecordFiles::readNotes()
{
    if (files_.isMissingOrEmpty(session_.paths().notes))
        return std::nullopt;
    return files_.readAll(session_.paths().notes);
}

} // namespace qa::records
