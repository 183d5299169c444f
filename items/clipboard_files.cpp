#include "items/clipboard_files.h"

#include <shlobj.h>
#include <string.h>

#include "items/clipboard_open.h"
#include "items/item_list.h"
#include "system/system_text.h"

// A name of either kind in the block, taken in the run's kind; true when the
// list is now full.
static bool TakeBlockName(char* name, const char*) { return TakeName(name); }
static bool TakeBlockName(wchar_t* name, const wchar_t*) { return TakeName(name); }
static bool TakeBlockName(wchar_t* name, const char*)
{
    char converted[kItemTextSize];
    return NameFromSystem(name, converted, kItemTextSize) && TakeName(converted);
}
static bool TakeBlockName(char* name, const wchar_t*)
{
    wchar_t converted[kLongestPath + 1];
    return NameFromCodePage(name, converted, kLongestPath + 1) && TakeName(converted);
}

// Room for the longest item of a run in the kind Char.
template <typename Char>
constexpr int kNameSize = sizeof(Char) == 1 ? kItemTextSize : kLongestPath + 1;

// The names in bytes[0, size), each unit copied out: a block's list need not
// lie on a unit's boundary. A name longer than an item can be is left out,
// as no conversion makes it short enough to be one.
template <typename Char, typename Unit>
static void TakeNames(const unsigned char* bytes, size_t size)
{
    size_t units = size / sizeof(Unit);
    for (size_t at = 0; at < units;) {
        Unit name[kNameSize<Char>];
        int length = 0;
        bool tooLong = false;
        for (; at < units; ++at) {
            Unit unit;
            memcpy(&unit, bytes + at * sizeof(Unit), sizeof(Unit));
            if (!unit) break;
            if (length < kNameSize<Char> - 1) name[length++] = unit;
            else tooLong = true;
        }
        if (at == units || length == 0) return;
        ++at;
        name[length] = 0;
        if (!tooLong && TakeBlockName(name, (const Char*)nullptr)) return;
    }
}

template <typename Char>
int ScanFileBlock(HANDLE data)
{
    const unsigned char* block = (const unsigned char*)GlobalLock(data);
    if (!block) return 0;
    SIZE_T size = GlobalSize(data);
    DROPFILES header;
    int found = 0;
    if (size >= sizeof(header)) {
        memcpy(&header, block, sizeof(header));
        if (header.pFiles >= sizeof(header) && header.pFiles <= size) {
            StartNames<Char>();
            if (header.fWide) TakeNames<Char, wchar_t>(block + header.pFiles, size - header.pFiles);
            else TakeNames<Char, char>(block + header.pFiles, size - header.pFiles);
            EndNames<Char>();
            found = itemList.count > 0 ? 1 : 0;
        }
    }
    GlobalUnlock(data);
    return found;
}

template <typename Char>
int CollectClipboardFiles()
{
    if (!IsClipboardFormatAvailable(CF_HDROP)) return 0;
    if (!OpenClipboardPatiently()) return 0;
    int found = 0;
    if (HANDLE data = GetClipboardData(CF_HDROP)) found = ScanFileBlock<Char>(data);
    CloseClipboard();
    return found;
}

template int ScanFileBlock<char>(HANDLE);
template int ScanFileBlock<wchar_t>(HANDLE);
template int CollectClipboardFiles<char>();
template int CollectClipboardFiles<wchar_t>();
