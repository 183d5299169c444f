#include "items/clipboard_open.h"

#include <windows.h>

bool OpenClipboardPatiently()
{
    const DWORD kPatienceMs = 250;
    const DWORD kPauseMs = 10;
    DWORD start = GetTickCount();
    for (;;) {
        if (OpenClipboard(nullptr)) return true;
        if (GetTickCount() - start >= kPatienceMs) return false;
        Sleep(kPauseMs);
    }
}
