#include "system/final_path.h"

#include <wchar.h>

#include "system/system_calls.h"
#include "system/system_text.h"

// The "\\?\" prefixes dropped in place from an answer of length units.
static void DropLongPrefix(wchar_t* out, DWORD length)
{
    size_t skip = 0;
    if (StartsWithNoCase(out, L"\\\\?\\UNC\\")) {
        out[6] = L'\\';
        skip = 6;
    } else if (StartsWithNoCase(out, L"\\\\?\\")) {
        skip = 4;
    }
    wmemmove(out, out + skip, length - skip + 1);
}

// Opened for no access and shared every way, so that a file in use by
// another program still answers; backup semantics lets a folder be opened.
bool FinalPathOf(const wchar_t* path, wchar_t* out, int size)
{
    HANDLE file = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD length = FinalPathName(file, out, size);
    CloseHandle(file);
    if (!length || length >= (DWORD)size) return false;
    DropLongPrefix(out, length);
    return true;
}

bool FullFormOf(const wchar_t* path, wchar_t* out, int size)
{
    DWORD length = FullPathName(path, size, out, nullptr);
    if (!length || length >= (DWORD)size) return false;
    DropLongPrefix(out, length);
    return true;
}

// Room for any text of the code page that a run holds, none longer than its
// command line; each byte makes one unit at most.
bool FullFormOf(const char* path, wchar_t* out, int size)
{
    static wchar_t wide[32768];
    return NameFromCodePage(path, wide, 32768) && FullFormOf(wide, out, size);
}

bool PathPastOwnLink(const wchar_t* path, wchar_t* out, int size)
{
    DWORD attributes = FileAttributes(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        FinalPathOf(path, out, size))
        return true;
    if (wcslen(path) >= (size_t)size) return false;
    CopyText(out, path, size);
    return true;
}
