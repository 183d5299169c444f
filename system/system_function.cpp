#include "system/system_function.h"

#include <wchar.h>

// The system folder asked in Unicode: its ANSI form would hand back a
// look-alike of a folder that the code page cannot hold.
FARPROC LoadSystemFunction(const char* dllName, const char* functionName)
{
    wchar_t path[MAX_PATH];
    UINT folderLength = GetSystemDirectoryW(path, MAX_PATH);
    if (folderLength == 0 || folderLength >= MAX_PATH) return nullptr;
    int length = _snwprintf(path + folderLength, MAX_PATH - folderLength, L"\\%hs", dllName);
    if (length < 0 || length >= (int)(MAX_PATH - folderLength)) return nullptr;
    HMODULE library = LoadLibraryW(path);
    return library ? GetProcAddress(library, functionName) : nullptr;
}
