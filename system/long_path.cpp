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

static bool IsLetterOrDigit(wchar_t unit)
{
    return (unit >= L'0' && unit <= L'9') || (unit >= L'A' && unit <= L'Z') || (unit >= L'a' && unit <= L'z');
}

bool HoldsShortName(const wchar_t* path)
{
    int length = 0, dots = 0, dotAt = 0;
    bool tilde = false;
    for (const wchar_t* at = path;; ++at) {
        if (!*at || *at == L'\\' || *at == L'/') {
            bool shortForm = dots ? dots == 1 && dotAt <= 8 && length - dotAt <= 4 : length <= 8;
            if (tilde && shortForm) return true;
            if (!*at) return false;
            length = dots = 0;
            tilde = false;
            continue;
        }
        if (*at == L'.') dots++, dotAt = length;
        tilde |= *at == L'~' && IsLetterOrDigit(at[1]);
        ++length;
    }
}

bool LongFormOfShortNames(const wchar_t* path, wchar_t* out, int size)
{
    if (!HoldsShortName(path)) return false;
    DWORD length = LongPathName(path, out, size);
    return length && length < (DWORD)size;
}
