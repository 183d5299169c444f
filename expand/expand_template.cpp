// The template expander: the line-break pass, the link's target, the four
// passes of the forms for command lines, the seven passes of the forms of a
// path and the nine File passes over one working line, or the Url passes,
// written once for both kinds of text.
#include "expand/expand_template.h"

#include <string.h>

#include "expand/link_target.h"
#include "expand/command_forms.h"
#include "expand/path_forms.h"
#include "expand/split_path.h"
#include "expand/url_passes.h"
#include "system/run_settings.h"
#include "system/system_calls.h"

// Only a backslash that is a character of its own goes: a folder cut at its
// byte limit may end in a double-byte character whose second byte is 0x5C,
// and removing that byte would leave a lone lead byte to swallow the next
// byte of the line.
template <typename Char>
static void DropFinalBackslash(Char* text)
{
    if (EndsInBackslash(text)) text[TextLength(text) - 1] = 0;
}

// "%^P": the item text, with a backslash when it names a directory. Without
// the scanner's answer (scanned) the file system is asked, once, and only
// when the line holds a token that needs it. The backslash is written here,
// by character, where the value has room: PathAddBackslash leaves a text of
// 259 units and more as it is, and in the code page a text of 259 bytes
// stays as it is.
template <typename Char>
struct FullPathOf {
    const Char* itemText;
    const Item* scanned;
    bool made;
    Char value[kPathValueSize<Char>];
};

template <typename Char>
static const Char* FullPath(FullPathOf<Char>* path)
{
    if (!path->made) {
        path->made = true;
        bool isDirectory = path->scanned ? path->scanned->isDirectory : IsDirectoryPath(path->itemText);
        CopyText(path->value, path->itemText, kPathMaxLength<Char> + 1);
        int length = (int)TextLength(path->value);
        if (isDirectory && length < kPathValueSize<Char> - 1 && !EndsInBackslash(path->value)) {
            path->value[length] = '\\';
            path->value[length + 1] = 0;
        }
    }
    return path->value;
}

template <typename Char>
static void ReplaceFullPath(WorkingLine<Char>* line, FullPathOf<Char>* path)
{
    const Char* token = TEXT_AS(Char, "%^P");
    if (!path->made && !path->scanned && !LineHoldsToken(line, token)) return;
    ReplaceToken(line, token, FullPath(path));
}

// "%^T", the first of the passes that look beyond the item's text: a link is
// read only when the line holds the token, and its target, where it has
// none, is "%^P".
template <typename Char>
__attribute__((noinline, optimize("Os"))) static void RunLinkTargetPass(WorkingLine<Char>* line,
                                                                         FullPathOf<Char>* path)
{
    const Char* token = TEXT_AS(Char, "%^T");
    if (!LineHoldsToken(line, token)) return;
    static Char target[kLinkValueSize<Char>];
    bool linked = LinkTargetValue(path->itemText, path->scanned, target);
    ReplaceToken(line, token, linked ? (const Char*)target : FullPath(path), kLinkValueSize<Char> - 1);
}

// The passes of the forms for command lines, in the order of the manual's
// tables: after the passes of any placeholder whose table comes before
// theirs, before the forms of a path, in whose function they run. Each is
// made only when the line holds its token; in Unicode it may be as long as a
// line, so it is held apart from the stack.
template <typename Char>
__attribute__((always_inline)) static inline void RunCommandFormPasses(WorkingLine<Char>* line, FullPathOf<Char>* path)
{
    const Char* tokens[] = {TEXT_AS(Char, "%^O"), TEXT_AS(Char, "%^-O"), TEXT_AS(Char, "%^Q"), TEXT_AS(Char, "%^-Q")};
    static Char form[kCommandFormSize<Char>];
    for (int i = 0; i < 4; ++i) {
        if (LineHoldsToken(line, tokens[i]) && CommandForm(FullPath(path), (CommandFormKind)i, form))
            ReplaceToken(line, tokens[i], (const Char*)form, kCommandFormSize<Char> - 1);
    }
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
    RunCommandFormPasses(line, path);
    // In Unicode a form may be as long as a line: held apart from the stack.
    static Char form[kFormSize<Char>];
    static Char url[kUrlFormSize<Char>];
    const Char* token = TEXT_AS(Char, "%^R");
    if (LineHoldsToken(line, token) && NetworkPathForm(FullPath(path), form))
        ReplaceToken(line, token, (const Char*)form, kFormSize<Char> - 1);
    token = TEXT_AS(Char, "%^U");
    if (LineHoldsToken(line, token) && FileUrlForm(FullPath(path), url))
        ReplaceToken(line, token, (const Char*)url, kUrlFormSize<Char> - 1);
    for (int i = 0; i < 5; ++i) {
        if (LineHoldsToken(line, unixTokens[i]) &&
            UnixPathForm(FullPath(path), unixForms[i].kind, unixForms[i].escaped, form))
            ReplaceToken(line, unixTokens[i], (const Char*)form, kFormSize<Char> - 1);
    }
}

// The name of the folder that holds the item, without that folder's extension.
template <typename Char>
static void FolderNameValue(const PathPartsOf<Char>& item, Char (&value)[kPathValueSize<Char>])
{
    Char folderPath[kPathValueSize<Char>];
    JoinText(folderPath, item.drive, item.folder);
    DropFinalBackslash(folderPath);
    PathPartsOf<Char> folder;
    SplitPath(folderPath, &folder);
    CopyText(value, folder.name, kPathValueSize<Char>);
}

template <typename Char>
static void RunFilePasses(WorkingLine<Char>* line, const Char* itemText, const Item* scanned)
{
    FullPathOf<Char> path;
    path.itemText = itemText;
    path.scanned = scanned;
    path.made = false;

    RunLinkTargetPass(line, &path);
    RunPathFormPasses(line, &path);
    ReplaceFullPath(line, &path);
    ReplaceToken(line, TEXT_AS(Char, "%^-P"), itemText);
    // What is left replaces placeholders only, with values that are each a
    // sweep of a path of up to 32,767 units: a line with no % left, as the
    // default template leaves it, is complete.
    if (!LineHoldsToken(line, TEXT_AS(Char, "%"))) return;
    PathPartsOf<Char> parts;
    SplitPath(itemText, &parts);
    Char value[kPathValueSize<Char>];
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
static int Expand(const Char* templateText, const Char* itemText, ItemKind kind, const Item* scanned,
                  Char (&line)[kLineSize<Char>])
{
    WorkingLine<Char> working;
    LoadLine(&working, templateText);
    ReplaceLineBreakMarker(&working, SettingsOf(templateText).lineBreakMarker);
    if (kind == File) RunFilePasses(&working, itemText, scanned);
    else RunUrlPasses(&working, itemText);
    return StoreLine(&working, line);
}

template <typename Char>
int ExpandLineBreaks(const Char* text, Char (&line)[kLineSize<Char>])
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
int ExpandItem(const Char* templateText, const Item& item, Char (&line)[kLineSize<Char>])
{
    return Expand(templateText, ItemText<Char>(item), item.kind, &item, line);
}

template int ExpandLineBreaks(const char*, char (&)[kLineSize<char>]);
template int ExpandLineBreaks(const wchar_t*, wchar_t (&)[kLineSize<wchar_t>]);
template int ExpandItem(const char*, const Item&, char (&)[kLineSize<char>]);
template int ExpandItem(const wchar_t*, const Item&, wchar_t (&)[kLineSize<wchar_t>]);
