#include "system/link_target.h"

#include "system/final_path.h"
#include "system/shell_objects.h"
#include "system/system_calls.h"

// GetPath and GetPrivateProfileStringW fill the buffer as far as it goes: a
// target that fills it all may have been cut, and is refused.
bool LinkTargetOf(const wchar_t* fullPath, LinkKind kind, wchar_t* out, int size)
{
    if (kind == ReparsePoint) return FinalPathOf(fullPath, out, size);
    out[0] = 0;
    if (kind == InternetShortcut) GetPrivateProfileStringW(L"InternetShortcut", L"URL", L"", out, size, fullPath);
    IShellLinkW* link;
    IPersistFile* file;
    if (kind == Shortcut && NewShellLink(&link, &file)) {
        if (FAILED(file->Load(fullPath, STGM_READ)) || link->GetPath(out, size, nullptr, 0) != S_OK) out[0] = 0;
        file->Release();
        link->Release();
    }
    return out[0] && lstrlenW(out) < size - 1;
}

