// The placeholders of Url items: scheme, host, user, password, URL path and
// its folder and file name, and the URL whole or cut before "#" or "?".
#pragma once
#include "expand/working_line.h"

// Decomposes itemText and runs the ten Url passes over line, after its
// line-break pass. A text that the URL cracker refuses gives empty component
// values (scheme, host, user, password, path and its parts).
template <typename Char>
void RunUrlPasses(WorkingLine<Char>* line, const Char* itemText);
