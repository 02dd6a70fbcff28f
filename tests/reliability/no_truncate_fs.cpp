// A pass-through file system over a folder that refuses to cut a file back
// (truncate and ftruncate say "operation not supported"), as an SMB share
// reached through gvfs does. The rest goes straight to the folder.
//     qa_no_truncate_fs [--keep-folders-closed] BACKING MOUNTPOINT [fuse options]
// With --keep-folders-closed a folder whose write permission is taken away
// lets no name be made in it, renamed into or out of it, or removed from it
// (EACCES), for root too, whom the kernel's own check lets through: the files
// already there are written as before. So is a share where the student may
// write to the files a teacher made but make no new ones beside them. Links
// and special files it makes nowhere.
#define FUSE_USE_VERSION 35
#include <dirent.h>
#include <fcntl.h>
#include <fuse.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

int backing = -1; // the folder under the mount, as a descriptor
bool keepFoldersClosed = false;

// A path of the mount as a path under the backing folder.
const char* rel(const char* path)
{
    return path[1] ? path + 1 : ".";
}

int fail(int result)
{
    return result < 0 ? -errno : result;
}

// -EACCES where the folder holding `path` is closed to new and removed names.
int closedFolderOf(const char* path)
{
    if (!keepFoldersClosed)
        return 0;
    std::string folder = rel(path);
    const std::size_t slash = folder.rfind('/');
    folder = slash == std::string::npos ? "." : folder.substr(0, slash);
    struct stat st;
    if (fstatat(backing, folder.c_str(), &st, 0) != 0)
        return -errno;
    return (st.st_mode & 0222) == 0 ? -EACCES : 0;
}

int fs_getattr(const char* path, struct stat* st, struct fuse_file_info* fi)
{
    if (fi)
        return fail(fstat(static_cast<int>(fi->fh), st));
    return fail(fstatat(backing, rel(path), st, AT_SYMLINK_NOFOLLOW));
}

int fs_readdir(const char* path, void* buf, fuse_fill_dir_t fill, off_t offset, struct fuse_file_info* fi,
               enum fuse_readdir_flags flags)
{
    (void)offset, (void)fi, (void)flags;
    const int fd = openat(backing, rel(path), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return -errno;
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        return -errno;
    }
    for (struct dirent* e; (e = readdir(dir));)
        fill(buf, e->d_name, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    closedir(dir);
    return 0;
}

int fs_open(const char* path, struct fuse_file_info* fi)
{
    const int fd = openat(backing, rel(path), fi->flags & ~O_NOFOLLOW);
    if (fd < 0)
        return -errno;
    fi->fh = static_cast<uint64_t>(fd);
    fi->direct_io = 1; // every write reaches the folder at once, at the file's end where appended
    return 0;
}

int fs_create(const char* path, mode_t mode, struct fuse_file_info* fi)
{
    if (const int closed = closedFolderOf(path))
        return closed;
    const int fd = openat(backing, rel(path), fi->flags | O_CREAT, mode);
    if (fd < 0)
        return -errno;
    fi->fh = static_cast<uint64_t>(fd);
    fi->direct_io = 1;
    return 0;
}

int fs_read(const char* path, char* buf, size_t size, off_t offset, struct fuse_file_info* fi)
{
    (void)path;
    return fail(static_cast<int>(pread(static_cast<int>(fi->fh), buf, size, offset)));
}

int fs_write(const char* path, const char* buf, size_t size, off_t offset, struct fuse_file_info* fi)
{
    (void)path;
    return fail(static_cast<int>(pwrite(static_cast<int>(fi->fh), buf, size, offset)));
}

int fs_release(const char* path, struct fuse_file_info* fi)
{
    (void)path;
    close(static_cast<int>(fi->fh));
    return 0;
}

int fs_fsync(const char* path, int datasync, struct fuse_file_info* fi)
{
    (void)path;
    return fail(datasync ? fdatasync(static_cast<int>(fi->fh)) : fsync(static_cast<int>(fi->fh)));
}

// What this file system is for.
int fs_truncate(const char* path, off_t size, struct fuse_file_info* fi)
{
    (void)path, (void)size, (void)fi;
    return -EOPNOTSUPP;
}

int fs_unlink(const char* path)
{
    if (const int closed = closedFolderOf(path))
        return closed;
    return fail(unlinkat(backing, rel(path), 0));
}

int fs_mkdir(const char* path, mode_t mode)
{
    if (const int closed = closedFolderOf(path))
        return closed;
    return fail(mkdirat(backing, rel(path), mode));
}

int fs_rmdir(const char* path)
{
    if (const int closed = closedFolderOf(path))
        return closed;
    return fail(unlinkat(backing, rel(path), AT_REMOVEDIR));
}

int fs_rename(const char* from, const char* to, unsigned int flags)
{
    if (flags)
        return -EINVAL;
    for (const char* end : {from, to})
        if (const int closed = closedFolderOf(end))
            return closed;
    return fail(renameat(backing, rel(from), backing, rel(to)));
}

int fs_chmod(const char* path, mode_t mode, struct fuse_file_info* fi)
{
    (void)fi;
    return fail(fchmodat(backing, rel(path), mode, 0));
}

int fs_utimens(const char* path, const struct timespec tv[2], struct fuse_file_info* fi)
{
    (void)fi;
    return fail(utimensat(backing, rel(path), tv, AT_SYMLINK_NOFOLLOW));
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--keep-folders-closed") == 0) {
        keepFoldersClosed = true;
        argv[1] = argv[0];
        --argc, ++argv;
    }
    if (argc < 3) {
        fprintf(stderr, "usage: %s [--keep-folders-closed] BACKING MOUNTPOINT [fuse options]\n", argv[0]);
        return 2;
    }
    backing = open(argv[1], O_RDONLY | O_DIRECTORY);
    if (backing < 0) {
        perror(argv[1]);
        return 1;
    }
    fuse_operations operations{};
    operations.getattr = fs_getattr;
    operations.mkdir = fs_mkdir;
    operations.unlink = fs_unlink;
    operations.rmdir = fs_rmdir;
    operations.rename = fs_rename;
    operations.chmod = fs_chmod;
    operations.truncate = fs_truncate;
    operations.open = fs_open;
    operations.read = fs_read;
    operations.write = fs_write;
    operations.release = fs_release;
    operations.fsync = fs_fsync;
    operations.readdir = fs_readdir;
    operations.create = fs_create;
    operations.utimens = fs_utimens;
    argv[1] = argv[0];
    return fuse_main(argc - 1, argv + 1, &operations, nullptr);
}
