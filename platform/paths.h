#pragma once
#include <string>

// Where the window's paths are on this host.
namespace qa {

// The window names its files by Windows drive paths (c:\kelvarno\...). On a
// host without drives, drive X lives in <root>/x: X:\a\b becomes <root>/x/a/b.
// On Windows the paths are the machine's own (C:\kelvarno\...) when the
// root is empty, and are placed under the root otherwise (<root>\x\a\b).
// Host paths are UTF-8.
class DrivePaths {
public:
    DrivePaths(std::string root); // NOLINT(google-explicit-constructor): a root is a mapping

    // The root from QA_TUTOR_DRIVE_ROOT, else the home directory (on
    // Windows: else none).
    static DrivePaths fromEnvironment();

    // The host path of a window path. Raises 52 for a path that names a parent
    // directory ("..") or holds a NUL.
    std::string hostPath(const std::string& windowPath) const;

    const std::string& root() const { return root_; }

private:
    std::string root_;
};

// The directory part of a host path, and a name joined to a directory.
// Windows paths may separate by "\\" or "/".
bool isPathSeparator(char c);
std::string parentOf(const std::string& hostPath);
std::string joinPath(const std::string& dir, const std::string& name);

// The home directory of the user running the program (%USERPROFILE% on
// Windows).
std::string homeDirectory();

} // namespace qa
