#pragma once
#include <stdexcept>
#include <string>

namespace qa {

// Run-time error numbers, as the platform reports them.
enum ErrorNumber : int {
    kInvalidCall = 5,
    kOverflow = 6,
    kOutOfMemory = 7,
    kSubscriptOutOfRange = 9,
    kTypeMismatch = 13,
    kBadFileName = 52,
    kFileNotFound = 53,
    kFileAlreadyOpen = 55,
    kDeviceIO = 57,
    kDiskFull = 61,
    kInputPastEnd = 62,
    kTooManyFiles = 67,
    kPermissionDenied = 70,
    kPathFileAccess = 75,
    kPathNotFound = 76,
};

// The platform's description of a run-time error number ("Subscript out of range").
std::string errorDescription(int number);

// A run-time error raised by a procedure; carries the platform's error number.
class RuntimeError : public std::runtime_error {
public:
    explicit RuntimeError(int number, std::string path = {}, std::string reason = {});
    int number() const { return number_; }
    // The host file the error is about, and the system's reason; empty when the
    // error is not about a file.
    const std::string& path() const { return path_; }
    const std::string& reason() const { return reason_; }

private:
    int number_;
    std::string path_;
    std::string reason_;
};

// Maps an errno value from a file operation to the platform's error number.
// `opening` tells an open apart from a later read or write.
int errorFromErrno(int err, bool opening);

// The run-time error report's text: "Run-time error 'N':" + blank line + description.
std::string runtimeErrorReport(int number);

} // namespace qa
