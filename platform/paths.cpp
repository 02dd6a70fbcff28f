#include "platform/paths.h"

#include <cstdlib>

#ifdef _WIN32
#include "platform/win32_text.h"
#else
#include <pwd.h>
#include <unistd.h>
#endif

#include "platform/errors.h"
#include "platform/text.h"

namespace qa {
namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

bool isDriveLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

} // namespace

bool isPathSeparator(char c)
{
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

DrivePaths::DrivePaths(std::string root) : root_(std::move(root))
{
    while (root_.size() > 1 && isPathSeparator(root_.back()))
        root_.pop_back();
}

DrivePaths DrivePaths::fromEnvironment()
{
#ifdef _WIN32
    // The drives are the machine's own, unless a root is asked for.
    return DrivePaths(win32::environment(L"QA_TUTOR_DRIVE_ROOT"));
#else
    if (const char* env = std::getenv("QA_TUTOR_DRIVE_ROOT"); env && *env)
        return DrivePaths(env);
    return DrivePaths(homeDirectory());
#endif
}

std::string DrivePaths::hostPath(const std::string& windowPath) const
{
    if (windowPath.empty() || windowPath.find('\0') != std::string::npos)
        throw RuntimeError(kBadFileName, windowPath, "not a usable file name");
    std::string_view rest = windowPath;
    std::string out = root_;
    const bool drive = rest.size() >= 2 && rest[1] == ':' && isDriveLetter(rest[0]);
    // Without a root (Windows only) a drive path stays what it is, and a
    // relative path stays relative.
    bool asTheyAre = false;
#ifdef _WIN32
    asTheyAre = root_.empty();
#endif
    bool bare = false;
    if (asTheyAre) {
        if (drive) {
            out += static_cast<char>(rest[0] & ~0x20);
            out += ':';
            rest.remove_prefix(2);
        } else {
            bare = !isPathSeparator(rest[0]);
        }
    } else if (drive) {
        out += kSeparator;
        out += static_cast<char>(rest[0] | 0x20);
        rest.remove_prefix(2);
    }
    std::string component;
    auto flush = [&] {
        if (component == "..")
            throw RuntimeError(kBadFileName, windowPath, "not a usable file name");
        if (!component.empty() && component != ".") {
            if (!bare)
                out += kSeparator;
            bare = false;
            out += text::toUtf8(component); // host file names are UTF-8
        }
        component.clear();
    };
    for (char c : rest) {
        if (c == '\\' || c == '/')
            flush();
        else
            component += c;
    }
    flush();
#ifdef _WIN32
    if (out.size() == 2 && out[1] == ':')
        out += kSeparator; // the drive's root, not its current folder
#endif
    return out;
}

#ifdef _WIN32

std::string homeDirectory()
{
    if (std::string profile = win32::environment(L"USERPROFILE"); !profile.empty())
        return profile;
    const std::string drive = win32::environment(L"HOMEDRIVE");
    const std::string path = win32::environment(L"HOMEPATH");
    if (!path.empty())
        return drive + path;
    return ".";
}

#else

std::string homeDirectory()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return ".";
}

#endif

std::string parentOf(const std::string& hostPath)
{
#ifdef _WIN32
    const auto slash = hostPath.find_last_of("\\/");
    if (slash == std::string::npos)
        return hostPath.size() >= 2 && hostPath[1] == ':' ? hostPath.substr(0, 2) : ".";
    if (slash == 2 && hostPath[1] == ':')
        return hostPath.substr(0, 3); // C:\x is in C:\ .
#else
    const auto slash = hostPath.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
#endif
    if (slash == 0)
        return hostPath.substr(0, 1);
    return hostPath.substr(0, slash);
}

std::string joinPath(const std::string& dir, const std::string& name)
{
    if (!dir.empty() && isPathSeparator(dir.back()))
        return dir + name;
    return dir + kSeparator + name;
}

} // namespace qa
