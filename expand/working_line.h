// The working line of one expansion and the replacement pass over it, shared
// by the expander's passes and the Url passes, in either kind of text.
#pragma once
#include "system/long_path.h"
#include "system/text_rules.h"

// The line of a run in the code page; in Unicode a line holds the longest
// path several times over.
constexpr int kLineBufferSize = 3900;
template <typename Char>
constexpr int kLineSize = sizeof(Char) == 1 ? kLineBufferSize : 65536;
// The longest line: a replacement that would make the line longer is not made.
template <typename Char>
constexpr int kLineMaxLength = kLineSize<Char> - 1;
// A URL's value has at most 259 units; a path's value holds the longest path
// of the run's kind, in Unicode with a folder's backslash; the forms of a
// path (expand/path_forms.h) may be longer than a line.
constexpr int kValueBufferSize = 260;
template <typename Char>
constexpr int kPathValueSize = sizeof(Char) == 1 ? kValueBufferSize : kLongestPath + 2;

// The line under construction, held as a gap buffer: the text before the gap
// in units[0, gapStart), the text after it in units[gapEnd, kWorkingSize - 1),
// a NUL in the last unit. The gap always has room for one value that the
// line can take, so a replacement inserts without moving the rest of the line.
template <typename Char>
constexpr int kWorkingSize = kLineSize<Char> + kValueBufferSize;

template <typename Char>
struct WorkingLine {
    Char units[kWorkingSize<Char>];
    int gapStart;
    int gapEnd;
};

// The last unit of the working buffer, always NUL: the end of the text that
// follows the gap.
template <typename Char>
constexpr int kWorkingEnd = kWorkingSize<Char> - 1;

template <typename Char>
inline int LineLength(const WorkingLine<Char>* line)
{
    return line->gapStart + (kWorkingEnd<Char> - line->gapEnd);
}

// The replacement pass: every occurrence of token (letters in any case, found
// only where a character begins) is replaced by value. The result is that of
// a search that starts again at the beginning of the line after each
// replacement, so occurrences that a value forms with its neighbours are
// replaced too, with two exceptions where that search would never end or
// would overrun the line:
//   - when value itself holds token, the search goes on behind each inserted
//     value, so each occurrence is replaced once;
//   - when a replacement would make the line longer than kLineMaxLength, the
//     pass ends there and that occurrence and the text behind it stay as they are.
// A value counts up to its NUL or valueMaxLength units, whichever comes
// first; one longer than a line is never placed.
template <typename Char>
void ReplaceToken(WorkingLine<Char>* line, const Char* token, const Char* value, int valueMaxLength = kLineSize<Char>);

// True when the line holds token: a pass whose value asks the file system
// is skipped, file system call and all, when nothing in the line needs it.
template <typename Char>
bool LineHoldsToken(WorkingLine<Char>* line, const Char* token);

// value := first + second + third, cut to fit its size units.
template <typename Char>
void JoinText(Char* value, int size, const Char* first, const Char* second, const Char* third = nullptr);
template <typename Char, int size>
inline void JoinText(Char (&value)[size], const Char* first, const Char* second, const Char* third = nullptr)
{
    JoinText(value, size, first, second, third);
}

// The template behind the gap, where the first pass begins.
template <typename Char>
void LoadLine(WorkingLine<Char>* line, const Char* templateText);

// The line into out; returns its length.
template <typename Char>
int StoreLine(const WorkingLine<Char>* line, Char (&out)[kLineSize<Char>]);
