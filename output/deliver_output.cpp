// Result assembly and the clipboard hand-over. Owns the global blocks of a
// run: the accumulation block in which the lines are joined, which becomes
// the clipboard's text block, and the locale and links blocks; each is
// released here unless the clipboard took it.
#include "output/deliver_output.h"

#include <windows.h>
#include <string.h>

#include "expand/command_forms.h"
#include "expand/expand_template.h"
#include "items/clipboard_open.h"
#include "items/item_list.h"
#include "output/html_links.h"
#include "output/save_output.h"
#include "system/run_settings.h"
#include "system/system_text.h"

template <typename Char>
struct Accumulation {
    HGLOBAL block;
    Char* text;
    // Units in use, and units that the block holds.
    SIZE_T size;
    SIZE_T capacity;
    // The units of each item's line, for "/#l" to find the lines again.
    int lineLengths[kItemCapacity];
    int count;
};

// Room for the first lines, in units: most results fit without a resize.
constexpr SIZE_T kFirstCapacity = 64 * 1024;

// What stands between the lines of two items: CR LF, or the value of "/#j="
// with the marker in it replaced as in a template.
template <typename Char>
struct Separator {
    Char text[kLineSize<Char>];
    SIZE_T length;
};

template <typename Char>
static void ChooseSeparator(Separator<Char>& separator, const Char* templateText)
{
    const RunSettingsOf<Char>& settings = SettingsOf(templateText);
    if (settings.itemSeparatorGiven) {
        separator.length = (SIZE_T)ExpandLineBreaks(settings.itemSeparator, separator.text);
        return;
    }
    separator.text[0] = '\r';
    separator.text[1] = '\n';
    separator.length = 2;
}

// Grows the block, when line, separator and a NUL do not fit behind what it
// holds, to twice its size or more: growing it to the running size after
// every line would copy the whole result each time. A movable block may move
// while it grows, so the address is taken again each time. False when the
// block could not grow; it is then still the caller's.
template <typename Char>
static bool AppendLine(Accumulation<Char>& result, const Char* line, SIZE_T length, const Separator<Char>& separator)
{
    SIZE_T previous = result.size;
    SIZE_T size = previous + length + separator.length;
    if (size + 1 > result.capacity) {
        SIZE_T capacity = result.capacity < kFirstCapacity ? kFirstCapacity : 2 * result.capacity;
        if (capacity < size + 1) capacity = size + 1;
        HGLOBAL grown = GlobalReAlloc(result.block, capacity * sizeof(Char), GMEM_MOVEABLE);
        if (!grown) return false;
        result.block = grown;
        Char* text = (Char*)GlobalLock(grown);
        if (!text) return false;
        result.text = text;
        result.capacity = capacity;
    }
    result.size = size;
    memcpy(result.text + previous, line, length * sizeof(Char));
    memcpy(result.text + previous + length, separator.text, separator.length * sizeof(Char));
    return true;
}

// The expander bounds its line to the buffer and tells its length. Nothing
// follows the last line: its separator is taken back, and the NUL goes there.
template <typename Char>
static bool JoinLines(Accumulation<Char>& result, const Char* templateText, const Separator<Char>& separator)
{
    result.count = itemList.count < kItemCapacity ? itemList.count : kItemCapacity;
    for (int i = 0; i < result.count; ++i) {
        Char line[kLineSize<Char>];
        int length = ExpandItem(templateText, itemList.items[i], line);
        result.lineLengths[i] = length;
        if (!AppendLine(result, line, (SIZE_T)length, separator)) return false;
    }
    result.size -= separator.length;
    result.text[result.size] = 0;
    return true;
}

// A copy of size bytes in a block of its own, for the clipboard to keep; null
// when it cannot be made.
static HGLOBAL CopyToClipboardBlock(const void* bytes, SIZE_T size)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!block) return nullptr;
    void* copy = GlobalLock(block);
    if (!copy) {
        GlobalFree(block);
        return nullptr;
    }
    memcpy(copy, bytes, size);
    GlobalUnlock(block);
    return block;
}

static void PlaceOrFree(UINT format, HGLOBAL block)
{
    if (block && !SetClipboardData(format, block)) GlobalFree(block);
}

// The text goes with the system locale, whose code page is the ANSI one that
// its bytes are in. Without it Windows would take the keyboard's language,
// and programs that paste Unicode would read Shift-JIS names under an English
// layout, or accented ones under a Japanese input method, as other letters;
// for Unicode text Windows makes the ANSI form by it. Without a locale block
// the text still goes alone, and so it does without the links of "/#l",
// which are made before the clipboard is opened, and only then.
//
// The accumulation block itself becomes the text block, cut down to the text
// and its NUL, which shrinks it in place: a copy of a result of some
// megabytes (a thousand long paths in Unicode) would be held twice at once.
// The block is the clipboard's from then on, or freed here; result.block is
// null then. Unlocked, it is handed over as the clipboard wants it.
template <typename Char>
static void PutOnClipboard(Accumulation<Char>& result, const Separator<Char>& separator)
{
    const RunSettingsOf<Char>& settings = SettingsOf(result.text);
    HGLOBAL links = settings.htmlLinks ? HtmlLinksBlock(result.text, result.lineLengths, result.count,
                                                        settings.itemSeparatorGiven ? separator.text : nullptr,
                                                        (int)separator.length)
                                       : nullptr;
    LCID systemLocale = GetSystemDefaultLCID();
    HGLOBAL locale = CopyToClipboardBlock(&systemLocale, sizeof(systemLocale));
    GlobalUnlock(result.block);
    result.text = nullptr;
    HGLOBAL text = GlobalReAlloc(result.block, (result.size + 1) * sizeof(Char), GMEM_MOVEABLE);
    if (text) result.block = text;
    if (!text || !OpenClipboardPatiently()) {
        if (locale) GlobalFree(locale);
        if (links) GlobalFree(links);
        return;
    }
    EmptyClipboard();
    MessageBeep(MB_ICONASTERISK);
    PlaceOrFree(kClipboardTextFormat<Char>, text);
    result.block = nullptr;
    PlaceOrFree(CF_LOCALE, locale);
    PlaceOrFree(RegisterClipboardFormatW(L"HTML Format"), links);
    CloseClipboard();
}

template <typename Char>
void DeliverOutput(const Char* templateText)
{
    if (itemList.count < 1) return;
    FindRunBase<Char>();
    Accumulation<Char> result = {};
    Separator<Char> separator;
    ChooseSeparator(separator, templateText);
    result.block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(Char));
    if (!result.block) return;
    result.capacity = 1;
    result.text = (Char*)GlobalLock(result.block);
    if (result.text && JoinLines(result, templateText, separator)) {
        OutputMode mode = SettingsOf(templateText).outputMode;
        if (mode > Clipboard) SaveOutputToFile(result.text, mode);
        else PutOnClipboard(result, separator);
    }
    if (!result.block) return;
    if (result.text) GlobalUnlock(result.block);
    GlobalFree(result.block);
}

template void DeliverOutput(const char*);
template void DeliverOutput(const wchar_t*);
