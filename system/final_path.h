// Where a symbolic link or a junction leads: the final path of the file or
// folder that path names, as the system resolves it; and the full form of a
// path, which the system makes without asking the file system. Both in the
// plain form that Explorer and the file functions take.
//
//   the system answers          the final path, the full form
//   \\?\C:\Work\file.txt        C:\Work\file.txt
//   \\?\UNC\server\share\x      \\server\share\x
//   anything else               as it answers
#pragma once
#include <windows.h>

// False when path cannot be opened or its final path does not fit in size
// units with its NUL; out is then left unspecified.
bool FinalPathOf(const wchar_t* path, wchar_t* out, int size);

// Where path itself is a symbolic link or another reparse point, its final
// path; else path as it is, so that a linked folder on the way (Scoop's
// "current" junction) stays as given. False when the answer does not fit in
// size units with its NUL.
bool PathPastOwnLink(const wchar_t* path, wchar_t* out, int size);

// The full form of path (GetFullPathNameW): a relative path taken from the
// current folder, slashes made backslashes, "." and ".." resolved. False
// when it does not fit in size units with its NUL; out is then left
// unspecified.
bool FullFormOf(const wchar_t* path, wchar_t* out, int size);

// The same for a path in the code page, made UTF-16 first.
bool FullFormOf(const char* path, wchar_t* out, int size);
