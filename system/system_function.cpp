#include "system/system_function.h"

#include <stdio.h>

FARPROC LoadSystemFunction(const char* dllName, const char* functionName)
{
    char path[MAX_PATH];
    UINT folderLength = GetSystemDirectoryA(path, sizeof(path));
    if (folderLength == 0 || folderLength >= sizeof(path)) return nullptr;
    int length = _snprintf(path + folderLength, sizeof(path) - folderLength, "\\%s", dllName);
    if (length < 0 || (size_t)length >= sizeof(path) - folderLength) return nullptr;
    HMODULE library = LoadLibraryA(path);
    return library ? GetProcAddress(library, functionName) : nullptr;
}
