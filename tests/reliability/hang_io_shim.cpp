// Preloaded into the real program by a real-window test: a share that hangs.
// Once the file named by QA_HANG_FLAG exists, every call named by QA_HANG_CALL
// ("write", or "sync" for fsync and fdatasync) on a file under QA_HANG_UNDER
// creates FLAG.hung and then never returns. All other calls go through.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool hangs(int fd, const char* call)
{
    const char* under = std::getenv("QA_HANG_UNDER");
    const char* flag = std::getenv("QA_HANG_FLAG");
    const char* which = std::getenv("QA_HANG_CALL");
    if (!under || !flag || !which || *under == '\0' || std::strcmp(which, call) != 0 || ::access(flag, F_OK) != 0)
        return false;
    char path[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(link.c_str(), path, sizeof path - 1);
    return n > 0 && std::string(path, static_cast<std::size_t>(n)).starts_with(under);
}

[[noreturn]] void hang()
{
    const std::string hung = std::string(std::getenv("QA_HANG_FLAG")) + ".hung";
    const int fd = ::open(hung.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
    for (;;)
        ::pause();
}

template <class F> F next(const char* name)
{
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" ssize_t write(int fd, const void* bytes, size_t size)
{
    if (hangs(fd, "write"))
        hang();
    static const auto real = next<ssize_t (*)(int, const void*, size_t)>("write");
    return real(fd, bytes, size);
}

extern "C" int fsync(int fd)
{
    if (hangs(fd, "sync"))
        hang();
    static const auto real = next<int (*)(int)>("fsync");
    return real(fd);
}

extern "C" int fdatasync(int fd)
{
    if (hangs(fd, "sync"))
        hang();
    static const auto real = next<int (*)(int)>("fdatasync");
    return real(fd);
}
