#pragma once
// A whole file read in one call through the file seam, and the system's text
// for an error number.
#include <cstdint>
#include <string>

#include "platform/file_ops.h"

namespace qa {

// The system's words for an errno value ("No such file or directory").
std::string errnoText(int err);

// Reads the file named `host` (as the file calls take it) into `bytes`, as
// long as it was when opened: what is added meanwhile is not waited for.
// `info` tells the file apart from others. Returns 0, or the errno value of
// the call that failed; EFBIG, with nothing read, when the file is longer
// than `limit` bytes.
int readWholeFile(FileOps& ops, const std::string& host, std::string& bytes, FileInfo& info,
                  std::int64_t limit = INT64_MAX);

} // namespace qa
