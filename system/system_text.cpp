#include "system/system_text.h"

#include <string.h>
#include <wchar.h>

#include "system/final_path.h"
#include "system/text_rules.h"

// A character of any ANSI code page, UTF-8 included, takes at most 4 bytes.
constexpr int kMaxCharBytes = 4;
// Windows limits a command line to 32767 units and its NUL.
constexpr int kCommandLineUnits = 32768;
constexpr int kCommandLineSize = kCommandLineUnits * kMaxCharBytes;

static char commandLine[kCommandLineSize];
static unsigned char commandLineStandIns[kCommandLineSize / 8];
static int commandLineLength;
static bool commandLineHasStandIns;

struct ExactText {
    int length;    // bytes written, without the NUL
    int standIns;  // characters that became "?"
    bool complete; // false when the text was cut to fit
};

// CharWidth within units: another program's block need not end in a NUL.
static int CharacterUnits(const wchar_t* wide, int units)
{
    return units >= 2 && IsHighSurrogate(wide[0]) && IsLowSurrogate(wide[1]) ? 2 : 1;
}

// The bytes of one character in the ANSI code page, or 0 when it has no exact
// form there. Windows refuses both the no-best-fit flag and the question
// "was the default used" for UTF-8, which has an exact form for everything
// but a lone surrogate.
static int CharacterBytes(const wchar_t* wide, int units, char (&bytes)[kMaxCharBytes])
{
    if (units == 1 && (IsHighSurrogate(wide[0]) || IsLowSurrogate(wide[0]))) return 0;
    bool utf8 = GetACP() == CP_UTF8;
    BOOL usedDefault = FALSE;
    int length = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, wide, units, bytes, kMaxCharBytes,
                                     nullptr, utf8 ? nullptr : &usedDefault);
    return usedDefault ? 0 : length;
}

// wide[0, units) converted exactly into out: at most size - 1 bytes of whole
// characters and a NUL. Each character without an exact form becomes "?";
// when standInBits is given, the bit of that "?"'s offset is set in it (one
// bit per byte of out, cleared by the caller).
static ExactText ConvertExactly(const wchar_t* wide, int units, char* out, int size, unsigned char* standInBits)
{
    ExactText text = {0, 0, true};
    for (int i = 0; i < units;) {
        char bytes[kMaxCharBytes] = {'?'};
        int width = CharacterUnits(wide + i, units - i);
        int length;
        // ASCII is itself in every ANSI code page: no call for most of a path.
        if (wide[i] < 0x80) {
            bytes[0] = (char)wide[i];
            length = 1;
        } else {
            length = CharacterBytes(wide + i, width, bytes);
        }
        bool standIn = length == 0;
        if (standIn) length = 1;
        if (text.length + length > size - 1) {
            text.complete = false;
            break;
        }
        if (standIn) {
            ++text.standIns;
            if (standInBits) standInBits[text.length / 8] |= (unsigned char)(1u << (text.length % 8));
        }
        memcpy(out + text.length, bytes, length);
        text.length += length;
        i += width;
    }
    if (size > 0) out[text.length] = '\0';
    return text;
}

const char* CommandLineFromSystem()
{
    const wchar_t* wide = GetCommandLineW();
    int units = (int)wcsnlen(wide, kCommandLineUnits);
    ExactText text = ConvertExactly(wide, units, commandLine, sizeof(commandLine), commandLineStandIns);
    commandLineLength = text.length;
    commandLineHasStandIns = text.standIns > 0;
    return commandLine;
}

bool HoldsStandIn(const char* text, size_t length)
{
    if (!commandLineHasStandIns || text < commandLine || text >= commandLine + commandLineLength) return false;
    size_t from = (size_t)(text - commandLine);
    size_t to = from + length < (size_t)commandLineLength ? from + length : (size_t)commandLineLength;
    for (size_t at = from; at < to; ++at)
        if (commandLineStandIns[at / 8] & (1u << (at % 8))) return true;
    return false;
}

bool NameFromSystem(const wchar_t* name, char* out, int size)
{
    ExactText text = ConvertExactly(name, (int)wcslen(name), out, size, nullptr);
    if (text.complete && text.standIns == 0) return true;
    if (size > 0) out[0] = '\0';
    return false;
}

bool ModulePathFromSystem(wchar_t* path, wchar_t* ownPath, int size)
{
    DWORD units = GetModuleFileNameW(nullptr, path, size);
    if (units > 0 && units < (DWORD)size && PathPastOwnLink(path, ownPath, size)) return true;
    if (size > 0) path[0] = ownPath[0] = L'\0';
    return false;
}

