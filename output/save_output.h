// Saving the result text to the named file or to one picked in Save As.
#pragma once
#include "system/run_settings.h"

// The Save As filter in the code page: the name and pattern of text files,
// then those of all files, each ended by a NUL, and one more NUL after the
// last. Set by the run, which knows the program's texts; without it the
// dialog lists no file types.
extern const char* saveAsFilter;

// 1 when the file was written, else 0. A run in the code page writes the
// text's bytes as they are; a run in Unicode writes UTF-8, without a
// byte-order mark, a lone surrogate as U+FFFD.
template <typename Char>
int SaveOutputToFile(const Char* resultText, OutputMode mode);
