// The template expander: the line-break pass, the seven passes of the forms
// of a path, the nine File passes, and the replacement pass that they and
// the Url passes run over one working line, written once for both kinds of
// text.
#include "expand/expand_template.h"

#include <string.h>

#include "expand/path_forms.h"
#include "expand/split_path.h"
#include "expand/url_passes.h"
#include "system/run_settings.h"
#include "system/system_calls.h"

// The last unit of the working buffer, always NUL: the end of the text that
// follows the gap.
static const int kWorkingEnd = kWorkingSize - 1;

template <typename Char>
static int LineLength(const WorkingLine<Char>* line)
{
    return line->gapStart + (kWorkingEnd - line->gapEnd);
}

// Moves within a pass are mostly short: the stretch between two
// occurrences, a token's length back, a value. A call into the runtime's
// memmove costs more than such a move itself, so a short one is made of a few
// copies of fixed size, which the compiler makes register moves. Its two
// stretches never overlap: a value comes from a buffer of its own, and the
// two sides of the gap lie at least the gap's width apart, which is wider
// than a short move.
constexpr size_t kShortMoveBytes = 128;
static_assert(kWorkingEnd - kLineMaxLength >= (int)kShortMoveBytes, "the gap is wider than a short move");

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
    int found = FindToken(line->units + line->gapEnd, kWorkingEnd - line->gapEnd, token);
    return found < 0 ? -1 : line->gapStart + found;
}

// Where characters begin before the gap, learnt only where the unit before a
// position is a lead unit and so cannot tell: positions below `marked` are
// marked in startsChar, and a character begins at `marked`. A replacement
// changes nothing before its position, so what was learnt there holds.
struct CharStarts {
    int marked;
    unsigned char startsChar[kLineBufferSize];
};

static bool IsLeadUnit(char unit) { return IsAnsiLeadByte((unsigned char)unit); }
static bool IsLeadUnit(wchar_t unit) { return IsHighSurrogate(unit); }

// position <= gapStart.
template <typename Char>
static bool BeginsCharacterBeforeGap(const WorkingLine<Char>* line, CharStarts* starts, int position)
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
static int ResumePoint(const WorkingLine<Char>* line, CharStarts* starts, int at, int tokenLength)
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
    Token<Char> t = MakeToken(token, kLineBufferSize);
    if (t.length == 0) return;
    int valueLength = (int)TextLength(value, valueMaxLength);
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
        MoveUnits(line->units + line->gapEnd, value, valueLength);
        if (valueHoldsToken) StepOverValue(line, valueLength);
        else MoveGapTo(line, ResumePoint(line, &starts, at, t.length));
    }
}

template <typename Char>
bool LineHoldsToken(WorkingLine<Char>* line, const Char* token)
{
    MoveGapTo(line, 0);
    return FindBehindGap(line, MakeToken(token, kLineBufferSize)) >= 0;
}

// The template goes behind the gap, where the first pass begins.
template <typename Char>
static void LoadLine(WorkingLine<Char>* line, const Char* templateText)
{
    int length = (int)TextLength(templateText, kLineMaxLength);
    line->gapStart = 0;
    line->gapEnd = kWorkingEnd - length;
    memcpy(line->units + line->gapEnd, templateText, length * sizeof(Char));
    line->units[kWorkingEnd] = 0;
}

template <typename Char>
static int StoreLine(const WorkingLine<Char>* line, Char (&out)[kLineBufferSize])
{
    int tailLength = kWorkingEnd - line->gapEnd;
    memcpy(out, line->units, line->gapStart * sizeof(Char));
    memcpy(out + line->gapStart, line->units + line->gapEnd, tailLength * sizeof(Char));
    out[line->gapStart + tailLength] = 0;
    return line->gapStart + tailLength;
}

template <typename Char>
static void AppendText(Char (&value)[kValueBufferSize], const Char* text)
{
    size_t used = TextLength(value, kValueBufferSize - 1);
    if (text) CopyText(value + used, text, (int)(kValueBufferSize - used));
}

template <typename Char>
void JoinText(Char (&value)[kValueBufferSize], const Char* first, const Char* second, const Char* third)
{
    CopyText(value, first, kValueBufferSize);
    AppendText(value, second);
    AppendText(value, third);
}

