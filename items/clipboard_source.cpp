// The clipboard text source: the clipboard's text in the run's kind, scanned
// line by line into the ItemList. In the code page the lines of CF_TEXT that
// agree with CF_UNICODETEXT; in Unicode, CF_UNICODETEXT, which Windows offers
// for CF_TEXT too. The clipboard is held open, and its text locked, only for
// the scan, and never changed.
#include "items/clipboard_source.h"

#include <windows.h>
#include <string.h>

#include "items/clipboard_files.h"
#include "items/clipboard_open.h"
#include "items/item_list.h"
#include "system/system_text.h"
#include "system/text_rules.h"

// Another program's text block need not end in a NUL, so the text is read no
// further than the block's own size.
template <typename Char>
int ScanTextBlock(HANDLE data)
{
    const Char* text = (const Char*)GlobalLock(data);
    if (!text) return 0;
    int found = 0;
    size_t length = TextLength(text, GlobalSize(data) / sizeof(Char));
    if (length > 0) {
        ScanItemsInBlock(text, length, ClipboardText);
        found = itemList.count > 0 ? 1 : 0;
    }
    GlobalUnlock(data);
    return found;
}

template <typename Char>
int CollectFromClipboard()
{
    // Explorer's Copy leaves files and no text; text, even one that names
    // nothing, still comes first.
    if (!IsClipboardFormatAvailable(kClipboardTextFormat<Char>)) return CollectClipboardFiles<Char>();
    if (!OpenClipboardPatiently()) return 0;
    int found = 0;
    bool converted = false;
    if (HGLOBAL data = ClipboardTextFromSystem<Char>(&converted)) {
        found = ScanTextBlock<Char>(data);
        if (converted) GlobalFree(data);
    }
    CloseClipboard();
    return found;
}

template int ScanTextBlock<char>(HANDLE);
template int ScanTextBlock<wchar_t>(HANDLE);
template int CollectFromClipboard<char>();
template int CollectFromClipboard<wchar_t>();
