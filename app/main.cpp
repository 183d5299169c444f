// Process entry: forms the command-line tail and runs the single pass.
#include <windows.h>

#include "app/command_tail.h"
#include "app/run_program.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    return RunProgram(instance, nullptr, CommandLineTail(GetCommandLineA()), show);
}
