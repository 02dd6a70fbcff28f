#pragma once
// Host paths are UTF-8 on every platform; the Windows calls take UTF-16.
// Included by the Windows implementation only, and by its tests.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

namespace qa::win32 {

// UTF-8 to UTF-16; false for bytes that are no UTF-8.
inline bool widen(const std::string& utf8, std::wstring& out)
{
    out.clear();
    if (utf8.empty())
        return true;
    const int n =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (n <= 0)
        return false;
    out.resize(static_cast<std::size_t>(n));
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                               out.data(), n) == n;
}

inline std::string narrow(const std::wstring& utf16)
{
    if (utf16.empty())
        return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(), n, nullptr,
                            nullptr);
    return out;
}

// An environment variable as UTF-8; empty when it is not set.
inline std::string environment(const wchar_t* name)
{
    std::wstring value(256, L'\0');
    DWORD n = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (n > value.size()) {
        value.resize(n);
        n = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    }
    if (n == 0 || n >= value.size())
        return {};
    value.resize(n);
    return narrow(value);
}

// A Windows error code as the errno value the file calls report with it.
int errnoOf(DWORD error);

} // namespace qa::win32
