#include "items/clipboard_source.h"

int CollectFromClipboard() { return 0; }
