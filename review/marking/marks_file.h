#pragma once
// The files of marking: the marks file read and written whole, and where it
// goes by default.
#include <filesystem>
#include <string>
#include <string_view>

#include "review/marking/marks.h"
#include "review/model/result.h"

namespace qa::review {

// Reads a whole file; when it cannot, a Problem naming it: "cannot be read:
// " and the system's reason.
Result<std::string> readFileAt(const std::filesystem::path& path);
// Replaces the file in one step (a temporary beside it, synced, renamed
// over it): the file is the old one or the new one, never a part. When it
// cannot, the old file stands and the Problem (writing) names the file and
// gives the system's reason.
Result<void> writeWholeFile(const std::filesystem::path& path, std::string_view bytes);

// The marks file, or an empty table when there is none yet; a Problem
// (file, "line N: why") when it cannot be read as marks.
Result<MarksTable> readMarksFile(const std::filesystem::path& path);

// marks-<name of the folder or archive>.csv in `folder`.
std::filesystem::path defaultMarksPath(const std::filesystem::path& folder, const std::filesystem::path& input);

} // namespace qa::review
