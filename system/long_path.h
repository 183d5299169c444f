// The full path of a name in the form that the file functions take whatever
// its length. Without the long-path setting, Windows refuses a plain path of
// MAX_PATH units or more; the "\\?\" form reaches 32,767, but takes the path
// as it stands, with no relative part, no "." or "..", and no slash, so the
// name is made full and normal first.
//
//   full path                         form
//   up to 259 units                   as it is
//   C:\... past 259                   \\?\C:\...
//   \\server\share\... past 259       \\?\UNC\server\share\...
//   \\?\... or \\.\... (any length)   as it is
#pragma once
#include <windows.h>

// The longest plain path that the file functions take, and the longest name
// of one file or folder that a file system allows.
constexpr int kLongestPlainPath = MAX_PATH - 1;
constexpr int kLongestName = 255;

// The form of name's full path in out, and its length; 0 when it does not fit
// in size units with its NUL. *nameAt, when asked, is where the last
// component begins in out, or the length for a path that ends in a
// backslash.
int LongPathForm(const wchar_t* name, wchar_t* out, int size, int* nameAt = nullptr);
