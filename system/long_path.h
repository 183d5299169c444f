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

// Whether a component of path has the short form that Windows and Wine give
// a long name: at most eight characters and an extension of at most three,
// holding "~" followed by a letter or a digit. Only such a path is worth a
// question per component.
//
//   component       short form
//   PROGRA~1        yes (Windows')
//   PROG~FBU        yes (Wine's)
//   REPORT~1.DOC    yes
//   ~1              yes
//   report~.txt     no: "~" before a dot
//   LONGNAME~1      no: ten characters
//   name~1.html     no: an extension of four
//   a.b~1.c         no: two dots
bool HoldsShortName(const wchar_t* path);

// path, an existing file or folder, with its short components in their long
// form, as GetLongPathNameW gives it, in out; false when path holds no short
// component, or when the long form does not fit in size units with its NUL.
bool LongFormOfShortNames(const wchar_t* path, wchar_t* out, int size);
