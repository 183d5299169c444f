// The clipboard text source: the lines of the clipboard's CF_TEXT, scanned in
// place into the ItemList when the command line gave no item.
#pragma once

// 1 when the scan left at least one item in the ItemList, else 0.
int CollectFromClipboard();
