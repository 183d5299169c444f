#include "app/program_paths.h"

#include <initializer_list>

#include "expand/split_path.h"
#include "system/text_rules.h"

char programFolder[kPathBufferSize];
char settingsFilePath[kPathBufferSize];
wchar_t wideProgramFolder[kPathBufferSize];
wchar_t wideSettingsFilePath[kPathBufferSize];

static char* ProgramFolderBuffer(const char*) { return programFolder; }
static wchar_t* ProgramFolderBuffer(const wchar_t*) { return wideProgramFolder; }
static char* SettingsPathBuffer(const char*) { return settingsFilePath; }
static wchar_t* SettingsPathBuffer(const wchar_t*) { return wideSettingsFilePath; }

// The parts joined into a path buffer, or the buffer left empty when they
// would not fit: a cut path would name some other file.
template <typename Char>
static void JoinPathOrEmpty(Char* out, std::initializer_list<const Char*> parts)
{
    int length = 0;
    for (const Char* part : parts) {
        for (; *part; ++part) {
            if (length == kPathBufferSize - 1) {
                out[0] = 0;
                return;
            }
            out[length++] = *part;
        }
    }
    out[length] = 0;
}

template <typename Char>
void FindProgramPaths(const Char* exePath)
{
    PathPartsOf<Char> parts;
    SplitPath(exePath, &parts);
    JoinPathOrEmpty(ProgramFolderBuffer(exePath), {parts.drive, parts.folder});
    JoinPathOrEmpty(SettingsPathBuffer(exePath), {parts.drive, parts.folder, parts.name, TEXT_AS(Char, ".ini")});
}

template void FindProgramPaths(const char*);
template void FindProgramPaths(const wchar_t*);