// Only a backslash that is a character of its own goes: a folder cut at its
// byte limit may end in a double-byte character whose second byte is 0x5C,
// and removing that byte would leave a lone lead byte to swallow the next
// byte of the line.
template <typename Char>
static void DropFinalBackslash(Char* text)
{
    if (EndsInBackslash(text)) text[TextLength(text, kValueBufferSize) - 1] = 0;
}

// "%^P": the item text, with a backslash when it names a directory. Without
// the scanner's answer the file system is asked, once, and only when the line
// holds a token that needs it. PathAddBackslash writes the backslash and a
// NUL behind the text, so a text of 259 units would overrun the buffer: it
// has no room and stays unchanged.
template <typename Char>
struct FullPathOf {
    const Char* itemText;
    const bool* scannedAsDirectory;
    bool made;
    Char value[kValueBufferSize];
};

template <typename Char>
static const Char* FullPath(FullPathOf<Char>* path)
{
    if (!path->made) {
        path->made = true;
        bool isDirectory = path->scannedAsDirectory ? *path->scannedAsDirectory : IsDirectoryPath(path->itemText);
        CopyText(path->value, path->itemText, kValueBufferSize);
        if (isDirectory && TextLength(path->value, kValueBufferSize) < kValueBufferSize - 1) AddBackslash(path->value);
    }
    return path->value;
}

template <typename Char>
static void ReplaceFullPath(WorkingLine<Char>* line, FullPathOf<Char>* path)
{
    const Char* token = TEXT_AS(Char, "%^P");
    if (!path->made && !path->scannedAsDirectory && !LineHoldsToken(line, token)) return;
    ReplaceToken(line, token, FullPath(path));
}

// The seven passes of the forms of a path, before the File passes, so that
// a template without their tokens gives the line it gave before they were
// there. Each is made only when the line holds its token, and the network
// is asked only for "%^R" and "%^U". Made small rather than fast, unlike
// the rest of this unit: its work is done for a line that holds a form.
template <typename Char>
__attribute__((noinline, optimize("Os"))) static void RunPathFormPasses(WorkingLine<Char>* line,
                                                                         FullPathOf<Char>* path)
{
    static const struct {
        UnixForm kind;
        bool escaped;
    } unixForms[] = {{SlashForm, false}, {WslForm, false}, {WslForm, true}, {MsysForm, false}, {MsysForm, true}};
    const Char* unixTokens[] = {TEXT_AS(Char, "%^S"), TEXT_AS(Char, "%^W"), TEXT_AS(Char, "%^-W"),
                                TEXT_AS(Char, "%^M"), TEXT_AS(Char, "%^-M")};
    Char form[kPathFormSize];
    const Char* token = TEXT_AS(Char, "%^R");
    if (LineHoldsToken(line, token)) {
        NetworkPathForm(FullPath(path), form);
        ReplaceToken(line, token, (const Char*)form, kPathFormSize - 1);
    }
    token = TEXT_AS(Char, "%^U");
    if (LineHoldsToken(line, token)) {
        Char url[kFileUrlSize];
        FileUrlForm(FullPath(path), url);
        ReplaceToken(line, token, (const Char*)url, kFileUrlSize - 1);
    }
    for (int i = 0; i < 5; ++i) {
        if (!LineHoldsToken(line, unixTokens[i])) continue;
        UnixPathForm(FullPath(path), unixForms[i].kind, unixForms[i].escaped, form);
        ReplaceToken(line, unixTokens[i], (const Char*)form, kPathFormSize - 1);
    }
}

// The name of the folder that holds the item, without that folder's extension.
template <typename Char>
static void FolderNameValue(const PathPartsOf<Char>& item, Char (&value)[kValueBufferSize])
{
    Char folderPath[kValueBufferSize];
    JoinText(folderPath, item.drive, item.folder);
    DropFinalBackslash(folderPath);
    PathPartsOf<Char> folder;
    SplitPath(folderPath, &folder);
    CopyText(value, folder.name, kValueBufferSize);
}

