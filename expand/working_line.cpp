// The working line: a gap buffer, so that a replacement inserts without
// moving the rest of the line, and the replacement pass that every pass runs.
#include "expand/working_line.h"

#include <string.h>

#include "system/system_calls.h"

// Moves within a pass are mostly short: the stretch between two
// occurrences, a token's length back, a value. A call into the runtime's
// memmove costs more than such a move itself, so a short one is made of a few
// copies of fixed size, which the compiler makes register moves. Its two
// stretches never overlap: a value comes from a buffer of its own, and the
// two sides of the gap lie at least the gap's width apart, which is wider
// than a short move.
constexpr size_t kShortMoveBytes = 128;
static_assert(kWorkingEnd<char> - kLineMaxLength<char> >= (int)kShortMoveBytes, "the gap is wider than a short move");

static void CopyShort(char* to, const char* from, size_t bytes)
{
    if (bytes >= 16) {
        for (size_t done = 0; done + 16 < bytes; done += 16) memcpy(to + done, from + done, 16);
        memcpy(to + bytes - 16, from + bytes - 16, 16);
    } else if (bytes >= 8) {
        memcpy(to, from, 8);
        memcpy(to + bytes - 8, from + bytes - 8, 8);
    } else if (bytes >= 4) {
        memcpy(to, from, 4);
        memcpy(to + bytes - 4, from + bytes - 4, 4);
    } else if (bytes >= 2) {
        memcpy(to, from, 2);
        memcpy(to + bytes - 2, from + bytes - 2, 2);
    } else if (bytes == 1) {
        *to = *from;
    }
}

template <typename Char>
static void MoveUnits(Char* to, const Char* from, int count)
{
    size_t bytes = count * sizeof(Char);
    if (bytes > kShortMoveBytes) memmove(to, from, bytes);
    else CopyShort((char*)to, (const char*)from, bytes);
}

template <typename Char>
static void MoveGapTo(WorkingLine<Char>* line, int position)
{
    // The gap never starts before the line does; told so, the compiler sees
    // no move from before the buffer.
    if (line->gapStart < 0) __builtin_unreachable();
    if (position < line->gapStart) {
        int count = line->gapStart - position;
        line->gapEnd -= count;
        MoveUnits(line->units + line->gapEnd, line->units + position, count);
        line->gapStart = position;
    } else if (position > line->gapStart) {
        int count = position - line->gapStart;
        MoveUnits(line->units + line->gapStart, line->units + line->gapEnd, count);
        line->gapStart += count;
        line->gapEnd += count;
    }
}

// The first occurrence of the token behind the gap, as a position in the
// line, or -1. The gap always stands where a character begins.
template <typename Char>
static int FindBehindGap(const WorkingLine<Char>* line, const Token<Char>& token)
{
    int found = FindToken(line->units + line->gapEnd, kWorkingEnd<Char> - line->gapEnd, token);
    return found < 0 ? -1 : line->gapStart + found;
}

// Where characters begin before the gap, learnt only where the unit before a
// position is a lead unit and so cannot tell: positions below `marked` are
// marked in startsChar, and a character begins at `marked`. A replacement
// changes nothing before its position, so what was learnt there holds.
template <typename Char>
struct CharStarts {
    int marked;
    unsigned char startsChar[kLineSize<Char>];
};

static bool IsLeadUnit(char unit) { return IsAnsiLeadByte((unsigned char)unit); }
static bool IsLeadUnit(wchar_t unit) { return IsHighSurrogate(unit); }

// position <= gapStart.
template <typename Char>
static bool BeginsCharacterBeforeGap(const WorkingLine<Char>* line, CharStarts<Char>* starts, int position)
{
    const Char* units = line->units;
    if (position == 0 || !IsLeadUnit(units[position - 1])) return true;
    while (starts->marked < position) {
        int at = starts->marked;
        bool pair = at + 1 < line->gapStart && CharWidth(units + at) == 2;
        starts->startsChar[at] = 1;
        if (pair) starts->startsChar[at + 1] = 0;
        starts->marked += pair ? 2 : 1;
    }
    return starts->marked == position || starts->startsChar[position];
}

// After a replacement at `at`, where the gap now stands, the text before
// at - length + 1 is unchanged and, since `at` was the first occurrence,
// holds none: the search that starts again at the beginning finds its next
// occurrence no earlier than the first character that begins from there on.
template <typename Char>
static int ResumePoint(const WorkingLine<Char>* line, CharStarts<Char>* starts, int at, int tokenLength)
{
    if (starts->marked > at) starts->marked = at;
    int position = at - tokenLength + 1;
    if (position < 0) position = 0;
    while (!BeginsCharacterBeforeGap(line, starts, position)) ++position;
    return position;
}

