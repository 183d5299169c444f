// The floor of the job: a GUI-subsystem exe linked like Tavrel.exe, importing
// the same four DLLs (kernel32, user32, shlwapi, msvcrt), that does only the
// system work which no program doing Tavrel's job can leave out: one
// question to the file system per named file, the clipboard opened and a
// text of the result's size put on it, and the beep. What Tavrel takes beyond
// this run is its own.
//
//   e2e_floor_job.exe <text size in bytes, NUL included> <name> <name> ...
//   e2e_floor_job.exe /u <text size in bytes, NUL included>
//
// With "/u" the names are the lines of the clipboard's Unicode text, as
// "/#u /#c" takes them, each asked in its "\\?\" form, as Tavrel asks a path
// past 259 units, and the text put is Unicode. The names of the clipboard
// are taken as full and normal, the form they are given in.
//
// The exit code is 0 when every name exists and the clipboard took the text.
#include <windows.h>
#include <shlwapi.h>

// The longest path of the "\\?\" form, with its prefix and its NUL.
const int kLongFormSize = 32767 + 8;

// The next blank-separated word of text copied into word; the text after it.
static const char* NextWord(const char* text, char (&word)[MAX_PATH])
{
    while (*text == ' ') ++text;
    int length = 0;
    for (; *text && *text != ' '; ++text)
        if (length < MAX_PATH - 1) word[length++] = *text;
    word[length] = 0;
    return text;
}

static bool AskEveryName(const char* names)
{
    bool allExist = true;
    char name[MAX_PATH];
    for (names = NextWord(names, name); name[0]; names = NextWord(names, name))
        allExist &= GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES;
    return allExist;
}

// Each line of text, of length units, in "\\?\" form; a line too long for
// that form counts as a missing name.
static bool AskEveryLine(const wchar_t* text, size_t length)
{
    static wchar_t longForm[kLongFormSize] = L"\\\\?\\";
    bool allExist = true;
    for (size_t start = 0, end; start < length; start = end + 2) {
        for (end = start; end < length && text[end] != L'\r'; ++end) {}
        size_t units = end - start;
        if (units + 5 > (size_t)kLongFormSize) {
            allExist = false;
            continue;
        }
        CopyMemory(longForm + 4, text + start, units * sizeof(wchar_t));
        longForm[4 + units] = 0;
        allExist &= GetFileAttributesW(longForm) != INVALID_FILE_ATTRIBUTES;
    }
    return allExist;
}

// Tavrel reads the clipboard's text before it asks; a block need not end in
// a NUL, so it is read no further than its own size.
static bool AskClipboardLines()
{
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const wchar_t* text = data ? (const wchar_t*)GlobalLock(data) : nullptr;
    if (!text) return false;
    size_t size = GlobalSize(data) / sizeof(wchar_t), length = 0;
    while (length < size && text[length]) ++length;
    bool allExist = length > 0 && AskEveryLine(text, length);
    GlobalUnlock(data);
    return allExist;
}

// Set as Tavrel sets its result: a movable block, the beep while the
// clipboard is open and emptied. With unicode, the names are asked first,
// while the clipboard is open, and *asked tells whether all exist.
static bool PutTextOfSize(int size, bool unicode, bool* asked)
{
    int unit = unicode ? sizeof(wchar_t) : 1;
    if (size < unit) return false;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (SIZE_T)size);
    if (!block) return false;
    char* text = (char*)GlobalLock(block);
    if (!text) {
        GlobalFree(block);
        return false;
    }
    if (unicode) {
        for (int i = 0; i < size / unit - 1; ++i) ((wchar_t*)text)[i] = L'x';
    } else {
        FillMemory(text, (SIZE_T)size - 1, 'x');
    }
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) {
        GlobalFree(block);
        return false;
    }
    if (unicode) *asked = AskClipboardLines();
    EmptyClipboard();
    MessageBeep(MB_ICONASTERISK);
    bool placed = SetClipboardData(unicode ? CF_UNICODETEXT : CF_TEXT, block) != nullptr;
    if (!placed) GlobalFree(block);
    CloseClipboard();
    return placed;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char size[MAX_PATH];
    const char* names = NextWord(PathGetArgsA(GetCommandLineA()), size);
    bool unicode = lstrcmpA(size, "/u") == 0;
    if (unicode) NextWord(names, size);
    bool asked = false;
    if (!unicode) asked = AskEveryName(names);
    bool placed = PutTextOfSize(StrToIntA(size), unicode, &asked);
    return asked && placed ? 0 : 1;
}
