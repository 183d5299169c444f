// The floor of the job: a GUI-subsystem exe linked like Tavrel.exe, importing
// the same four DLLs (kernel32, user32, shlwapi, msvcrt), that does only the
// system work which no program doing Tavrel's job can leave out: one
// question to the file system per named file, the clipboard opened and a
// text of the result's size put on it, and the beep. What Tavrel takes beyond
// this run is its own.
//
//   e2e_floor_job.exe <text size in bytes, NUL included> <name> <name> ...
//
// The exit code is 0 when every name exists and the clipboard took the text.
#include <windows.h>
#include <shlwapi.h>

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

// Set as Tavrel sets its result: a movable block, the beep while the
// clipboard is open and emptied.
static bool PutTextOfSize(int size)
{
    if (size < 1) return false;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (SIZE_T)size);
    if (!block) return false;
    char* text = (char*)GlobalLock(block);
    if (!text) {
        GlobalFree(block);
        return false;
    }
    FillMemory(text, (SIZE_T)size - 1, 'x');
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) {
        GlobalFree(block);
        return false;
    }
    EmptyClipboard();
    MessageBeep(MB_ICONASTERISK);
    bool placed = SetClipboardData(CF_TEXT, block) != nullptr;
    if (!placed) GlobalFree(block);
    CloseClipboard();
    return placed;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char size[MAX_PATH];
    const char* names = NextWord(PathGetArgsA(GetCommandLineA()), size);
    bool asked = AskEveryName(names);
    bool placed = PutTextOfSize(StrToIntA(size));
    return asked && placed ? 0 : 1;
}
