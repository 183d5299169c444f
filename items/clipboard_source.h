// The clipboard text source: the lines of the clipboard's text, scanned in
// place into the ItemList when the command line gave no item.
#pragma once
#include <windows.h>

// 1 when the scan left at least one item in the ItemList, else 0. The list is
// touched only when the clipboard offered a text that is not empty, or, with
// no text at all, a file list (items/clipboard_files.h).
template <typename Char = char>
int CollectFromClipboard();

// The scan of one text block in the code page, read up to its first NUL or its end,
// whichever comes first; returns as CollectFromClipboard does.
template <typename Char = char>
int ScanTextBlock(HANDLE data);
