// The template expander: one output line for one item, from the template,
// the line-break marker and the placeholders of the item's kind, in either
// kind of text of a run (bytes of the ANSI code page, or UTF-16).
#pragma once
#include "expand/working_line.h"
#include "items/item_list.h"

// Writes the expanded line, at most 3899 bytes and its NUL, into line, with
// the marker of the run's settings. "%^P" asks the file system whether a
// File names a directory, "%^T" whether it is a link.
void ExpandTemplate(const char* templateText, const char* itemText, ItemKind kind, char (&line)[kLineBufferSize]);

// The same for an item of the ItemList, in the run's kind of text: "%^P" and
// "%^T" take the scanner's answer, so that no item is asked about twice. Returns
// the line's length in units, which the expander knows: a result of 1000
// lines of up to 3899 bytes (65,535 units in Unicode) is joined without
// measuring each line again.
template <typename Char>
int ExpandItem(const Char* templateText, const Item& item, Char (&line)[kLineSize<Char>]);

// text with the run's line-break marker replaced by CR LF, as in a template;
// returns its length.
template <typename Char>
int ExpandLineBreaks(const Char* text, Char (&line)[kLineSize<Char>]);
