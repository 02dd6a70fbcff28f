#pragma once
// Our FUSE pass-through that refuses to cut a file back (no_truncate_fs.cpp),
// mounted for a test. Built only where libfuse3 is: QA_NO_TRUNCATE_FS names
// the program, or is empty.
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "support/fakes.h"

namespace qa::testing {

// How the pass-through treats a folder whose write permission is taken away:
// as the kernel does for root (names made in it all the same), or closed to
// every new name.
enum class Folders { AsForRoot, KeptClosed };

// The pass-through mounted over a fresh folder, unmounted again at the end.
class Mounted {
public:
    explicit Mounted(Folders folders = Folders::AsForRoot)
    {
        const std::string program = QA_NO_TRUNCATE_FS;
        if (program.empty()) {
            problem_ = "libfuse3 was not found when the tests were built";
            return;
        }
        if (::access("/dev/fuse", R_OK | W_OK) != 0) {
            problem_ = std::string("/dev/fuse cannot be used here (") + std::strerror(errno) + ")";
            return;
        }
        path = backing_.path + "-mounted";
        std::filesystem::create_directories(path);
        const std::string mount = program + (folders == Folders::KeptClosed ? " --keep-folders-closed " : " ") +
                                  backing_.path + " " + path + " >/dev/null 2>&1";
        if (std::system(mount.c_str()) != 0 ||
            std::filesystem::status(path).type() != std::filesystem::file_type::directory || !mountedOver()) {
            problem_ = "the FUSE file system could not be mounted here (no permission to mount)";
            return;
        }
        mounted_ = true;
    }
    ~Mounted()
    {
        if (mounted_)
            std::system(("fusermount3 -u " + path + " >/dev/null 2>&1 || umount " + path).c_str());
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
    Mounted(const Mounted&) = delete;
    Mounted& operator=(const Mounted&) = delete;

    const std::string& problem() const { return problem_; }
    std::string path;

private:
    // Another device than the folder it is mounted on.
    bool mountedOver() const
    {
        FileInfo under, over;
        return systemFileOps().stat(std::filesystem::path(path).parent_path().string(), under) == 0 &&
               systemFileOps().stat(path, over) == 0 && under.device != over.device;
    }

    TempRoot backing_;
    std::string problem_;
    bool mounted_ = false;
};

} // namespace qa::testing
