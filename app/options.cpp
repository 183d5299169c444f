#include "app/options.h"

#include <string.h>

#include "app/program_paths.h"
#include "items/item_list.h"
#include "system/system_calls.h"
#include "system/system_text.h"
#include "system/text_rules.h"

RunSettings runSettings;
RunSettingsOf<wchar_t> wideRunSettings;

const char kDefaultLineBreakMarker[] = "[\x81\xAB]";
const wchar_t kDefaultWideLineBreakMarker[] = L"[\x2193]";

static const char* DefaultMarker(const char*) { return kDefaultLineBreakMarker; }
static const wchar_t* DefaultMarker(const wchar_t*) { return kDefaultWideLineBreakMarker; }

// Option texts; the first occurrence anywhere in the tail counts, in any
// letter case. The two quoted forms include their opening double quote.
#define TEMPLATE_FILE_OPTION "/#t=\""
#define INLINE_TEMPLATE_OPTION "/#o="
#define OUTPUT_FILE_OPTION "/#f=\""
#define ASK_FOR_FILE_OPTION "/#f"
#define MARKER_OPTION "/#r="
#define ITEM_SEPARATOR_OPTION "/#j=\""
#define SORT_OPTION "/#s"
#define HTML_LINKS_OPTION "/#l"
#define BASE_FOLDER_OPTION "/#b=\""

bool AsksForUnicode(const wchar_t* tail) { return FindText(tail, L"/#u") != nullptr; }

// The text right after the first occurrence of option, or null. FindText
// rather than StrStrI, which asks the system at every position of a tail
// that names a thousand files.
template <typename Char>
static const Char* FindOptionValue(const Char* tail, const Char* option)
{
    const Char* at = FindText(tail, option);
    return at ? at + TextLength(option, 8) : nullptr;
}

// Quoted value: every unit up to the closing double quote. Accepted only when
// the quote is found, the value is not empty and has at most 518 units.
template <typename Char>
static bool ReadQuotedValue(const Char* from, Char (&value)[kQuotedValueMaxLength + 1])
{
    int length = 0;
    for (; from[length] != '"'; ++length) {
        if (!from[length] || length == kQuotedValueMaxLength) return false;
        value[length] = from[length];
    }
    value[length] = 0;
    return length > 0;
}

enum ValueEnd { EndedByBlank, EndedByTail, EndedByLimit };

// Whether a cut before from[length] falls inside a character, which stays
// whole: the second byte of a double-byte character left alone could be a
// backslash, and its lead byte would join whatever follows. The value starts
// a character, right behind its ASCII option.
template <typename Char>
static bool CutsCharacter(const Char* from, int length)
{
    return length > 0 && !BeginsCharacter(from, 0, length);
}

// Blank-ended value: units up to the first blank or the end of the tail, cut
// as soon as limit units are taken. TABs and quotes belong to the value.
template <typename Char>
static ValueEnd ReadBlankEndedValue(const Char* from, Char* value, int limit)
{
    int length = 0;
    ValueEnd end = EndedByLimit;
    for (; length < limit; ++length) {
        if (from[length] == ' ') {
            end = EndedByBlank;
            break;
        }
        if (!from[length]) {
            end = EndedByTail;
            break;
        }
        value[length] = from[length];
    }
    if (end == EndedByLimit && CutsCharacter(from, length)) --length;
    value[length] = 0;
    return end;
}

// A file name whose characters the code page could not all hold names no
// file: its stand-ins would spell some other name, even the \\?\ prefix.
template <typename Char>
static bool ReadFileNameValue(const Char* from, Char (&value)[kQuotedValueMaxLength + 1])
{
    if (!ReadQuotedValue(from, value)) return false;
    if (HoldsStandIn(from, TextLength(value, kQuotedValueMaxLength))) value[0] = 0;
    return true;
}

template <typename Char>
static bool LoadTemplateFileOption(const Char* tail)
{
    const Char* from = FindOptionValue(tail, TEXT_AS(Char, TEMPLATE_FILE_OPTION));
    Char path[kQuotedValueMaxLength + 1];
    return from && ReadFileNameValue(from, path) && path[0] && PathExists(path) && LoadTemplateFile(path) == 1;
}

template <typename Char>
static void ChooseTemplate(const Char* tail)
{
    RunSettingsOf<Char>& settings = SettingsOf(tail);
    if (LoadTemplateFileOption(tail)) return;
    CopyText(settings.templateText, TEXT_AS(Char, "%^P"), kTemplateBufferSize);
    if (const Char* from = FindOptionValue(tail, TEXT_AS(Char, INLINE_TEMPLATE_OPTION))) {
        Char value[kInlineTemplateMaxLength + 1];
        ReadBlankEndedValue(from, value, kInlineTemplateMaxLength);
        if (value[0]) CopyText(settings.templateText, value, kTemplateBufferSize);
        return;
    }
    const Char* settingsFile = SettingsFilePath(tail);
    if (settingsFile[0] && PathExists(settingsFile)) LoadTemplateFile(settingsFile);
}

template <typename Char>
static void ChooseOutput(const Char* tail)
{
    RunSettingsOf<Char>& settings = SettingsOf(tail);
    if (const Char* from = FindOptionValue(tail, TEXT_AS(Char, OUTPUT_FILE_OPTION))) {
        // An output file that names no file still goes to no other place: the
        // save fails, as it does for any name that cannot be written.
        if (ReadFileNameValue(from, settings.outputFilePath)) settings.outputMode = NamedFile;
        else settings.outputFilePath[0] = 0;
        return;
    }
    if (FindText(tail, TEXT_AS(Char, ASK_FOR_FILE_OPTION))) settings.outputMode = AskForFile;
}

