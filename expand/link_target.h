// "%^T": the target of a link, in the run's kind of text.
//
//   the item                                     its target
//   a symbolic link or a junction (any name)     its final path, a folder's
//                                                without a trailing backslash
//   a file named *.lnk (any letter case)         the shortcut's target
//   a file named *.url (any letter case)         the Internet shortcut's URL
//   anything else, a folder among them           none
//   a link that cannot be read, has no target,
//   or, in the code page, one that the code
//   page cannot hold exactly                     none
//
// Where there is none the pass takes "%^P". The link is read through the
// item's full form (system/link_target.h).
#pragma once
#include "items/item_list.h"

// A target of up to kItemMaxLength UTF-16 units in the code page, where each
// unit may take two bytes: a link is read no further than an item is long.
// In Unicode, a path and its target of up to 32,767 units.
constexpr int kLinkTargetUnits = kItemMaxLength + 1;
template <typename Char>
constexpr int kLinkValueSize = sizeof(Char) == 1 ? 2 * kLinkTargetUnits : kLongestPath + 1;

// The target of the item; false when there is none. The scanner's answer
// (scanned) tells a link from a plain file; only without it is the file
// system asked, once.
template <typename Char>
bool LinkTargetValue(const Char* itemText, const Item* scanned, Char (&value)[kLinkValueSize<Char>]);
