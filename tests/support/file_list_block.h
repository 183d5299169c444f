// Explorer's Copy as the tests, the demo and the bench place it: a CF_HDROP
// block, and the clipboard holding that block and no text.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <string.h>

#include <string>
#include <vector>

#include "tests/support/harness.h"

namespace harness {

// The DROPFILES header, then each name with its NUL and the NUL that ends the
// list: in UTF-16 (fWide = 1) the names are given in UTF-8, in the code page
// (fWide = 0) as its bytes.
inline std::string FileListBlock(const std::vector<std::string>& names, bool wide)
{
    DROPFILES header = {};
    header.pFiles = sizeof(header);
    header.fWide = wide;
    std::string block((const char*)&header, sizeof(header));
    for (const std::string& name : names) {
        if (!wide) block.append(name.c_str(), name.size() + 1);
        else {
            std::wstring units = Utf16(name);
            block.append((const char*)units.c_str(), (units.size() + 1) * sizeof(wchar_t));
        }
    }
    return block.append(wide ? 2 : 1, '\0');
}

// bytes as a block of its own, which the caller frees.
inline HGLOBAL BlockOf(const std::string& bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size() ? bytes.size() : 1);
    if (block) {
        memcpy(GlobalLock(block), bytes.data(), bytes.size());
        GlobalUnlock(block);
    }
    return block;
}

// The clipboard's one format: no text beside it, as Explorer leaves it.
inline bool SetClipboardBlock(UINT format, const std::string& bytes)
{
    HGLOBAL block = BlockOf(bytes);
    bool opened = false;
    for (int attempt = 0; attempt < 100 && !(opened = OpenClipboard(nullptr)); ++attempt) Sleep(10);
    bool set = opened && EmptyClipboard() && SetClipboardData(format, block);
    if (opened) CloseClipboard();
    if (!set) {
        GlobalFree(block);
        ReportSetUpFailure("could not place a block of format " + std::to_string(format) + " on the clipboard");
    }
    return set;
}

}  // namespace harness
