#include "items/clipboard_open.h"

#include <windows.h>

bool OpenClipboardPatiently()
{
    DWORD start = GetTickCount();
    for (;;) {
        if (OpenClipboard(nullptr)) return true;
        if (GetTickCount() - start >= kClipboardPatienceMs) return false;
        Sleep(kClipboardPauseMs);
    }
}
