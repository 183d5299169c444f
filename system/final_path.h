// Where a symbolic link or a junction leads: the final path of the file or
// folder that path names, as the system resolves it, in the form that
// Explorer and the file functions take.
//
//   the system answers          the final path
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
