// qa-review: the instructor's review of handed-in record files, on the
// command line.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#include <shellapi.h>
#else
#include <unistd.h>
#endif

#include "review/review.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args;
#ifdef _WIN32
    // The arguments in UTF-8, from the wide command line.
    (void)argv;
    int n = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
    for (int i = 1; wide && i < n; ++i) {
        const int len = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string s(len > 0 ? static_cast<std::size_t>(len - 1) : 0, '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, s.data(), len, nullptr, nullptr);
        args.push_back(s);
    }
    LocalFree(wide);
    const bool terminal = _isatty(_fileno(stderr));
#else
    args.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
    const bool terminal = isatty(fileno(stderr));
#endif
    (void)argc;
    return qa::review::runCommandLine(args, std::cout, std::cerr, terminal);
}
