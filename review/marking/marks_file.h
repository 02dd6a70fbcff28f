#pragma once
// The files of marking: the marks file read and written whole, and where it
// goes by default.
#include <filesystem>
#include <string>
#include <string_view>

#include "review/marking/marks.h"

namespace qa::review {

// Reads a whole file; the system's reason when it cannot, "" otherwise.
std::string readFileAt(const std::filesystem::path& path, std::string& bytes);
// Replaces the file in one step (a temporary beside it, synced, renamed
// over it): the file is the old one or the new one, never a part. The
// system's reason when it cannot, "" otherwise; the old file then stands.
std::string writeWholeFile(const std::filesystem::path& path, std::string_view bytes);

// The marks file, or an empty table when there is none yet. Throws
// RuntimeError (file, "line N: why") when it cannot be read as marks.
MarksTable readMarksFile(const std::filesystem::path& path);

// marks-<name of the folder or archive>.csv in `folder`.
std::filesystem::path defaultMarksPath(const std::filesystem::path& folder, const std::filesystem::path& input);

} // namespace qa::review
