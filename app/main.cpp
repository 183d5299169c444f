// Process entry: hardens the process against the places it is started from,
// forms the command-line tail and runs the single pass: in Unicode when the
// tail asks for it with "/#u", else in the exact conversion of the Unicode
// command line to the code page; or, for a tail that is exactly "/#i" or
// "/#i-", writes or removes the shortcuts to the program.
#include <windows.h>

#include "app/command_tail.h"
#include "app/options.h"
#include "app/run_program.h"
#include "app/send_to_entries.h"
#include "system/system_text.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

// Started from Send To, the current folder is the user's own, often
// Downloads: the DLLs that the shell, the Save As dialog and the URL cracker
// bring in must come from the system folder only. The function is looked up
// because Windows 7 without its update lacks it; there, taking the current
// folder out of the search is what can be done.
static void SearchDllsInSystemFolderOnly()
{
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (!setDefaultDllDirectories || !setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryA("");
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // A path on an empty removable drive, from the command line or the
    // clipboard, must not bring up the system's "no disk" dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    SearchDllsInSystemFolderOnly();
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    const wchar_t* wideTail = CommandLineTail(GetCommandLineW());
    if (EntriesRequest request = EntriesRequestOf(wideTail)) return RunEntries(request);
    if (AsksForUnicode(wideTail)) return RunProgram(instance, nullptr, wideTail, show);
    return RunProgram(instance, nullptr, CommandLineTail(CommandLineFromSystem()), show);
}
