#pragma once
#include <string>

#include "records/layouts.h"

namespace qa::records {

// The record files' names: prefix, [MMDD for the send file,] name part, suffix.
inline constexpr const char* kMasterPrefix = "masterFile_";
inline constexpr const char* kSendPrefix = "send_";
inline constexpr const char* kNotesPrefixOfFile = "notes_";
inline constexpr const char* kRecordSuffix = ".txt";

// The name as it goes into file names: blanks, and characters a file name
// cannot carry, become underscores.
std::string fileNamePart(const std::string& name);

// The student's session: who records, in which data directory and record
// files, for which assignment, and the run's code number.
class Session {
public:
    static constexpr const char* kHomeDir = "c:\\kelvarno";
    static constexpr const char* kNetworkDir =
        "i:\\bkp_000416\\My Documents\\distance students\\interactive problems\\lb1";

    // 19 + floor(10 r), held in single precision: summing in single precision
    // could round a draw just below 1 up to 29.
    void drawCodeNumber(double r);
    // Reply 2 chooses the network directory, any other number the home one.
    void chooseDataDir(double reply);
    // The student, and the three record files in the data directory named
    // after him; `today` (MM-DD-YYYY) gives the send file's month and day.
    void setStudent(std::string studentName, std::string initials, const std::string& today);
    // The assignment number as typed: padded by its length, and the next one.
    void setAssignment(const std::string& typed);

    const std::string& studentName() const { return studentName_; }
    const std::string& initials() const { return initials_; }
    const std::string& dataDir() const { return dataDir_; }
    const RecordPaths& paths() const { return paths_; }
    const std::string& assignmentNumber() const { return assignmentNumber_; }
    const std::string& nextAssignmentNumber() const { return nextAssignmentNumber_; }
    double codeNbr() const { return codeNbr_; }

private:
    std::string studentName_;
    std::string initials_;
    std::string dataDir_;
    RecordPaths paths_;
    std::string assignmentNumber_;
    std::string nextAssignmentNumber_;
    double codeNbr_ = 0; // a single-precision value
};

} // namespace qa::records
