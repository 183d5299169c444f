// Where a link leads, read through the system in UTF-16:
//
//   the link                       read through                        its target
//   a shortcut (.lnk)              the shell's shortcut object          GetPath with flags 0:
//                                  (system/shell_objects.h), loaded     the full path, its
//                                  for reading, never resolved          variables expanded
//   an Internet shortcut (.url)    GetPrivateProfileStringW             URL= of [InternetShortcut]
//   a symbolic link or a junction  FinalPathOf (system/final_path.h)    its final path
//
// A link is named by its full form: GetPrivateProfileStringW looks for a bare
// name in the Windows folder, not in the current one. Resolve is never asked:
// it may search the disk for a moved target and show a dialog.
#pragma once
#include <windows.h>

enum LinkKind : int { NotALink, Shortcut, InternetShortcut, ReparsePoint };

// False when the link cannot be read, has no target in the file system (a
// shortcut to a printer), an empty one, or one that does not fit in size
// units with its NUL; out is then left unspecified.
bool LinkTargetOf(const wchar_t* fullPath, LinkKind kind, wchar_t* out, int size);
