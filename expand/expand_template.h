// The template expander: one output line for one item, from the template,
// the line-break marker and the placeholders of the item's kind.
#pragma once
#include "items/item_list.h"

constexpr int kLineBufferSize = 3900;

// Writes the expanded line, at most 3899 bytes and its NUL, into line.
void ExpandTemplate(const char* templateText, const char* itemText, ItemKind kind, char (&line)[kLineBufferSize]);