bool ModulePathFromSystem(char* path, char* ownPath, int size)
{
    // The longest path that Windows gives, \\?\ form included.
    static wchar_t wide[kCommandLineUnits];
    static wchar_t wideOwn[kCommandLineUnits];
    if (ModulePathFromSystem(wide, wideOwn, kCommandLineUnits) && NameFromSystem(wide, path, size) &&
        NameFromSystem(wideOwn, ownPath, size))
        return true;
    if (size > 0) path[0] = ownPath[0] = '\0';
    return false;
}

bool DecodeTemplateFile(const char* bytes, int size, wchar_t* out, int capacity)
{
    int units = 0;
    bool bigEndian = size >= 2 && (unsigned char)bytes[0] == 0xFE && (unsigned char)bytes[1] == 0xFF;
    if (bigEndian || (size >= 2 && (unsigned char)bytes[0] == 0xFF && (unsigned char)bytes[1] == 0xFE)) {
        units = (size - 2) / 2;
        if (units >= capacity) return false;
        const unsigned char* pairs = (const unsigned char*)bytes + 2;
        for (int i = 0; i < units; ++i)
            out[i] = bigEndian ? (wchar_t)(pairs[2 * i] << 8 | pairs[2 * i + 1]) : (wchar_t)(pairs[2 * i + 1] << 8 | pairs[2 * i]);
    } else if (size > 0) {
        bool marked = size >= 3 && memcmp(bytes, "\xEF\xBB\xBF", 3) == 0;
        if (marked) {
            bytes += 3;
            size -= 3;
        }
        units = size ? MultiByteToWideChar(CP_UTF8, marked ? 0 : MB_ERR_INVALID_CHARS, bytes, size, out, capacity - 1) : 0;
        if (units == 0 && size > 0 && !marked && GetLastError() == ERROR_NO_UNICODE_TRANSLATION)
            units = MultiByteToWideChar(CP_ACP, 0, bytes, size, out, capacity - 1);
        if (units == 0 && size > 0) return false;
    }
    out[units] = L'\0';
    return true;
}

// Windows writes U+FFFD for a lone surrogate, as the file needs; the size is
// asked first, so that no byte is cut.
HGLOBAL Utf8FromText(const wchar_t* text, DWORD* length)
{
    *length = 0;
    int units = (int)wcslen(text);
    int size = units ? WideCharToMultiByte(CP_UTF8, 0, text, units, nullptr, 0, nullptr, nullptr) : 0;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (SIZE_T)size + 1);
    char* bytes = block ? (char*)GlobalLock(block) : nullptr;
    if (!bytes) {
        if (block) GlobalFree(block);
        return nullptr;
    }
    if (units) WideCharToMultiByte(CP_UTF8, 0, text, units, bytes, size, nullptr, nullptr);
    bytes[size] = '\0';
    GlobalUnlock(block);
    *length = (DWORD)size;
    return block;
}

// The lead byte's high bits count the bytes, each further byte holds six bits.
int Utf8Bytes(const wchar_t* text, int width, unsigned char (&bytes)[4])
{
    unsigned point = text[0];
    if (width == 2) point = 0x10000 + ((point - 0xD800) << 10) + (text[1] - 0xDC00);
    else if (IsHighSurrogate(text[0]) || IsLowSurrogate(text[0])) point = 0xFFFD;
    int count = point < 0x80 ? 1 : point < 0x800 ? 2 : point < 0x10000 ? 3 : 4;
    for (int i = count - 1; i > 0; --i, point >>= 6) bytes[i] = (unsigned char)(0x80 | (point & 0x3F));
    bytes[0] = (unsigned char)(count == 1 ? point : (0xF00 >> count) | point);
    return count;
}

bool NameFromCodePage(const char* name, wchar_t* out, int size)
{
    if (size > 0 && MultiByteToWideChar(CP_ACP, 0, name, -1, out, size) > 0) return true;
    if (size > 0) out[0] = L'\0';
    return false;
}

bool TextToSystem(const char* text, int length, wchar_t* out, int size)
{
    if (length == 0) return true;
    return MultiByteToWideChar(CP_ACP, 0, text, length, out, size) > 0;
}

int UnitsFromCodePage(const char* text, int length, wchar_t* out, int size)
{
    return length > 0 ? MultiByteToWideChar(CP_ACP, 0, text, length, out, size) : 0;
}

// ASCII needs no question: only ' is one of them.
bool IsPowerShellQuote(const char* character, int width)
{
    if ((unsigned char)character[0] < 0x80) return character[0] == '\'';
    wchar_t wide[2];
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, character, width, wide, 2) == 1 &&
           IsPowerShellQuote(wide, 1);
}

