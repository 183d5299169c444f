// Explorer's Copy as the tests, the demo and the bench place it: a CF_HDROP
// block (a DROPFILES header, each name with its NUL, the list's NUL), names
// given in UTF-8 for UTF-16 (fWide = 1), else as the code page's bytes.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <string.h>

#include <string>
#include <vector>

#include "tests/support/harness.h"

namespace harness {

inline std::string FileListBlock(const std::vector<std::string>& names, bool wide)
{
    DROPFILES header = {sizeof(DROPFILES), {0, 0}, FALSE, wide};
    std::string block((const char*)&header, sizeof(header));
    for (const std::string& name : names) {
        std::wstring units = Utf16(name) + L'\0';
        if (wide) block.append((const char*)units.c_str(), units.size() * sizeof(wchar_t));
        else block.append(name.c_str(), name.size() + 1);
    }
    return block.append(wide ? 2 : 1, '\0');
}

inline HGLOBAL BlockOf(const std::string& bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    return block;
}

// The block alone on the clipboard, as Explorer leaves it: no text.
inline void SetClipboardBlock(UINT format, const std::string& bytes)
{
    bool opened = false;
    for (int attempt = 0; attempt < 100 && !(opened = OpenClipboard(nullptr)); ++attempt) Sleep(10);
    if (!opened || !EmptyClipboard() || !SetClipboardData(format, BlockOf(bytes))) ReportSetUpFailure("no block placed");
    if (opened) CloseClipboard();
}

}  // namespace harness
