// The single pass of a run: where the executable lies, the options, the items
// from the command line or the clipboard, then the output, or the version box
// and the help file when there is nothing to process.
#pragma once
#include <windows.h>

constexpr int kPathBufferSize = 260;

// The executable's drive and folder, ending in a backslash.
extern char programFolder[kPathBufferSize];
// The executable's path with ".ini" in place of its extension; empty when
// that path would not fit, so that no truncated name is ever opened.
extern char settingsFilePath[kPathBufferSize];

// Fills programFolder and settingsFilePath from the executable's full path.
void FindProgramPaths(const char* exePath);

// Returns the process exit code, 0 on every path.
int RunProgram(HINSTANCE instance, HINSTANCE previous, const char* tail, int showCommand);
