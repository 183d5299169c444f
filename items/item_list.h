// The ItemList: the one process-wide, bounded list of items (existing paths
// and URLs) that the scanner fills from the command-line tail or from the
// clipboard text, and that the output stage reads in order.
#pragma once
#include <stdint.h>

enum ItemKind : int32_t { File = 0, Url = 1 };
enum ScanMode : int { CommandLine = 0, ClipboardText = 1 };

constexpr int kItemCapacity = 1000;
constexpr int kItemTextSize = 520;

struct Item {
    ItemKind kind;
    char text[kItemTextSize];
};

struct ItemList {
    int32_t count;
    Item items[kItemCapacity];
};

extern ItemList itemList;

// Resets the list, then fills it with the items of text.
void ScanItems(const char* text, ScanMode mode);

// 0 when text is a URL item, -1 when it is not.
int CheckUrl(const char* text);