template <typename Char>
static void RunFilePasses(WorkingLine<Char>* line, const Char* itemText, const bool* scannedAsDirectory)
{
    PathPartsOf<Char> parts;
    SplitPath(itemText, &parts);
    Char value[kValueBufferSize];
    FullPathOf<Char> path;
    path.itemText = itemText;
    path.scannedAsDirectory = scannedAsDirectory;
    path.made = false;

    RunPathFormPasses(line, &path);
    ReplaceFullPath(line, &path);
    ReplaceToken(line, TEXT_AS(Char, "%^-P"), itemText);
    JoinText(value, parts.drive, parts.folder);
    ReplaceToken(line, TEXT_AS(Char, "%^D"), value);
    DropFinalBackslash(value);
    ReplaceToken(line, TEXT_AS(Char, "%^-D"), value);
    FolderNameValue(parts, value);
    ReplaceToken(line, TEXT_AS(Char, "%^F"), value);
    JoinText(value, parts.name, parts.extension);
    ReplaceToken(line, TEXT_AS(Char, "%^N"), value);
    ReplaceToken(line, TEXT_AS(Char, "%^E"), parts.extension);
    ReplaceToken(line, TEXT_AS(Char, "%^A"), parts.name);
    JoinText(value, parts.drive, parts.folder, parts.name);
    ReplaceToken(line, TEXT_AS(Char, "%^B"), value);
}

// With the marker LF CR each replacement swaps an LF and the CR behind it, and
// forms the marker again wherever another LF stands before the pair or another
// CR behind it. Searching from the beginning after each swap ends only when,
// in every run of CR and LF units, the CRs stand before the LFs: that result
// is made here in one sweep, not in a number of swaps that grows with the
// square of the run. A unit that is the second of a character belongs to no
// run. Any other marker that forms itself again either holds CR LF or uses up
// a unit of the line with each replacement, and its pass stays linear. The
// line is as loaded, all of it behind the gap.
template <typename Char>
static void OrderLineBreakRuns(WorkingLine<Char>* line)
{
    Char* text = line->units + line->gapEnd;
    int length = LineLength(line);
    for (int i = 0; i < length;) {
        int end = i;
        int carriageReturns = 0;
        for (; end < length && (text[end] == '\r' || text[end] == '\n'); ++end) carriageReturns += text[end] == '\r';
        if (end == i) {
            i += CharWidth(text + i);
            continue;
        }
        for (int k = i; k < end; ++k) text[k] = k < i + carriageReturns ? '\r' : '\n';
        i = end;
    }
}

// The first pass, on the line as loaded.
template <typename Char>
static void ReplaceLineBreakMarker(WorkingLine<Char>* line, const Char* marker)
{
    if (marker[0] == '\n' && marker[1] == '\r' && marker[2] == 0) OrderLineBreakRuns(line);
    else ReplaceToken(line, marker, TEXT_AS(Char, "\r\n"));
}

template <typename Char>
static int Expand(const Char* templateText, const Char* itemText, ItemKind kind, const bool* scannedAsDirectory,
                  Char (&line)[kLineBufferSize])
{
    WorkingLine<Char> working;
    LoadLine(&working, templateText);
    ReplaceLineBreakMarker(&working, SettingsOf(templateText).lineBreakMarker);
    if (kind == File) RunFilePasses(&working, itemText, scannedAsDirectory);
    else RunUrlPasses(&working, itemText);
    return StoreLine(&working, line);
}

template <typename Char>
int ExpandLineBreaks(const Char* text, Char (&line)[kLineBufferSize])
{
    WorkingLine<Char> working;
    LoadLine(&working, text);
    ReplaceLineBreakMarker(&working, SettingsOf(text).lineBreakMarker);
    return StoreLine(&working, line);
}

void ExpandTemplate(const char* templateText, const char* itemText, ItemKind kind, char (&line)[kLineBufferSize])
{
    Expand(templateText, itemText, kind, nullptr, line);
}

template <typename Char>
int ExpandItem(const Char* templateText, const Item& item, Char (&line)[kLineBufferSize])
{
    return Expand(templateText, ItemText<Char>(item), item.kind, &item.isDirectory, line);
}

template int ExpandLineBreaks(const char*, char (&)[kLineBufferSize]);
template int ExpandLineBreaks(const wchar_t*, wchar_t (&)[kLineBufferSize]);
template int ExpandItem(const char*, const Item&, char (&)[kLineBufferSize]);
template int ExpandItem(const wchar_t*, const Item&, wchar_t (&)[kLineBufferSize]);
template void ReplaceToken(WorkingLine<char>*, const char*, const char*, int);
template void ReplaceToken(WorkingLine<wchar_t>*, const wchar_t*, const wchar_t*, int);
template void JoinText(char (&)[kValueBufferSize], const char*, const char*, const char*);
template void JoinText(wchar_t (&)[kValueBufferSize], const wchar_t*, const wchar_t*, const wchar_t*);
