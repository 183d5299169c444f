#include "app/run_program.h"

#include <shellapi.h>
#include <stdarg.h>
#include <stdio.h>

#include "app/options.h"
#include "app/program_texts.h"
#include "system/system_function.h"
#include "system/system_text.h"
#include "expand/split_path.h"
#include "items/clipboard_source.h"
#include "items/item_list.h"
#include "output/deliver_output.h"
#include "version.h"

char programFolder[kPathBufferSize];
char settingsFilePath[kPathBufferSize];

static const char kHelpFileName[] = "Tavrel.txt";

// Formats into a path buffer, or leaves it empty when the text would not fit:
// a cut path would name some other file. msvcrt's _vsnprintf gives -1 then,
// and may leave no NUL.
__attribute__((format(printf, 2, 3)))
static void FormatPathOrEmpty(char* out, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = _vsnprintf(out, kPathBufferSize, format, args);
    va_end(args);
    if (n < 0 || n >= kPathBufferSize) out[0] = '\0';
}

void FindProgramPaths(const char* exePath)
{
    PathParts parts;
    SplitPath(exePath, &parts);
    FormatPathOrEmpty(programFolder, "%s%s", parts.drive, parts.folder);
    FormatPathOrEmpty(settingsFilePath, "%s%s%s.ini", parts.drive, parts.folder, parts.name);
}

static void ShowVersionBox()
{
    MessageBoxA(nullptr, VersionBoxText(), TAVREL_PRODUCT_NAME, MB_OK | MB_ICONINFORMATION);
}

// Without the program's folder, the name alone would be looked for in the
// current folder, which is the user's.
static void OpenHelpFile()
{
    if (!programFolder[0]) return;
    // Room for the whole folder and the name: the help path is not kept.
    char helpPath[2 * kPathBufferSize];
    _snprintf(helpPath, sizeof(helpPath), "%s%s", programFolder, kHelpFileName);
    auto shellExecute = LoadSystemFunctionAs<decltype(&ShellExecuteA)>("shell32.dll", "ShellExecuteA");
    if (shellExecute) shellExecute(nullptr, nullptr, helpPath, nullptr, nullptr, SW_SHOWNORMAL);
}

static bool CollectItems(const char* tail)
{
    ScanItems(tail, CommandLine);
    if (itemList.count > 0) return true;
    return runSettings.clipboardSource && CollectFromClipboard() == 1;
}

int RunProgram(HINSTANCE, HINSTANCE, const char* tail, int)
{
    LoadCodePageLeadBytes();
    ChooseProgramTexts();
    // In a folder whose name the code page cannot hold the program has no
    // folder of its own: no settings file and no help file is taken from a
    // look-alike.
    char exePath[2 * kPathBufferSize];
    if (ModulePathFromSystem(exePath, sizeof(exePath))) FindProgramPaths(exePath);
    ParseOptions(tail);
    if (CollectItems(tail)) {
        DeliverOutput(runSettings.templateText);
        return 0;
    }
    if (runSettings.showVersion) ShowVersionBox();
    if (runSettings.showHelp) OpenHelpFile();
    return 0;
}
