#include "system/long_path.h"

#include <wchar.h>

#include "system/system_calls.h"

int LongPathForm(const wchar_t* name, wchar_t* out, int size, int* nameAt)
{
    wchar_t* part = nullptr;
    DWORD length = FullPathName(name, size, out, &part);
    if (!length || length >= (DWORD)size) return 0;
    int at = part ? (int)(part - out) : (int)length;
    if (length > (DWORD)kLongestPlainPath && !StartsWithNoCase(out, L"\\\\?\\") && !StartsWithNoCase(out, L"\\\\.\\")) {
        // A share's two backslashes become "\\?\UNC\".
        bool share = StartsWithNoCase(out, L"\\\\");
        const wchar_t* prefix = share ? L"\\\\?\\UNC" : L"\\\\?\\";
        int added = share ? 6 : 4;
        if (length + added >= (DWORD)size) return 0;
        wmemmove(out + added, out, length + 1);
        wmemcpy(out, prefix, share ? 7 : 4);
        length += added;
        at += added;
    }
    if (nameAt) *nameAt = at;
    return (int)length;
}
