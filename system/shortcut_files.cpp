#include "system/shortcut_files.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "system/shell_objects.h"
#include "system/system_function.h"

// FOLDERID_SendTo and FOLDERID_Programs, spelled out as the shortcut's class
// id is, in ShortcutFolder's order.
static const KNOWNFOLDERID kKnownFolders[] = {
    {0x8983036C, 0x27C0, 0x404B, {0x8F, 0x08, 0x10, 0x2D, 0x10, 0xDC, 0xFD, 0x74}},
    {0xA77F5D77, 0x2E2B, 0x44C3, {0xA6, 0xA2, 0xAB, 0xA6, 0x01, 0x05, 0x4A, 0x51}},
};

bool ShortcutPath(ShortcutFolder folder, const wchar_t* name, wchar_t* out, int size)
{
    auto knownFolderPath =
        LoadSystemFunctionAs<decltype(&SHGetKnownFolderPath)>("shell32.dll", "SHGetKnownFolderPath");
    wchar_t* folderPath = nullptr;
    int length = -1;
    if (knownFolderPath && SUCCEEDED(knownFolderPath(kKnownFolders[folder], 0, nullptr, &folderPath)))
        length = wnsprintfW(out, size, L"%s\\%s (Tavrel).lnk", folderPath, name);
    FreeTaskMemory(folderPath);
    return length > 0 && length < size - 1;
}

bool WriteShortcut(const wchar_t* path, const wchar_t* target, const wchar_t* arguments, WORD hotkey)
{
    IShellLinkW* link;
    IPersistFile* file;
    if (!NewShellLink(&link, &file)) return false;
    bool written = SUCCEEDED(link->SetPath(target)) && SUCCEEDED(link->SetArguments(arguments)) &&
                   SUCCEEDED(link->SetIconLocation(target, 0)) && SUCCEEDED(link->SetDescription(L"Tavrel")) &&
                   SUCCEEDED(link->SetHotkey(hotkey)) && SUCCEEDED(file->Save(path, TRUE));
    file->Release();
    link->Release();
    return written;
}

// The long form of path, ending in a backslash; false when it is none.
static bool LongFolderForm(const wchar_t* path, wchar_t (&out)[MAX_PATH])
{
    DWORD length = GetLongPathNameW(path, out, MAX_PATH - 1);
    if (!length || length >= MAX_PATH - 1) return false;
    PathAddBackslashW(out);
    return true;
}

bool LiesInTemporaryFolder(const wchar_t* path)
{
    wchar_t given[MAX_PATH];
    wchar_t temporary[MAX_PATH];
    wchar_t profile[MAX_PATH];
    wchar_t exe[MAX_PATH];
    DWORD length = GetTempPathW(MAX_PATH, given);
    if (!length || length >= MAX_PATH || !LongFolderForm(given, temporary) || PathIsRootW(temporary)) return false;
    length = GetEnvironmentVariableW(L"USERPROFILE", given, MAX_PATH);
    if (length && length < MAX_PATH && LongFolderForm(given, profile) && lstrcmpiW(profile, temporary) == 0)
        return false;
    return LongFolderForm(path, exe) && StrCmpNIW(exe, temporary, lstrlenW(temporary)) == 0;
}