// A value ended by a blank needs 2 units, one ended by the tail 1 unit; a
// value cut at the limit is always used.
template <typename Char>
static void ChooseLineBreakMarker(const Char* tail)
{
    RunSettingsOf<Char>& settings = SettingsOf(tail);
    CopyText(settings.lineBreakMarker, DefaultMarker(tail), kMarkerMaxLength + 1);
    const Char* from = FindOptionValue(tail, TEXT_AS(Char, MARKER_OPTION));
    if (!from) return;
    Char value[kMarkerMaxLength + 1];
    ValueEnd end = ReadBlankEndedValue(from, value, kMarkerMaxLength);
    int needed = end == EndedByBlank ? 2 : 1;
    if ((int)TextLength(value, kMarkerMaxLength) >= needed) CopyText(settings.lineBreakMarker, value, kMarkerMaxLength + 1);
}

// Every unit up to the next quote, which may come at once: an empty value
// joins the lines with nothing. Cut at 259 units where a character begins;
// without its closing quote the option is ignored.
template <typename Char>
static void ChooseItemSeparator(const Char* tail)
{
    RunSettingsOf<Char>& settings = SettingsOf(tail);
    settings.itemSeparatorGiven = 0;
    settings.itemSeparator[0] = 0;
    size_t valueLength;
    const Char* from = FindQuotedValue(tail, TEXT_AS(Char, ITEM_SEPARATOR_OPTION), &valueLength);
    if (!from) return;
    int end = (int)valueLength;
    int length = end < kItemSeparatorMaxLength ? end : kItemSeparatorMaxLength;
    if (length < end && CutsCharacter(from, length)) --length;
    for (int i = 0; i < length; ++i) settings.itemSeparator[i] = from[i];
    settings.itemSeparator[length] = 0;
    settings.itemSeparatorGiven = 1;
}

// A folder that an item could not be, or one with a stand-in, is no base:
// the option is ignored. The base is never asked about.
static_assert(kItemMaxLength <= kQuotedValueMaxLength, "a base as long as an item fits");

template <typename Char>
static void ChooseBaseFolder(const Char* tail)
{
    Char* base = SettingsOf(tail).baseFolder;
    base[0] = 0;
    size_t length;
    const Char* from = FindQuotedValue(tail, TEXT_AS(Char, BASE_FOLDER_OPTION), &length);
    if (!from || length > (size_t)kItemMaxLength || HoldsStandIn(from, length)) return;
    for (size_t i = 0; i < length; ++i) base[i] = from[i];
    base[length] = 0;
}

template <typename Char>
static void ChooseSwitches(const Char* tail)
{
    RunSettingsOf<Char>& settings = SettingsOf(tail);
    if (FindText(tail, TEXT_AS(Char, "/#c"))) settings.clipboardSource = 1;
    if (FindText(tail, TEXT_AS(Char, "/#v"))) settings.showVersion = 1;
    if (FindText(tail, TEXT_AS(Char, "/#h"))) settings.showHelp = 1;
    if (FindText(tail, TEXT_AS(Char, SORT_OPTION))) settings.sortItems = 1;
    if (FindText(tail, TEXT_AS(Char, HTML_LINKS_OPTION))) settings.htmlLinks = 1;
}

template <typename Char>
void ParseOptions(const Char* tail)
{
    ChooseTemplate(tail);
    ChooseOutput(tail);
    ChooseLineBreakMarker(tail);
    ChooseItemSeparator(tail);
    ChooseBaseFolder(tail);
    ChooseSwitches(tail);
}

// The file's bytes as a template of the run's kind; false when it would not
// fit. A NUL byte ends the template.
static bool DecodeTemplate(const char* bytes, DWORD size, char (&out)[kTemplateBufferSize])
{
    if (size >= (DWORD)kTemplateBufferSize) return false;
    memcpy(out, bytes, size);
    out[size] = '\0';
    return true;
}

static bool DecodeTemplate(const char* bytes, DWORD size, wchar_t (&out)[kTemplateBufferSize])
{
    return DecodeTemplateFile(bytes, (int)size, out, kTemplateBufferSize);
}

// A template in UTF-8 takes up to 3 bytes a unit, and 3 for its mark.
constexpr DWORD kTemplateFileMaxBytes = 3 * kTemplateBufferSize;

template <typename Char>
int LoadTemplateFile(const Char* path)
{
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE) return 0;
    // The high half counts too: a file of 4 GiB and a few bytes is no template.
    DWORD sizeHigh = 0;
    DWORD size = GetFileSize(file, &sizeHigh);
    char bytes[kTemplateFileMaxBytes];
    DWORD read = 0;
    bool ok = size != INVALID_FILE_SIZE && sizeHigh == 0 && size <= kTemplateFileMaxBytes &&
              ReadFile(file, bytes, size, &read, nullptr);
    CloseHandle(file);
    Char content[kTemplateBufferSize];
    if (!ok || !DecodeTemplate(bytes, read, content)) return 0;
    CopyText(SettingsOf(path).templateText, content, kTemplateBufferSize);
    return 1;
}

template void ParseOptions(const char*);
template void ParseOptions(const wchar_t*);
template int LoadTemplateFile(const char*);
template int LoadTemplateFile(const wchar_t*);
