// The single pass of a run: where the executable lies, the options, the items
// from the command line or the clipboard, then the output, or the version box
// and the help file when there is nothing to process. Written once for a run
// in the code page and one in Unicode ("/#u").
#pragma once
#include <windows.h>

// Returns the process exit code, 0 on every path.
template <typename Char>
int RunProgram(HINSTANCE instance, HINSTANCE previous, const Char* tail, int showCommand);
