// The clipboard's file list: the files that Explorer's Copy (Ctrl+C) places
// as CF_HDROP, taken as the items when the clipboard holds no text at all.
//
// The block is read by its own size, never by the terminators it claims:
//
//   block                                      items
//   shorter than its DROPFILES header          none
//   list offset inside the header or past      none
//   the block's end
//   fWide = 1                                  names in UTF-16
//   fWide = 0                                  names in the ANSI code page
//   a name without its terminator at the end   that name left out
//   an empty name                              the end of the list
//
// Each name is asked about and taken as the scanner takes a token (the 259
// and 1000 bounds included), but whole: a name may begin with a blank. In a
// run in the code page a name that the code page cannot hold exactly is left
// out, never replaced by a look-alike.
#pragma once
#include <windows.h>

// 1 when the clipboard's file list left at least one item in the ItemList,
// else 0. Opens the clipboard only when it offers CF_HDROP.
template <typename Char>
int CollectClipboardFiles();

// The same for a CF_HDROP block in hand; the list is reset only when the
// block's header and offset are sound.
template <typename Char>
int ScanFileBlock(HANDLE data);
