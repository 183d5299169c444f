// The single pass of a run: where the executable lies, the options, the items
// from the command line or the clipboard, then the output, or the version box
// and the help file when there is nothing to process. Written once for a run
// in the code page and one in Unicode ("/#u").
#pragma once
#include <windows.h>

constexpr int kPathBufferSize = 260;

// The executable's drive and folder, ending in a backslash.
extern char programFolder[kPathBufferSize];
// The executable's path with ".ini" in place of its extension; empty when
// that path would not fit, so that no truncated name is ever opened.
extern char settingsFilePath[kPathBufferSize];
// The same two for a run in Unicode.
extern wchar_t wideProgramFolder[kPathBufferSize];
extern wchar_t wideSettingsFilePath[kPathBufferSize];

inline const char* SettingsFilePath(const char*) { return settingsFilePath; }
inline const wchar_t* SettingsFilePath(const wchar_t*) { return wideSettingsFilePath; }

// Fills the program folder and the settings file path of exePath's kind
// from the executable's full path.
template <typename Char>
void FindProgramPaths(const Char* exePath);

// Returns the process exit code, 0 on every path.
template <typename Char>
int RunProgram(HINSTANCE instance, HINSTANCE previous, const Char* tail, int showCommand);
