#include "items/item_order.h"

#include "items/item_list.h"
#include "system/system_calls.h"
#include "system/system_text.h"
#include "system/text_rules.h"

// The Unicode forms of a run in the code page, made once rather than at each
// of the some ten thousand comparisons of a thousand items, and packed one
// after another: only the pages that the texts fill are touched.
static wchar_t keyPool[kItemCapacity * (kItemMaxLength + 1)];
static const wchar_t* codePageKeys[kItemCapacity];
// Positions of the items: the order being merged, and the merge's room.
static int order[kItemCapacity];
static int spare[kItemCapacity];

static void PrepareKeys(const char*, int count)
{
    wchar_t* next = keyPool;
    for (int i = 0; i < count; ++i) {
        codePageKeys[i] = next;
        NameFromCodePage(itemList.items[i].text, next, kItemMaxLength + 1);
        next += TextLength(next, kItemMaxLength) + 1;
    }
}
static void PrepareKeys(const wchar_t*, int) {}

static const wchar_t* Key(const char*, int i) { return codePageKeys[i]; }
static const wchar_t* Key(const wchar_t*, int i) { return itemList.items[i].wideText; }

// Bottom-up merge: runs of width items merged pairwise. An item of the right
// run goes first only when it sorts strictly before, which keeps the sort
// stable.
template <typename Char>
static void MergeSort(int count)
{
    int* from = order;
    int* to = spare;
    for (int width = 1; width < count; width *= 2) {
        for (int left = 0; left < count; left += 2 * width) {
            int middle = left + width < count ? left + width : count;
            int right = middle + width < count ? middle + width : count;
            int a = left, b = middle;
            for (int k = left; k < right; ++k) {
                bool takeRight = b < right && (a >= middle || CompareLogically(Key((Char*)0, from[b]), Key((Char*)0, from[a])) < 0);
                to[k] = takeRight ? from[b++] : from[a++];
            }
        }
        int* merged = to;
        to = from;
        from = merged;
    }
    if (from != order)
        for (int k = 0; k < count; ++k) order[k] = from[k];
}

// Moves each item to its place along the cycles of the order, with one item
// held aside: no second list of a thousand slots.
static void ApplyOrder(int count)
{
    for (int k = 0; k < count; ++k) {
        if (order[k] == k) continue;
        Item held = itemList.items[k];
        int j = k;
        while (order[j] != k) {
            int next = order[j];
            itemList.items[j] = itemList.items[next];
            order[j] = j;
            j = next;
        }
        itemList.items[j] = held;
        order[j] = j;
    }
}

template <typename Char>
void SortItemsLogically()
{
    int count = itemList.count < kItemCapacity ? itemList.count : kItemCapacity;
    if (count < 2) return;
    PrepareKeys((Char*)0, count);
    for (int k = 0; k < count; ++k) order[k] = k;
    MergeSort<Char>(count);
    ApplyOrder(count);
}

template void SortItemsLogically<char>();
template void SortItemsLogically<wchar_t>();
