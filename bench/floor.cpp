// The floor of the end-to-end benchmark: a GUI-subsystem exe linked like
// Tavrel.exe that returns at once, so that a run of it costs only what
// starting and ending a process costs.
//
// Started with "/clipboard" it first opens and closes the clipboard: the least
// that any clipboard tool does, and under Wine what brings in user32 and the
// display driver. user32 is loaded only then, so the plain floor imports
// nothing beyond the runtime.
#include <windows.h>
#include <string.h>

typedef BOOL(WINAPI* OpenClipboardFunction)(HWND);
typedef BOOL(WINAPI* CloseClipboardFunction)();

static void OpenAndCloseClipboard()
{
    HMODULE user32 = LoadLibraryA("user32.dll");
    if (!user32) return;
    auto open = (OpenClipboardFunction)(void*)GetProcAddress(user32, "OpenClipboard");
    auto close = (CloseClipboardFunction)(void*)GetProcAddress(user32, "CloseClipboard");
    if (open && close && open(nullptr)) close();
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    if (strstr(commandLine, "/clipboard")) OpenAndCloseClipboard();
    return 0;
}
