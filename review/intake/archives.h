#pragma once
// Archives as learning platforms hand them out (ZIP, deflated or stored;
// tar, tar.gz, 7z), read through libarchive with every member in memory:
// nothing is unpacked to disk.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "review/model/options.h"

namespace qa::review {

// Whether the bytes begin as an archive does.
bool looksLikeArchive(std::string_view bytes);

// Whether this build reads archives (it needs libarchive).
bool archivesReadable();

// What one run may still read out of archives (review.h, ArchiveLimits).
struct ArchiveBudget {
    ArchiveLimits limits;
    std::uint64_t expanded = 0; // bytes read out of archives so far
    bool spent() const { return expanded >= limits.budget; }
};

// Calls `member` with the path (UTF-8, "/" between folders; names not
// flagged as UTF-8 read as UTF-8 where they are, else in Western Europe's
// DOS code page, 850) and the bytes of every file in the archive, in the
// archive's order; `skipped` with the path and why for a member not read
// (larger than the limits allow, or the budget spent); `problem` with the
// member ("" for the archive as a whole) and what is wrong, for damage or
// encryption, and when the budget runs out. Reading goes on after a member
// that cannot be read where the format allows.
void readArchive(std::string_view bytes, ArchiveBudget& budget,
                 const std::function<void(std::string path, std::string bytes)>& member,
                 const std::function<void(const std::string& path, const std::string& why)>& skipped,
                 const std::function<void(const std::string& member, const std::string& what)>& problem);

// How a number of bytes reads in a message: "8 MiB".
std::string sizeInWords(std::uint64_t bytes);

} // namespace qa::review
