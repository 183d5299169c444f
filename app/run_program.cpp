#include "app/run_program.h"

#include <shellapi.h>

#include "app/options.h"
#include "app/program_paths.h"
#include "app/program_texts.h"
#include "items/clipboard_source.h"
#include "items/item_list.h"
#include "items/item_order.h"
#include "output/deliver_output.h"
#include "output/save_output.h"
#include "system/system_calls.h"
#include "system/system_function.h"
#include "system/system_text.h"
#include "system/text_rules.h"
#include "version.h"

static void ShowVersionBox()
{
    MessageBoxA(nullptr, VersionBoxText(), TAVREL_PRODUCT_NAME, MB_OK | MB_ICONINFORMATION);
}

static void OpenWithShell(const char* path)
{
    auto shellExecute = LoadSystemFunctionAs<decltype(&ShellExecuteA)>("shell32.dll", "ShellExecuteA");
    if (shellExecute) shellExecute(nullptr, nullptr, path, nullptr, nullptr, SW_SHOWNORMAL);
}

static void OpenWithShell(const wchar_t* path)
{
    auto shellExecute = LoadSystemFunctionAs<decltype(&ShellExecuteW)>("shell32.dll", "ShellExecuteW");
    if (shellExecute) shellExecute(nullptr, nullptr, path, nullptr, nullptr, SW_SHOWNORMAL);
}

// Without the program's folder, the name alone would be looked for in the
// current folder, which is the user's. Room for the whole folder and the
// name: the help path is not kept.
template <typename Char>
static void OpenHelpFile(const Char* folder)
{
    if (!folder[0]) return;
    Char helpPath[2 * kPathBufferSize];
    CopyText(helpPath, folder, kPathBufferSize);
    CopyText(helpPath + TextLength(helpPath, kPathBufferSize), TEXT_AS(Char, "Tavrel.txt"), kPathBufferSize);
    OpenWithShell(helpPath);
}

template <typename Char>
static bool CollectItems(const Char* tail)
{
    const RunSettingsOf<Char>& settings = SettingsOf(tail);
    ScanItems(tail, CommandLine);
    bool found = itemList.count > 0 || (settings.clipboardSource && CollectFromClipboard<Char>() == 1);
    if (found && settings.sortItems) SortItemsLogically<Char>();
    return found;
}

template <typename Char>
int RunProgram(HINSTANCE, HINSTANCE, const Char* tail, int)
{
    LoadCodePageLeadBytes();
    ChooseProgramTexts();
    saveAsFilter = SaveAsFilter();
    // In a folder whose name the code page cannot hold a run in the code
    // page has no folder of its own: no settings file and no help file is
    // taken from a look-alike.
    Char exePath[2 * kPathBufferSize];
    Char ownPath[2 * kPathBufferSize];
    if (ModulePathFromSystem(exePath, ownPath, 2 * kPathBufferSize)) FindProgramPaths(exePath, ownPath);
    ParseOptions(tail);
    const RunSettingsOf<Char>& settings = SettingsOf(tail);
    if (CollectItems(tail)) {
        DeliverOutput(settings.templateText);
        return 0;
    }
    if (settings.showVersion) ShowVersionBox();
    if (settings.showHelp) OpenHelpFile(ProgramFolder(tail));
    return 0;
}

template int RunProgram(HINSTANCE, HINSTANCE, const char*, int);
template int RunProgram(HINSTANCE, HINSTANCE, const wchar_t*, int);
