#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "records/session.h"
#include "store/files.h"

namespace qa::records {

// The session's record files: each block composed and appended, whole or not
// at all, to the files it belongs in. Failures raise the file's run-time error.
class RecordFiles {
public:
    RecordFiles(Files& files, Clock& clock, const Session& session)
        : files_(files), clock_(clock), session_(session)
    {
    }

    // Opens the master file for appending, creating it when missing.
    void touchMaster();
    // The opening header: master and send files.
    void appendOpening(const std::string& codeLine, const std::string& headerLine);
    // The opening header, composed now, is kept to be written (whole and
    // synced, in an append of its own) just before the session's first
    // block: the record files could not be written at start.
    void keepOpening(const std::string& codeLine, const std::string& headerLine);
    bool openingPending() const { return !pendingOpening_.empty(); }
    // A response: master and send files.
    void appendResponse(const std::string& answer, const std::string& currentLine,
                        const std::string& questionNumber);
    // A note (`noteLine` carries the notes prefix): master, send and notes files.
    void appendNote(const std::string& noteLine, const std::string& currentLine);
    // The notes file's bytes; nothing when it is missing or empty.
    std::optional<std::string> readNotes();

private:
    void writePendingOpening();
    std::vector<AppendPart> opening(const std::string& codeLine, const std::string& headerLine);

    Files& files_;
    Clock& clock_;
    const Session& session_;
    std::vector<AppendPart> pendingOpening_;
};

} // namespace qa::records
