// Another program that holds a record file, for the Windows tests:
//
//   qa_windows_helper hold PATH EVENT   opens PATH sharing nothing, as an
//                                       editor that keeps the file might
//   qa_windows_helper lock PATH EVENT   takes the lock our writers take
//
// then sets the named event and waits to be ended.
#include <cstdio>
#include <string>

#include "platform/file_ops.h"
#include "platform/win32_text.h"

#include <shellapi.h>

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc != 4) {
        std::fprintf(stderr, "usage: qa_windows_helper hold|lock PATH EVENT\n");
        return 2;
    }
    const std::wstring mode = argv[1];
    if (mode == L"hold") {
        HANDLE h = CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return 3;
    } else if (mode == L"lock") {
        qa::FileOps& ops = qa::systemFileOps();
        const int fd = ops.open(qa::win32::narrow(argv[2]), qa::kOpenAppend);
        if (fd < 0 || ops.lock(fd, qa::LockKind::Exclusive) != 0)
            return 3;
    } else {
        return 2;
    }
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[3]);
    if (!ready || !SetEvent(ready))
        return 4;
    Sleep(INFINITE);
    return 0;
}