// The code page in which Windows makes CF_UNICODETEXT from CF_TEXT: that of
// the clipboard's locale, else the ANSI one (CP_ACP, also when the two are
// the same).
static UINT ClipboardCodePage()
{
    UINT codePage = CP_ACP;
    HANDLE block = GetClipboardData(CF_LOCALE);
    const LCID* locale = block ? (const LCID*)GlobalLock(block) : nullptr;
    if (!locale) return codePage;
    DWORD number = 0;
    if (GlobalSize(block) >= sizeof(LCID) &&
        GetLocaleInfoW(*locale, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER, (LPWSTR)&number,
                       sizeof(number) / sizeof(wchar_t)) &&
        number != GetACP())
        codePage = number;
    GlobalUnlock(block);
    return codePage;
}

// Whether bytes[0, length) converted by codePage are wide[0, units); room
// takes the conversion.
static bool SameLine(const char* bytes, int length, const wchar_t* wide, int units, UINT codePage, wchar_t* room,
                     int roomUnits)
{
    if (length == 0) return units == 0;
    int converted = MultiByteToWideChar(codePage, 0, bytes, length, room, roomUnits);
    return converted == units && memcmp(room, wide, units * sizeof(wchar_t)) == 0;
}

// The list of formats cannot tell which text the owner placed and which
// Windows made: a Unicode program may place both, its CF_TEXT a best-fit
// look-alike. So each line of CF_TEXT is kept only where converting it as
// Windows would gives the same line of CF_UNICODETEXT; any other line, and a
// line that one text has and the other lacks, is left empty, so that neither
// it nor a part of it is read. Lines end at each LF, which is kept; an LF
// right behind a lead byte is that character's second byte in the system's
// conversion, and counting it would leave every line after it one behind its
// Unicode line. Where Windows made one text from the other the two agree by
// construction, and an ANSI program's bytes are read as placed. Where the
// locale's code page is not the ANSI one, Windows makes CF_TEXT from a
// Unicode text in the locale's code page, whose bytes the run would read as
// other characters (表 under 932 is 0x95 0x5C, "•\" under 1252): a line is
// then kept only where it reads the same in both. Another program's blocks
// need not end in a NUL. The block holds the text, then room to convert a
// line.
static HGLOBAL AgreeingLines(HANDLE bytesBlock, HANDLE wideBlock, UINT codePage)
{
    const char* bytes = (const char*)GlobalLock(bytesBlock);
    const wchar_t* wide = (const wchar_t*)GlobalLock(wideBlock);
    int length = bytes ? (int)strnlen(bytes, GlobalSize(bytesBlock)) : 0;
    int units = wide ? (int)wcsnlen(wide, GlobalSize(wideBlock) / sizeof(wchar_t)) : 0;
    // No code page makes more units of a line than it has bytes.
    SIZE_T roomAt = ((SIZE_T)length + 2) & ~(SIZE_T)1;
    HGLOBAL block = bytes && wide ? GlobalAlloc(GMEM_MOVEABLE, roomAt + ((SIZE_T)length + 1) * sizeof(wchar_t)) : nullptr;
    char* text = block ? (char*)GlobalLock(block) : nullptr;
    if (text) {
        wchar_t* line = (wchar_t*)(text + roomAt);
        int kept = 0;
        for (int start = 0, wideAt = 0; start < length;) {
            int end = start, wideEnd = wideAt;
            while (end < length && bytes[end] != '\n')
                end += IsAnsiLeadByte((unsigned char)bytes[end]) && end + 1 < length ? 2 : 1;
            while (wideEnd < units && wide[wideEnd] != L'\n') ++wideEnd;
            const char* from = bytes + start;
            int size = end - start, lineUnits = wideEnd - wideAt;
            bool agrees = wideAt <= units && SameLine(from, size, wide + wideAt, lineUnits, codePage, line, length + 1) &&
                          (codePage == CP_ACP || SameLine(from, size, wide + wideAt, lineUnits, CP_ACP, line, length + 1));
            if (agrees) {
                memcpy(text + kept, from, size);
                kept += size;
            }
            if (end < length) text[kept++] = '\n';
            start = end + 1;
            wideAt = wideEnd + 1;
        }
        text[kept] = '\0';
        GlobalUnlock(block);
    } else if (block) {
        GlobalFree(block);
        block = nullptr;
    }
    if (bytes) GlobalUnlock(bytesBlock);
    if (wide) GlobalUnlock(wideBlock);
    return block;
}

template <>
HGLOBAL ClipboardTextFromSystem<wchar_t>(bool* converted)
{
    *converted = false;
    return GetClipboardData(CF_UNICODETEXT);
}

template <>
HGLOBAL ClipboardTextFromSystem<char>(bool* converted)
{
    HANDLE bytes = GetClipboardData(CF_TEXT);
    HANDLE wide = GetClipboardData(CF_UNICODETEXT);
    HGLOBAL block = bytes && wide ? AgreeingLines(bytes, wide, ClipboardCodePage()) : nullptr;
    *converted = block != nullptr;
    return block;
}
