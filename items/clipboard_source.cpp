// The clipboard text source: the clipboard's text in the code page, scanned
// line by line into the ItemList; an ANSI program's CF_TEXT in place, text
// placed as Unicode in an exact conversion. The clipboard is held open, and
// its text locked, only for the scan, and never changed.
#include "items/clipboard_source.h"

#include <windows.h>
#include <string.h>

#include "items/clipboard_open.h"
#include "items/item_list.h"
#include "system/system_text.h"

// Another program's text block need not end in a NUL, so the text is read no
// further than the block's own size.
int ScanTextBlock(HANDLE data)
{
    const char* text = (const char*)GlobalLock(data);
    if (!text) return 0;
    int found = 0;
    size_t length = strnlen(text, GlobalSize(data));
    if (length > 0) {
        ScanItemsInBlock(text, length, ClipboardText);
        found = itemList.count > 0 ? 1 : 0;
    }
    GlobalUnlock(data);
    return found;
}

int CollectFromClipboard()
{
    if (!IsClipboardFormatAvailable(CF_TEXT)) return 0;
    if (!OpenClipboardPatiently()) return 0;
    int found = 0;
    bool converted = false;
    if (HGLOBAL data = ClipboardTextFromSystem(&converted)) {
        found = ScanTextBlock(data);
        if (converted) GlobalFree(data);
    }
    CloseClipboard();
    return found;
}
