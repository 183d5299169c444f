// The template expander: the line-break pass, the nine File passes and the
// replacement pass that they and the Url passes run over one working line.
#include "expand/expand_template.h"

#include <windows.h>
#include <shlwapi.h>
#include <stdint.h>
#include <string.h>

#include "app/options.h"
#include "expand/split_path.h"
#include "expand/url_passes.h"

// The last byte of the working buffer, always NUL: the end of the text that
// follows the gap.
static const int kWorkingEnd = kWorkingSize - 1;

static int LineLength(const WorkingLine* line) { return line->gapStart + (kWorkingEnd - line->gapEnd); }

static void MoveGapTo(WorkingLine* line, int position)
{
    if (position < line->gapStart) {
        int count = line->gapStart - position;
        line->gapEnd -= count;
        memmove(line->bytes + line->gapEnd, line->bytes + position, count);
        line->gapStart = position;
    } else if (position > line->gapStart) {
        int count = position - line->gapStart;
        memmove(line->bytes + line->gapStart, line->bytes + line->gapEnd, count);
        line->gapStart += count;
        line->gapEnd += count;
    }
}

static char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }

static bool IsAsciiLetter(char c) { return FoldAscii(c) >= 'a' && FoldAscii(c) <= 'z'; }

struct Token {
    const char* text;
    int length;
    // Every placeholder is ASCII: then only A to Z fold, and comparing bytes
    // with them folded is what StrStrIA does. Other tokens (a marker such as
    // the default one) are left to the platform, which also folds accented and
    // full-width letters.
    bool ascii;
    // The byte that the search skips to, at keyAt in the token, or keyAt -1
    // when none will do: the last byte of an ASCII token, the letter in which
    // placeholders differ (folded, and then found in either case), or the
    // first byte of another token when it is an ASCII sign, as the "[" of the
    // default marker is, which has no other case.
    int keyAt;
    char key;
    bool keyFolds;
};

static Token MakeToken(const char* text)
{
    Token token = {text, (int)strnlen(text, kLineBufferSize), true, -1, '\0', false};
    for (int i = 0; i < token.length; ++i)
        if ((unsigned char)text[i] >= 0x80) token.ascii = false;
    if (token.length == 0) return token;
    if (token.ascii) {
        token.keyAt = token.length - 1;
        token.key = FoldAscii(text[token.keyAt]);
        token.keyFolds = IsAsciiLetter(token.key);
    } else if ((unsigned char)text[0] < 0x80 && !IsAsciiLetter(text[0])) {
        token.keyAt = 0;
        token.key = text[0];
    }
    return token;
}

// at has token.length bytes before any NUL.
static bool TokenAt(const char* at, const Token& token)
{
    // From the end: placeholders differ in their letter, and most candidates
    // are other placeholders.
    if (token.ascii) {
        for (int i = token.length - 1; i >= 0; --i)
            if (FoldAscii(at[i]) != FoldAscii(token.text[i])) return false;
        return true;
    }
    // An ASCII sign has no other case: most positions need no platform call.
    if (token.keyAt == 0 && at[0] != token.key) return false;
    return StrCmpNIA(at, token.text, token.length) == 0;
}

// Whether a character begins at text[i], given that one begins at
// text[known], known <= i. A byte that is no lead byte always ends a
// character, so only the lead bytes right before i count, back to such a byte
// or to known: an even number of them pair up among themselves, an odd number
// takes text[i] as the second byte of the last pair. In a code page without
// lead bytes that is no byte at all.
static bool BeginsCharacter(const char* text, int known, int i)
{
    int run = i;
    while (run > known && IsAnsiLeadByte((unsigned char)text[run - 1])) --run;
    return (i - run) % 2 == 0;
}

// The first i in [from, end) where text[i] is the token's key, or end; eight
// bytes at a time, with the test for a zero byte in a word, whose lowest flag
// is exact. Setting bit 5 folds a letter, and makes no other byte a letter.
static int SkipToKey(const char* text, int from, int end, const Token& token)
{
    const uint64_t ones = 0x0101010101010101ull;
    const uint64_t pattern = ones * (unsigned char)token.key;
    const uint64_t fold = token.keyFolds ? ones * 0x20 : 0;
    for (; from + 8 <= end; from += 8) {
        uint64_t word;
        memcpy(&word, text + from, sizeof(word));
        word = (word | fold) ^ pattern;
        uint64_t zeros = (word - ones) & ~word & (ones << 7);
        if (zeros) return from + __builtin_ctzll(zeros) / 8;
    }
    while (from < end && (char)(text[from] | (char)fold) != token.key) ++from;
    return from;
}

// The first occurrence of the token in text[0, length) that begins a
// character, text itself beginning one; -1 when there is none.
static int FindToken(const char* text, int length, const Token& token)
{
    int last = length - token.length;
    if (token.keyAt < 0) {
        for (int i = 0; i <= last; i += AnsiCharWidth(text + i))
            if (TokenAt(text + i, token)) return i;
        return -1;
    }
    int known = 0;
    for (int i = 0; i <= last; ++i) {
        i = SkipToKey(text, i + token.keyAt, last + 1 + token.keyAt, token) - token.keyAt;
        if (i > last) break;
        if (!BeginsCharacter(text, known, i)) {
            known = i + 1;
            continue;
        }
        if (TokenAt(text + i, token)) return i;
        known = i;
    }
    return -1;
}

