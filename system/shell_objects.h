// The shell's shortcut object, for the few runs that read or write shortcuts.
// ole32 is looked up from the system folder on the first call, as mpr is, and
// COM is started once in the run's own thread: a run that never asks loads
// nothing more. The question pool's threads never come here.
//
//   call                 what it needs             without it
//   NewShellLink         ole32, COM in the thread  false, nothing made
//   FreeTaskMemory       ole32                     the block is left
#pragma once
#include <windows.h>
#include <objidl.h>
#include <shobjidl.h>

// The load and start of one run, kept so that they are tried once.
struct ShellObjects {
    bool tried;
    bool started;
    decltype(&CoCreateInstance) createInstance;
    decltype(&CoTaskMemFree) freeTaskMemory;
};

extern ShellObjects shellObjects;

// A new shortcut object and its IPersistFile, both to be released by the
// caller; false, with both null, when ole32 or COM is not to be had.
bool NewShellLink(IShellLinkW** link, IPersistFile** file);

// Frees a block that a shell function handed back (SHGetKnownFolderPath).
void FreeTaskMemory(void* block);
