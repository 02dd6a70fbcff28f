#pragma once
// What the Windows file calls share between their files.
#include <cstdint>
#include <string>

#include "platform/win32_text.h"

namespace qa::win32 {

// The wide path for the Windows calls; false (errno EINVAL or ENAMETOOLONG)
// when there is none.
bool widePath(const std::string& path, std::wstring& out);

// The computer's name; "localhost" when it cannot be had.
std::string hostName();
// Whether the process runs (one we may not look at counts as running), and
// its creation time in 100 ns steps (0 when not known).
bool processRunning(std::int64_t pid);
std::uint64_t processStarted(std::int64_t pid);

} // namespace qa::win32
