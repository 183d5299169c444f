#include "system/system_text.h"

#include <string.h>
#include <wchar.h>

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

bool ModulePathFromSystem(wchar_t* path, int size)
{
    DWORD units = GetModuleFileNameW(nullptr, path, size);
    if (units > 0 && units < (DWORD)size) return true;
    if (size > 0) path[0] = L'\0';
    return false;
}

bool ModulePathFromSystem(char* path, int size)
{
    // The longest path that Windows gives, \\?\ form included.
    wchar_t wide[kCommandLineUnits];
    return ModulePathFromSystem(wide, kCommandLineUnits) && NameFromSystem(wide, path, size);
}

bool DecodeTemplateFile(const char* bytes, int size, wchar_t* out, int capacity)
{
    int units = 0;
    if (size >= 2 && (unsigned char)bytes[0] == 0xFF && (unsigned char)bytes[1] == 0xFE) {
        units = (size - 2) / 2;
        if (units >= capacity) return false;
        memcpy(out, bytes + 2, units * sizeof(wchar_t));
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

// Which form the owner placed: Windows lists the placed formats before the
// ones it makes from them.
static bool PlacedAsUnicode()
{
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
        if (format == CF_TEXT) return false;
        if (format == CF_UNICODETEXT) return true;
    }
    return false;
}

// Line by line, each line's LF kept: a line that holds a character without
// an exact form is left empty, so that neither it nor a part of it is read.
// Another program's block need not end in a NUL.
static HGLOBAL ConvertClipboardText(HANDLE unicode)
{
    const wchar_t* wide = (const wchar_t*)GlobalLock(unicode);
    if (!wide) return nullptr;
    int units = (int)wcsnlen(wide, GlobalSize(unicode) / sizeof(wchar_t));
    CPINFO info;
    int charBytes = GetCPInfo(CP_ACP, &info) ? (int)info.MaxCharSize : kMaxCharBytes;
    SIZE_T size = (SIZE_T)units * charBytes + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    char* text = block ? (char*)GlobalLock(block) : nullptr;
    if (text) {
        int length = 0;
        for (int start = 0; start < units;) {
            int end = start;
            while (end < units && wide[end] != L'\n') ++end;
            ExactText line = ConvertExactly(wide + start, end - start, text + length, (int)(size - length), nullptr);
            if (line.standIns == 0) length += line.length;
            if (end < units) text[length++] = '\n';
            start = end + 1;
        }
        text[length] = '\0';
        GlobalUnlock(block);
    } else if (block) {
        GlobalFree(block);
        block = nullptr;
    }
    GlobalUnlock(unicode);
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
    *converted = PlacedAsUnicode();
    if (!*converted) return GetClipboardData(CF_TEXT);
    HANDLE unicode = GetClipboardData(CF_UNICODETEXT);
    HGLOBAL block = unicode ? ConvertClipboardText(unicode) : nullptr;
    *converted = block != nullptr;
    return block;
}
