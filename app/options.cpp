#include "app/options.h"

#include <windows.h>
#include <shlwapi.h>
#include <string.h>

#include "app/run_program.h"
#include "expand/expand_template.h"
#include "system/system_text.h"

RunSettings runSettings;

const char kDefaultLineBreakMarker[] = "[\x81\xAB]";

static const char kDefaultTemplate[] = "%^P";

// Option texts; the first occurrence anywhere in the tail counts, in any
// letter case. The two quoted forms include their opening double quote.
static const char kTemplateFileOption[] = "/#t=\"";
static const char kInlineTemplateOption[] = "/#o=";
static const char kOutputFileOption[] = "/#f=\"";
static const char kAskForFileOption[] = "/#f";
static const char kMarkerOption[] = "/#r=";
static const char kClipboardOption[] = "/#c";
static const char kVersionOption[] = "/#v";
static const char kHelpOption[] = "/#h";

// The text right after the first occurrence of option, or null. FindText
// rather than StrStrIA, which asks the platform at every position of a tail
// that names a thousand files.
static const char* FindOptionValue(const char* tail, const char* option)
{
    const char* at = FindText(tail, option);
    return at ? at + strlen(option) : nullptr;
}

// Quoted value: every byte up to the closing double quote. Accepted only when
// the quote is found, the value is not empty and has at most 518 bytes.
static bool ReadQuotedValue(const char* from, char (&value)[kQuotedValueMaxLength + 1])
{
    int length = 0;
    for (; from[length] != '"'; ++length) {
        if (!from[length] || length == kQuotedValueMaxLength) return false;
        value[length] = from[length];
    }
    value[length] = '\0';
    return length > 0;
}

enum ValueEnd { EndedByBlank, EndedByTail, EndedByLimit };

// Blank-ended value: bytes up to the first blank or the end of the tail, cut
// as soon as limit bytes are taken. TABs and quotes belong to the value.
static ValueEnd ReadBlankEndedValue(const char* from, char* value, int limit)
{
    int length = 0;
    ValueEnd end = EndedByLimit;
    for (; length < limit; ++length) {
        if (from[length] == ' ') { end = EndedByBlank; break; }
        if (!from[length]) { end = EndedByTail; break; }
        value[length] = from[length];
    }
    value[length] = '\0';
    return end;
}

static void CopyText(char* to, int size, const char* from) { lstrcpynA(to, from, size); }

// A file name whose characters the code page could not all hold names no
// file: its stand-ins would spell some other name, even the \\?\ prefix.
static bool ReadFileNameValue(const char* from, char (&value)[kQuotedValueMaxLength + 1])
{
    if (!ReadQuotedValue(from, value)) return false;
    if (HoldsStandIn(from, strlen(value))) value[0] = '\0';
    return true;
}

static bool LoadTemplateFileOption(const char* tail)
{
    const char* from = FindOptionValue(tail, kTemplateFileOption);
    char path[kQuotedValueMaxLength + 1];
    return from && ReadFileNameValue(from, path) && path[0] && PathFileExistsA(path) && LoadTemplateFile(path) == 1;
}

static void ChooseTemplate(const char* tail)
{
    if (LoadTemplateFileOption(tail)) return;
    CopyText(runSettings.templateText, kTemplateBufferSize, kDefaultTemplate);
    if (const char* from = FindOptionValue(tail, kInlineTemplateOption)) {
        char value[kInlineTemplateMaxLength + 1];
        ReadBlankEndedValue(from, value, kInlineTemplateMaxLength);
        if (value[0]) CopyText(runSettings.templateText, kTemplateBufferSize, value);
        return;
    }
    if (settingsFilePath[0] && PathFileExistsA(settingsFilePath)) LoadTemplateFile(settingsFilePath);
}

static void ChooseOutput(const char* tail)
{
    if (const char* from = FindOptionValue(tail, kOutputFileOption)) {
        // An output file that names no file still goes to no other place: the
        // save fails, as it does for any name that cannot be written.
        if (ReadFileNameValue(from, runSettings.outputFilePath)) runSettings.outputMode = NamedFile;
        else runSettings.outputFilePath[0] = '\0';
        return;
    }
    if (FindText(tail, kAskForFileOption)) runSettings.outputMode = AskForFile;
}

// A value ended by a blank needs 2 bytes, one ended by the tail 1 byte; a
// value cut at the limit is always used.
static void ChooseLineBreakMarker(const char* tail)
{
    CopyText(runSettings.lineBreakMarker, sizeof(runSettings.lineBreakMarker), kDefaultLineBreakMarker);
    const char* from = FindOptionValue(tail, kMarkerOption);
    if (!from) return;
    char value[kMarkerMaxLength + 1];
    ValueEnd end = ReadBlankEndedValue(from, value, kMarkerMaxLength);
    int needed = end == EndedByBlank ? 2 : 1;
    if ((int)strlen(value) >= needed) CopyText(runSettings.lineBreakMarker, sizeof(runSettings.lineBreakMarker), value);
}

static void ChooseSwitches(const char* tail)
{
    if (FindText(tail, kClipboardOption)) runSettings.clipboardSource = 1;
    if (FindText(tail, kVersionOption)) runSettings.showVersion = 1;
    if (FindText(tail, kHelpOption)) runSettings.showHelp = 1;
}

void ParseOptions(const char* tail)
{
    ChooseTemplate(tail);
    ChooseOutput(tail);
    ChooseLineBreakMarker(tail);
    ChooseSwitches(tail);
}

int LoadTemplateFile(const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    // The high half counts too: a file of 4 GiB and a few bytes is no template.
    DWORD sizeHigh = 0;
    DWORD size = GetFileSize(file, &sizeHigh);
    char content[kTemplateBufferSize];
    DWORD read = 0;
    bool ok = size != INVALID_FILE_SIZE && sizeHigh == 0 && size < (DWORD)kTemplateBufferSize &&
              ReadFile(file, content, size, &read, nullptr);
    CloseHandle(file);
    if (!ok) return 0;
    content[read] = '\0';
    memcpy(runSettings.templateText, content, read + 1);
    return 1;
}
