#pragma once
// Archives as learning platforms hand them out (ZIP, deflated or stored;
// tar, tar.gz, 7z), read through libarchive with every member in memory:
// nothing is unpacked to disk.
#include <functional>
#include <string>
#include <string_view>

namespace qa::review {

// Whether the bytes begin as an archive does.
bool looksLikeArchive(std::string_view bytes);

// Whether this build reads archives (it needs libarchive).
bool archivesReadable();

// Calls `member` with the path (UTF-8, "/" between folders; names in the
// old DOS code page converted) and the bytes of every file in the archive,
// in the archive's order; `problem` with the member ("" for the archive as a
// whole) and what is wrong, for damage or encryption. Reading goes on after
// a member that cannot be read where the format allows.
void readArchive(std::string_view bytes, const std::function<void(std::string path, std::string bytes)>& member,
                 const std::function<void(const std::string& member, const std::string& what)>& problem);

} // namespace qa::review
