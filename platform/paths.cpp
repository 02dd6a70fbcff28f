#include "platform/paths.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

#include "platform/errors.h"
#include "platform/text.h"

namespace qa {

DrivePaths::DrivePaths(std::string root) : root_(std::move(root))
{
    while (root_.size() > 1 && root_.back() == '/')
        root_.pop_back();
}

DrivePaths DrivePaths::fromEnvironment()
{
    if (const char* env = std::getenv("QA_TUTOR_DRIVE_ROOT"); env && *env)
        return DrivePaths(env);
    return DrivePaths(homeDirectory());
}

std::string DrivePaths::hostPath(const std::string& windowPath) const
{
    if (windowPath.empty() || windowPath.find('\0') != std::string::npos)
        throw RuntimeError(kBadFileName, windowPath, "not a usable file name");
    std::string_view rest = windowPath;
    std::string out = root_;
    if (rest.size() >= 2 && rest[1] == ':' &&
        ((rest[0] >= 'a' && rest[0] <= 'z') || (rest[0] >= 'A' && rest[0] <= 'Z'))) {
        out += '/';
        out += static_cast<char>(rest[0] | 0x20);
        rest.remove_prefix(2);
    }
    std::string component;
    auto flush = [&] {
        if (component == "..")
            throw RuntimeError(kBadFileName, windowPath, "not a usable file name");
        if (!component.empty() && component != ".") {
            out += '/';
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
    return out;
}

std::string homeDirectory()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return ".";
}

std::string defaultStateDirectory()
{
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        return joinPath(state, "qa-tutor");
    return homeDirectory() + "/.local/state/qa-tutor";
}

std::string parentOf(const std::string& hostPath)
{
    const auto slash = hostPath.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return hostPath.substr(0, slash);
}

std::string joinPath(const std::string& dir, const std::string& name)
{
    if (!dir.empty() && dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

} // namespace qa
