// The template expander: one output line for one item, from the template,
// the line-break marker and the placeholders of the item's kind. Also owns
// the replacement pass, which the Url placeholders share.
#pragma once
#include "items/item_list.h"

constexpr int kLineBufferSize = 3900;
// The longest line: a replacement that would make the line longer is not made.
constexpr int kLineMaxLength = kLineBufferSize - 1;
// Every value (a path, a part of one, a URL) has at most 259 bytes.
constexpr int kValueBufferSize = 260;

// Writes the expanded line, at most 3899 bytes and its NUL, into line. "%^P"
// asks the file system whether a File names a directory.
void ExpandTemplate(const char* templateText, const char* itemText, ItemKind kind, char (&line)[kLineBufferSize]);

// The same for an item of the ItemList: "%^P" takes the scanner's answer, so
// that no item is asked about twice.
void ExpandItem(const char* templateText, const Item& item, char (&line)[kLineBufferSize]);

// The line under construction, held as a gap buffer: the text before the gap
// in bytes[0, gapStart), the text after it in bytes[gapEnd, kWorkingSize - 1),
// a NUL in the last byte. The gap always has room for one value, so a
// replacement inserts without moving the rest of the line.
constexpr int kWorkingSize = kLineBufferSize + kValueBufferSize;

struct WorkingLine {
    char bytes[kWorkingSize];
    int gapStart;
    int gapEnd;
};

// The replacement pass: every occurrence of token (letters in any case, found
// only where a character of the ANSI code page begins) is replaced by value.
// The result is that of a search that starts again at the beginning of the
// line after each replacement, so occurrences that a value forms with its
// neighbours are replaced too, with two exceptions where that search would
// never end or would overrun the line:
//   - when value itself holds token, the search goes on behind each inserted
//     value, so each occurrence is replaced once;
//   - when a replacement would make the line longer than kLineMaxLength, the
//     pass ends there and that occurrence and the text behind it stay as they are.
void ReplaceToken(WorkingLine* line, const char* token, const char* value);

// True when the line holds token: a pass whose value asks the file system
// is skipped, file system call and all, when nothing in the line needs it.
bool LineHoldsToken(WorkingLine* line, const char* token);

// The first occurrence of token in text, letters in any case, found only
// where a character of the ANSI code page begins: what StrStrIA finds, with
// no platform call per position for an ASCII token. Null when there is none.
const char* FindText(const char* text, const char* token);

// value := first + second + third, cut to fit its buffer.
void JoinText(char (&value)[kValueBufferSize], const char* first, const char* second, const char* third = "");
