// Reading and writing the marks file through the platform's file calls.
#include "review/marking/marks_file.h"

#include <ostream>

#include "platform/file_ops.h"
#include "platform/utf8.h"
#include "platform/whole_file.h"
#include "review/write/destination.h"

namespace qa::review {
namespace fs = std::filesystem;
Result<std::string> readFileAt(const fs::path& path)
{
    std::string bytes;
    FileInfo info;
    if (const int err = readWholeFile(systemFileOps(), text::hostPath(path), bytes, info); err != 0)
        return Problem{text::pathToUtf8(path), 0, 0, "cannot be read: " + errnoText(err)};
    return bytes;
}

Result<void> writeWholeFile(const fs::path& path, std::string_view bytes)
{
    return writeOutput(
        path, [&](std::ostream& f) { f.write(bytes.data(), static_cast<std::streamsize>(bytes.size())); });
}

Result<MarksTable> readMarksFile(const fs::path& path)
{
    std::error_code ec;
    if (!fs::exists(path, ec))
        return MarksTable{};
    const Result<std::string> bytes = readFileAt(path);
    if (!bytes)
        return bytes.problem();
    return MarksTable::fromCsv(*bytes, text::pathToUtf8(path));
}

fs::path defaultMarksPath(const fs::path& folder, const fs::path& input)
{
    fs::path name = input.lexically_normal();
    if (name.filename().empty())
        name = name.parent_path();
    std::string stem = text::pathToUtf8(name.filename());
    // An archive's name without its extensions (class.zip, class.tar.gz: class).
    for (int k = 0; k < 2 && !fs::is_directory(input); ++k)
        if (const std::size_t dot = stem.rfind('.');
            dot != std::string::npos && dot > 0 && (k == 0 || stem.compare(dot, std::string::npos, ".tar") == 0))
            stem.resize(dot);
    return folder / text::pathFromUtf8("marks-" + (stem.empty() ? std::string("class") : stem) + ".csv");
}

} // namespace qa::review