// The first occurrence of the token behind the gap, as a position in the
// line, or -1. The gap always stands where a character begins.
static int FindBehindGap(const WorkingLine* line, const Token& token)
{
    int found = FindToken(line->bytes + line->gapEnd, kWorkingEnd - line->gapEnd, token);
    return found < 0 ? -1 : line->gapStart + found;
}

// Where characters begin before the gap, learnt only where the byte before a
// position is a lead byte and so cannot tell: positions below `marked` are
// marked in startsChar, and a character begins at `marked`. A replacement
// changes nothing before its position, so what was learnt there holds.
struct CharStarts {
    int marked;
    unsigned char startsChar[kLineBufferSize];
};

// position <= gapStart.
static bool BeginsCharacterBeforeGap(const WorkingLine* line, CharStarts* starts, int position)
{
    const char* bytes = line->bytes;
    if (position == 0 || !IsAnsiLeadByte((unsigned char)bytes[position - 1])) return true;
    while (starts->marked < position) {
        int at = starts->marked;
        bool pair = IsAnsiLeadByte((unsigned char)bytes[at]) && at + 1 < line->gapStart;
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
static int ResumePoint(const WorkingLine* line, CharStarts* starts, int at, int tokenLength)
{
    if (starts->marked > at) starts->marked = at;
    int position = at - tokenLength + 1;
    if (position < 0) position = 0;
    while (!BeginsCharacterBeforeGap(line, starts, position)) ++position;
    return position;
}

// Moves the gap behind the value that starts right after it, to the first
// character that begins there: a value ending in a lone lead byte takes the
// next byte of the line with it.
static void StepOverValue(WorkingLine* line, int valueLength)
{
    int skipped = 0;
    while (skipped < valueLength) skipped += AnsiCharWidth(line->bytes + line->gapEnd + skipped);
    MoveGapTo(line, line->gapStart + skipped);
}

// Each replacement inserts the value at the start of the text behind the gap,
// and the search resumes a token's length before it, so the line is swept
// once per pass instead of once per occurrence. A value that does not hold
// the token always ends the pass: a longer value meets the length bound, a
// shorter one shrinks the line, and one of the same length either replaces
// an ASCII token, always changing the first byte where the two differ in the
// same way, so that the line never comes back to an earlier state, or is the
// CR LF of a two-byte marker of other bytes, which leaves fewer bytes that
// are neither CR nor LF.
void ReplaceToken(WorkingLine* line, const char* token, const char* value)
{
    Token t = MakeToken(token);
    if (t.length == 0) return;
    int valueLength = (int)strnlen(value, kValueBufferSize - 1);
    bool valueHoldsToken = FindToken(value, valueLength, t) >= 0;
    CharStarts starts;
    starts.marked = 0;

    MoveGapTo(line, 0);
    for (;;) {
        int at = FindBehindGap(line, t);
        if (at < 0) return;
        MoveGapTo(line, at);
        if (LineLength(line) - t.length + valueLength > kLineMaxLength) return;
        line->gapEnd += t.length - valueLength;
        memcpy(line->bytes + line->gapEnd, value, valueLength);
        if (valueHoldsToken) StepOverValue(line, valueLength);
        else MoveGapTo(line, ResumePoint(line, &starts, at, t.length));
    }
}

const char* FindText(const char* text, const char* token)
{
    int found = FindToken(text, (int)strlen(text), MakeToken(token));
    return found < 0 ? nullptr : text + found;
}

bool LineHoldsToken(WorkingLine* line, const char* token)
{
    MoveGapTo(line, 0);
    return FindBehindGap(line, MakeToken(token)) >= 0;
}

// The template goes behind the gap, where the first pass begins.
static void LoadLine(WorkingLine* line, const char* templateText)
{
    int length = (int)strnlen(templateText, kLineMaxLength);
    line->gapStart = 0;
    line->gapEnd = kWorkingEnd - length;
    memcpy(line->bytes + line->gapEnd, templateText, length);
    line->bytes[kWorkingEnd] = '\0';
}

static void StoreLine(const WorkingLine* line, char (&out)[kLineBufferSize])
{
    int tailLength = kWorkingEnd - line->gapEnd;
    memcpy(out, line->bytes, line->gapStart);
    memcpy(out + line->gapStart, line->bytes + line->gapEnd, tailLength);
    out[line->gapStart + tailLength] = '\0';
}

static void AppendText(char (&value)[kValueBufferSize], const char* text)
{
    size_t used = strnlen(value, kValueBufferSize - 1);
    lstrcpynA(value + used, text, (int)(kValueBufferSize - used));
}

void JoinText(char (&value)[kValueBufferSize], const char* first, const char* second, const char* third)
{
    lstrcpynA(value, first, kValueBufferSize);
    AppendText(value, second);
    AppendText(value, third);
}

// Only a backslash that is a character of its own goes: a folder cut at its
// byte limit may end in a double-byte character whose second byte is 0x5C,
// and removing that byte would leave a lone lead byte to swallow the next
// byte of the line.
static void DropFinalBackslash(char* text)
{
    if (EndsInBackslash(text)) text[strlen(text) - 1] = '\0';
}

// "%^P": the item text, with a backslash when it names a directory. Without
// the scanner's answer the file system is asked, and only when the line holds
// the token. PathAddBackslashA writes the backslash and a NUL behind the text,
// so a text of 259 bytes would overrun the buffer: it has no room and stays
// unchanged.
static void ReplaceFullPath(WorkingLine* line, const char* itemText, const bool* scannedAsDirectory)
{
    bool isDirectory;
    if (scannedAsDirectory) isDirectory = *scannedAsDirectory;
    else if (LineHoldsToken(line, "%^P")) isDirectory = PathIsDirectoryA(itemText);
    else return;
    char value[kValueBufferSize];
    lstrcpynA(value, itemText, kValueBufferSize);
    if (isDirectory && strlen(value) < kValueBufferSize - 1) PathAddBackslashA(value);
    ReplaceToken(line, "%^P", value);
}

// The name of the folder that holds the item, without that folder's extension.
static void FolderNameValue(const PathParts& item, char (&value)[kValueBufferSize])
{
    char folderPath[kValueBufferSize];
    JoinText(folderPath, item.drive, item.folder);
    DropFinalBackslash(folderPath);
    PathParts folder;
    SplitPath(folderPath, &folder);
    lstrcpynA(value, folder.name, kValueBufferSize);
}

static void RunFilePasses(WorkingLine* line, const char* itemText, const bool* scannedAsDirectory)
{
    PathParts parts;
    SplitPath(itemText, &parts);
    char value[kValueBufferSize];

    ReplaceFullPath(line, itemText, scannedAsDirectory);
    ReplaceToken(line, "%^-P", itemText);
    JoinText(value, parts.drive, parts.folder);
    ReplaceToken(line, "%^D", value);
    DropFinalBackslash(value);
    ReplaceToken(line, "%^-D", value);
    FolderNameValue(parts, value);
    ReplaceToken(line, "%^F", value);
    JoinText(value, parts.name, parts.extension);
    ReplaceToken(line, "%^N", value);
    ReplaceToken(line, "%^E", parts.extension);
    ReplaceToken(line, "%^A", parts.name);
    JoinText(value, parts.drive, parts.folder, parts.name);
    ReplaceToken(line, "%^B", value);
}

// With the marker LF CR each replacement swaps an LF and the CR behind it, and
// forms the marker again wherever another LF stands before the pair or another
// CR behind it. Searching from the beginning after each swap ends only when,
// in every run of CR and LF bytes, the CRs stand before the LFs: that result
// is made here in one sweep, not in a number of swaps that grows with the
// square of the run. A byte that is the second of a double-byte character
// belongs to no run. Any other marker that forms itself again either holds
// CR LF or uses up a byte of the line with each replacement, and its pass
// stays linear. The line is as loaded, all of it behind the gap.
static void OrderLineBreakRuns(WorkingLine* line)
{
    char* text = line->bytes + line->gapEnd;
    int length = LineLength(line);
    for (int i = 0; i < length;) {
        int end = i;
        int carriageReturns = 0;
        for (; end < length && (text[end] == '\r' || text[end] == '\n'); ++end) carriageReturns += text[end] == '\r';
        if (end == i) {
            i += AnsiCharWidth(text + i);
            continue;
        }
        memset(text + i, '\r', carriageReturns);
        memset(text + i + carriageReturns, '\n', end - i - carriageReturns);
        i = end;
    }
}

// The first pass, on the line as loaded.
static void ReplaceLineBreakMarker(WorkingLine* line)
{
    if (strcmp(runSettings.lineBreakMarker, "\n\r") == 0) OrderLineBreakRuns(line);
    else ReplaceToken(line, runSettings.lineBreakMarker, "\r\n");
}

static void Expand(const char* templateText, const char* itemText, ItemKind kind, const bool* scannedAsDirectory,
                   char (&line)[kLineBufferSize])
{
    WorkingLine working;
    LoadLine(&working, templateText);
    ReplaceLineBreakMarker(&working);
    if (kind == File) RunFilePasses(&working, itemText, scannedAsDirectory);
    else RunUrlPasses(&working, itemText);
    StoreLine(&working, line);
}

void ExpandTemplate(const char* templateText, const char* itemText, ItemKind kind, char (&line)[kLineBufferSize])
{
    Expand(templateText, itemText, kind, nullptr, line);
}

void ExpandItem(const char* templateText, const Item& item, char (&line)[kLineBufferSize])
{
    Expand(templateText, item.text, item.kind, &item.isDirectory, line);
}
