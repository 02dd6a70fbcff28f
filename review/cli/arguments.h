#pragma once
// What both qa-review programs (the command line alone, and the one with the
// desk's window) take from their start: the arguments after the program
// name in UTF-8, and whether standard error is a terminal.
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#else
#include <unistd.h>
#endif

namespace qa::review {

inline std::vector<std::string> utf8Arguments([[maybe_unused]] int argc, [[maybe_unused]] char** argv)
{
    std::vector<std::string> args;
#ifdef _WIN32
    // From the wide command line: the narrow one holds only the code page.
    int n = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
    for (int i = 1; wide && i < n; ++i) {
        const int len = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string s(len > 0 ? static_cast<std::size_t>(len - 1) : 0, '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, s.data(), len, nullptr, nullptr);
        args.push_back(s);
    }
    LocalFree(wide);
#else
    args.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
#endif
    return args;
}

inline bool stderrIsTerminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stderr));
#else
    return isatty(fileno(stderr));
#endif
}

} // namespace qa::review
