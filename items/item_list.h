// The ItemList: the one process-wide, bounded list of items (existing paths
// and URLs) that the scanner fills from the command-line tail or from the
// clipboard text, and that the output stage reads in order.
#pragma once
#include <stddef.h>
#include <stdint.h>

enum ItemKind : int32_t { File = 0, Url = 1 };
enum ScanMode : int { CommandLine = 0, ClipboardText = 1 };

constexpr int kItemCapacity = 1000;
constexpr int kItemTextSize = 520;
// A stored text is always shorter than MAX_PATH.
constexpr int kItemMaxLength = 259;

struct Item {
    ItemKind kind;
    char text[kItemTextSize];
    // The scanner's answer for a File: whether the text names a directory.
    // The "%^P" pass takes it rather than asking the file system again.
    bool isDirectory;
};

struct ItemList {
    int32_t count;
    Item items[kItemCapacity];
};

extern ItemList itemList;

// Resets the list, then fills it with the items of text.
void ScanItems(const char* text, ScanMode mode);

// The same for a text that ends at its NUL or after size bytes, whichever
// comes first: a text block from another program need not hold a NUL.
void ScanItemsInBlock(const char* text, size_t size, ScanMode mode);

// 0 when text is a URL item, -1 when it is not.
int CheckUrl(const char* text);
