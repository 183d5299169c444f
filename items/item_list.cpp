#include "items/item_list.h"

ItemList itemList;

void ScanItems(const char*, ScanMode) { itemList.count = 0; }

int CheckUrl(const char*) { return -1; }
