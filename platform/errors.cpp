#include "platform/errors.h"

#include <cerrno>

namespace qa {

std::string errorDescription(int number)
{
    switch (number) {
    case kInvalidCall: return "Invalid procedure call or argument";
    case kOverflow: return "Overflow";
    case kOutOfMemory: return "Out of memory";
    case kSubscriptOutOfRange: return "Subscript out of range";
    case kTypeMismatch: return "Type mismatch";
    case kBadFileName: return "Bad file name or number";
    case kFileNotFound: return "File not found";
    case kFileAlreadyOpen: return "File already open";
    case kDeviceIO: return "Device I/O error";
    case kDiskFull: return "Disk full";
    case kInputPastEnd: return "Input past end of file";
    case kTooManyFiles: return "Too many files";
    case kPermissionDenied: return "Permission denied";
    case kPathFileAccess: return "Path/File access error";
    case kPathNotFound: return "Path not found";
    default: return "Application-defined or object-defined error";
    }
}

RuntimeError::RuntimeError(int number, std::string path, std::string reason)
    : std::runtime_error(errorDescription(number)), number_(number), path_(std::move(path)),
      reason_(std::move(reason))
{
}

int errorFromErrno(int err, bool opening)
{
    switch (err) {
    case ENOENT: return opening ? kPathNotFound : kFileNotFound;
    case ENOTDIR: return kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return kPermissionDenied;
    case EISDIR: return kPathFileAccess;
    case ENOSPC:
#ifdef EDQUOT // not in the C library of Windows
    case EDQUOT:
#endif
    case EFBIG: return kDiskFull;
    case EIO: return kDeviceIO;
    case EMFILE:
    case ENFILE: return kTooManyFiles;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ: return kBadFileName;
    case EBUSY:
    case ETXTBSY: return kFileAlreadyOpen;
    default: return kPathFileAccess;
    }
}

std::string runtimeErrorReport(int number)
{
    return "Run-time error '" + std::to_string(number) + "':\r\n\r\n" + errorDescription(number);
}

} // namespace qa
