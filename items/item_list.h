// The ItemList: the one process-wide, bounded list of items (existing paths
// and URLs) that the scanner fills from the command-line tail or from the
// clipboard text, and that the output stage reads in order.
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

#include "system/long_path.h"

enum ItemKind : int32_t { File = 0, Url = 1 };
enum ScanMode : int { CommandLine = 0, ClipboardText = 1 };

constexpr int kItemCapacity = 1000;
constexpr int kItemTextSize = 520;
// A URL, and a path in the code page, is always shorter than MAX_PATH; a
// path in Unicode has up to kPathMaxLength<wchar_t> units.
constexpr int kItemMaxLength = 259;

struct Item {
    ItemKind kind;
    // In the run's kind of text: bytes of the code page in the item's own
    // slot, or UTF-16 in the block that holds the texts of the run.
    union {
        char text[kItemTextSize];
        const wchar_t* wideText;
    };
    // The scanner's answer for a File: whether the text names a directory.
    // The "%^P" pass takes it rather than asking the file system again.
    bool isDirectory;
    // From the same answer: whether it is a symbolic link or a junction.
    bool isReparsePoint;
};

struct ItemList {
    int32_t count;
    Item items[kItemCapacity];
};

extern ItemList itemList;

template <typename Char>
const Char* ItemText(const Item& item);
template <>
inline const char* ItemText<char>(const Item& item)
{
    return item.text;
}
template <>
inline const wchar_t* ItemText<wchar_t>(const Item& item)
{
    return item.wideText;
}

// Resets the list, then fills it with the items of text, in either kind.
template <typename Char>
void ScanItems(const Char* text, ScanMode mode);

// The same for a text that ends at its NUL or after size units, whichever
// comes first: a text block from another program need not hold a NUL.
template <typename Char>
void ScanItemsInBlock(const Char* text, size_t size, ScanMode mode);

// A list of names given whole rather than cut from a text (the files of a
// list that Explorer placed): StartNames empties the list, TakeName takes
// one name as a token is taken, with no option before it, and EndNames asks
// about the names still waiting. The names are asked about in batches, as a
// text's tokens are; TakeName is true when the list is now full.
template <typename Char>
void StartNames();
template <typename Char>
bool TakeName(const Char* name);
template <typename Char>
void EndNames();

// 0 when text is a URL item, -1 when it is not.
template <typename Char>
int CheckUrl(const Char* text);
