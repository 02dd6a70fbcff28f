#pragma once
// Where the review's outputs go, for both programs: never among the inputs,
// and each written in one step, so that a failed or stopped run leaves the
// previous file as it was.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_ops.h"
#include "platform/replace_file.h"
#include "review/model/result.h"

namespace qa::review {

// A file read as an input, and which file it was when read (`id` 0: not
// known, asked of the system).
struct ReadInput {
    std::filesystem::path path;
    std::uint64_t device = 0, id = 0;
};

// The index of the input that `output` would land among: the input itself,
// inside an input folder (links resolved as far as the path exists), inside
// a folder that is an input folder by another name (same device and file id),
// or an existing file that is one of `inputFiles` by another name (a hard
// link). nullopt when it lands among none.
std::optional<std::size_t> amongInputs(const std::filesystem::path& output,
                                       const std::vector<std::filesystem::path>& inputs,
                                       const std::vector<ReadInput>& inputFiles = {},
                                       FileOps& ops = systemFileOps());

// Whether two output names are one file: the same path, or an existing file
// by two names.
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b, FileOps& ops = systemFileOps());

// The path as an absolute one, links resolved as far as it exists.
std::filesystem::path absoluteOf(const std::filesystem::path& p);

// Writes one output in place of `target`; when it cannot, a Problem (writing)
// that names the file and says why not (UTF-8, for a message: "No space left
// on device"). A stopped run gives "cancelled".
Result<void> writeOutput(const std::filesystem::path& target, const std::function<void(std::ostream&)>& write,
                         const ReplaceOptions& options = {}, FileOps& ops = systemFileOps());
// The same for a library that writes its file by name.
Result<void> writeOutputByName(const std::filesystem::path& target,
                               const std::function<int(const std::string& temporary)>& write,
                               const ReplaceOptions& options = {}, FileOps& ops = systemFileOps());

} // namespace qa::review
