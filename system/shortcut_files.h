// The shortcut files of "/#i" and "/#i-", in UTF-16 under any code page:
// where the user's known folders are, writing a shortcut through the shell's
// own object (system/shell_objects.h; one is read back as "%^T" reads it,
// through system/link_target.h), and whether the exe lies under the
// temporary folder. shell32 and ole32 are looked up on the first
// call; the ordinary run never comes here.
//
//   call                    without shell32 or ole32, or on failure
//   ShortcutPath            false, out unspecified
//   WriteShortcut           false, nothing written
#pragma once
#include <windows.h>

enum ShortcutFolder : int { SendToFolder = 0, ProgramsFolder = 1 };

// "<folder>\<name> (Tavrel).lnk"; false when it does not fit in size units.
bool ShortcutPath(ShortcutFolder folder, const wchar_t* name, wchar_t* out, int size);

// Writes or replaces the shortcut at path: target, its arguments, the
// target's first icon, the description "Tavrel", no working folder, and the
// hotkey word (0 for none).
bool WriteShortcut(const wchar_t* path, const wchar_t* target, const wchar_t* arguments, WORD hotkey);

// True when path, in its long form, lies below the long form of the
// temporary folder, by whole components with letter case ignored. A
// temporary folder that is a drive root or the profile folder, where
// GetTempPathW falls back to, holds nothing by this rule.
bool LiesInTemporaryFolder(const wchar_t* path);
