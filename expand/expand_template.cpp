// The template expander: the line-break pass, the nine File passes and the
// replacement pass that they and the Url passes run over one working line.
#include "expand/expand_template.h"

#include <windows.h>
#include <shlwapi.h>
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
};

static Token MakeToken(const char* text)
{
    Token token = {text, (int)strnlen(text, kLineBufferSize), true};
    for (int i = 0; i < token.length; ++i)
        if ((unsigned char)text[i] >= 0x80) token.ascii = false;
    return token;
}

// at has token.length bytes before any NUL.
static bool TokenAt(const char* at, const Token& token)
{
    if (token.ascii) {
        for (int i = 0; i < token.length; ++i)
            if (FoldAscii(at[i]) != FoldAscii(token.text[i])) return false;
        return true;
    }
    // An ASCII sign has no other case: most positions need no platform call.
    char first = token.text[0];
    if ((unsigned char)first < 0x80 && !IsAsciiLetter(first) && at[0] != first) return false;
    return StrCmpNIA(at, token.text, token.length) == 0;
}

static bool TextHoldsToken(const char* text, int length, const Token& token)
{
    for (int i = 0; i + token.length <= length; i += AnsiCharWidth(text + i))
        if (TokenAt(text + i, token)) return true;
    return false;
}

// Walks the characters behind the gap, marking in startsChar (indexed by
// position in the line) where each begins, up to the first occurrence of the
// token. Returns its position in the line, or -1.
static int FindBehindGap(const WorkingLine* line, const Token& token, unsigned char* startsChar)
{
    int position = line->gapStart;
    for (int i = line->gapEnd; i + token.length <= kWorkingEnd;) {
        startsChar[position] = 1;
        if (TokenAt(line->bytes + i, token)) return position;
        int width = AnsiCharWidth(line->bytes + i);
        if (width == 2) startsChar[position + 1] = 0;
        i += width;
        position += width;
    }
    return -1;
}

// After a replacement at `at`, the text before at - length + 1 is unchanged
// and, since `at` was the first occurrence, holds none: the search that
// starts again at the beginning finds its next occurrence no earlier than the
// first character that begins from there on.
static int ResumePoint(const unsigned char* startsChar, int at, int tokenLength)
{
    int position = at - tokenLength + 1;
    if (position < 0) position = 0;
    while (!startsChar[position]) ++position;
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
    bool valueHoldsToken = TextHoldsToken(value, valueLength, t);
    unsigned char startsChar[kLineBufferSize];

    MoveGapTo(line, 0);
    for (;;) {
        int at = FindBehindGap(line, t, startsChar);
        if (at < 0) return;
        MoveGapTo(line, at);
        if (LineLength(line) - t.length + valueLength > kLineMaxLength) return;
        line->gapEnd += t.length - valueLength;
        memcpy(line->bytes + line->gapEnd, value, valueLength);
        if (valueHoldsToken) StepOverValue(line, valueLength);
        else MoveGapTo(line, ResumePoint(startsChar, at, t.length));
    }
}

bool LineHoldsToken(WorkingLine* line, const char* token)
{
    MoveGapTo(line, 0);
    return TextHoldsToken(line->bytes + line->gapEnd, LineLength(line), MakeToken(token));
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

// PathAddBackslashA writes the backslash and a NUL behind the text, so a text
// of 259 bytes would overrun the buffer: it has no room and stays unchanged.
static void FullPathValue(const char* itemText, char (&value)[kValueBufferSize])
{
    lstrcpynA(value, itemText, kValueBufferSize);
    if (PathIsDirectoryA(itemText) && strlen(value) < kValueBufferSize - 1) PathAddBackslashA(value);
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

static void RunFilePasses(WorkingLine* line, const char* itemText)
{
    PathParts parts;
    SplitPath(itemText, &parts);
    char value[kValueBufferSize];

    if (LineHoldsToken(line, "%^P")) {
        FullPathValue(itemText, value);
        ReplaceToken(line, "%^P", value);
    }
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

void ExpandTemplate(const char* templateText, const char* itemText, ItemKind kind, char (&line)[kLineBufferSize])
{
    WorkingLine working;
    LoadLine(&working, templateText);
    ReplaceToken(&working, runSettings.lineBreakMarker, "\r\n");
    if (kind == File) RunFilePasses(&working, itemText);
    else RunUrlPasses(&working, itemText);
    StoreLine(&working, line);
}
