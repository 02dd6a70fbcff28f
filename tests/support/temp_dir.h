#pragma once
// A folder of a test's own under the system's temporary folder, removed with
// all it holds (made writable first, for tests that take the right away);
// and a file's bytes read whole.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace qa::test {

class TempDir {
public:
    TempDir()
    {
        std::random_device random;
        path = std::filesystem::temp_directory_path() /
               ("qa-review-test-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path);
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                     ec);
        std::filesystem::remove_all(path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::filesystem::path path;
};

inline std::string slurp(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

} // namespace qa::test
