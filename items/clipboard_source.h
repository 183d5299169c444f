// The clipboard text source: the lines of the clipboard's CF_TEXT, scanned in
// place into the ItemList when the command line gave no item.
#pragma once

// 1 when the scan left at least one item in the ItemList, else 0. The list is
// touched only when the clipboard offered a text that is not empty.
int CollectFromClipboard();
