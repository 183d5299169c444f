// "/#i" and "/#i-": the shortcuts that make Tavrel ready in one run, written
// into the user's Send To folder and the Start menu's Programs, or removed
// from them, then a message box that says what was done. They change the
// user's folders, so they are taken only from a tail that is exactly one of
// them (blanks at either end aside, any letter case), never found inside a
// longer tail as the other options are. They run in UTF-16 under any code
// page; a run without them never comes here and loads nothing for them.
#pragma once

enum EntriesRequest : int { NoEntriesRequest = 0, AddEntries = 1, RemoveEntries = 2 };

EntriesRequest EntriesRequestOf(const wchar_t* tail);

// Does what request asks and returns the exit code, 0.
int RunEntries(EntriesRequest request);
