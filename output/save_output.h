// Saving the result text to the named file or to one picked in Save As.
#pragma once
#include "app/options.h"

// 1 when the file was written, else 0.
int SaveOutputToFile(const char* resultText, OutputMode mode);