// Moves the gap behind the value that starts right after it, to the first
// character that begins there: a value ending in a lone lead unit takes the
// next unit of the line with it.
template <typename Char>
static void StepOverValue(WorkingLine<Char>* line, int valueLength)
{
    int skipped = 0;
    while (skipped < valueLength) skipped += CharWidth(line->units + line->gapEnd + skipped);
    MoveGapTo(line, line->gapStart + skipped);
}

// Each replacement inserts the value at the start of the text behind the gap,
// and the search resumes a token's length before it, so the line is swept
// once per pass instead of once per occurrence. A value that does not hold
// the token always ends the pass: a longer value meets the length bound, a
// shorter one shrinks the line, and one of the same length either replaces
// an ASCII token, always changing the first unit where the two differ in the
// same way, so that the line never comes back to an earlier state, or is the
// CR LF of a two-unit marker of other units, which leaves fewer units that
// are neither CR nor LF.
template <typename Char>
void ReplaceToken(WorkingLine<Char>* line, const Char* token, const Char* value, int valueMaxLength)
{
    Token<Char> t = MakeToken(token, kLineSize<Char>);
    if (t.length == 0) return;
    MoveGapTo(line, 0);
    int at = FindBehindGap(line, t);
    // A value is measured only for a line that takes it: in Unicode it may
    // be a path of 32,767 units, and most passes find no token.
    if (at < 0) return;
    int valueLength = (int)TextLength(value, valueMaxLength);
    bool valueHoldsToken = FindToken(value, valueLength, t) >= 0;
    CharStarts<Char> starts;
    starts.marked = 0;

    for (; at >= 0; at = FindBehindGap(line, t)) {
        MoveGapTo(line, at);
        if (LineLength(line) - t.length + valueLength > kLineMaxLength<Char>) return;
        line->gapEnd += t.length - valueLength;
        MoveUnits(line->units + line->gapEnd, value, valueLength);
        if (valueHoldsToken) StepOverValue(line, valueLength);
        else MoveGapTo(line, ResumePoint(line, &starts, at, t.length));
    }
}

template <typename Char>
bool LineHoldsToken(WorkingLine<Char>* line, const Char* token)
{
    MoveGapTo(line, 0);
    return FindBehindGap(line, MakeToken(token, kLineSize<Char>)) >= 0;
}

template <typename Char>
void LoadLine(WorkingLine<Char>* line, const Char* templateText)
{
    int length = (int)TextLength(templateText, kLineMaxLength<Char>);
    line->gapStart = 0;
    line->gapEnd = kWorkingEnd<Char> - length;
    memcpy(line->units + line->gapEnd, templateText, length * sizeof(Char));
    line->units[kWorkingEnd<Char>] = 0;
}

template <typename Char>
int StoreLine(const WorkingLine<Char>* line, Char (&out)[kLineSize<Char>])
{
    int tailLength = kWorkingEnd<Char> - line->gapEnd;
    memcpy(out, line->units, line->gapStart * sizeof(Char));
    memcpy(out + line->gapStart, line->units + line->gapEnd, tailLength * sizeof(Char));
    out[line->gapStart + tailLength] = 0;
    return line->gapStart + tailLength;
}

template <typename Char>
static void AppendText(Char* value, int size, const Char* text)
{
    size_t used = TextLength(value, size - 1);
    if (text) CopyText(value + used, text, (int)(size - used));
}

template <typename Char>
void JoinText(Char* value, int size, const Char* first, const Char* second, const Char* third)
{
    CopyText(value, first, size);
    AppendText(value, size, second);
    AppendText(value, size, third);
}

template void ReplaceToken(WorkingLine<char>*, const char*, const char*, int);
template void ReplaceToken(WorkingLine<wchar_t>*, const wchar_t*, const wchar_t*, int);
template void JoinText(char*, int, const char*, const char*, const char*);
template void JoinText(wchar_t*, int, const wchar_t*, const wchar_t*, const wchar_t*);
template bool LineHoldsToken(WorkingLine<char>*, const char*);
template bool LineHoldsToken(WorkingLine<wchar_t>*, const wchar_t*);
template void LoadLine(WorkingLine<char>*, const char*);
template void LoadLine(WorkingLine<wchar_t>*, const wchar_t*);
template int StoreLine(const WorkingLine<char>*, char (&)[kLineSize<char>]);
template int StoreLine(const WorkingLine<wchar_t>*, wchar_t (&)[kLineSize<wchar_t>]);
