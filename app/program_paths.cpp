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

// The folder is the one that the exe's own file lies in; the settings file
// keeps the name that the exe was started as, so that a link named for a
// copy of its own still finds that copy's settings.
template <typename Char>
void FindProgramPaths(const Char* exePath, const Char* ownPath)
{
    PathPartsOf<Char> started;
    PathPartsOf<Char> own;
    SplitPath(exePath, &started);
    SplitPath(ownPath, &own);
    JoinPathOrEmpty(ProgramFolderBuffer(exePath), {own.drive, own.folder});
    JoinPathOrEmpty(SettingsPathBuffer(exePath), {own.drive, own.folder, started.name, TEXT_AS(Char, ".ini")});
}

template void FindProgramPaths(const char*, const char*);
template void FindProgramPaths(const wchar_t*, const wchar_t*);
