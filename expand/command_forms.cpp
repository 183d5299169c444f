#include "expand/command_forms.h"

#include <string.h>

#include "expand/form_text.h"
#include "items/item_list.h"
#include "system/final_path.h"
#include "system/run_settings.h"
#include "system/system_calls.h"
#include "system/system_text.h"
#include "system/text_rules.h"

// The run's base as a full form ending in a backslash; length 0 when the
// run has none.
static struct {
    int length;
    wchar_t folder[kFullFormSize];
} runBase;

// Units of the root of a full form: "X:\", or "\\server\share\", all of a
// server or a share that nothing follows; 0 for any other form.
static int RootLength(const wchar_t* path)
{
    if (((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') && path[1] == ':' && path[2] == '\\') return 3;
    if (path[0] != '\\' || path[1] != '\\') return 0;
    int at = 2;
    for (int part = 0; part < 2 && path[at]; ++part) {
        while (path[at] && path[at] != '\\') ++at;
        if (path[at]) ++at;
    }
    return at;
}

// Matches the folders of a and b from their roots, a component counting
// only where a backslash ends it in both; false when the roots differ. *aAt
// and *bAt are where the first component that differs begins.
static bool MatchFolders(const wchar_t* a, int aLength, const wchar_t* b, int bLength, int* aAt, int* bAt)
{
    int root = RootLength(a);
    if (!root || root != RootLength(b) || !SameNameIgnoringCase(a, root, b, root)) return false;
    int i = root, j = root;
    for (;;) {
        int iEnd = i, jEnd = j;
        while (iEnd < aLength && a[iEnd] != '\\') ++iEnd;
        while (jEnd < bLength && b[jEnd] != '\\') ++jEnd;
        if (iEnd == aLength || jEnd == bLength || !SameNameIgnoringCase(a + i, iEnd - i, b + j, jEnd - j)) break;
        i = iEnd + 1;
        j = jEnd + 1;
    }
    *aAt = i;
    *bAt = j;
    return true;
}

// Units of the folder that holds a full form, with its backslash; 0 for a
// root, which has none.
static int ParentLength(const wchar_t* full)
{
    int root = RootLength(full);
    int length = (int)wcslen(full);
    if (length > root && full[length - 1] == '\\') --length;
    if (!root || length <= root) return 0;
    while (full[length - 1] != '\\') --length;
    return length;
}

// The full form of the folder of "/#b=", which need not exist, as a base.
static void TakeGivenBase()
{
    int length = RootLength(runBase.folder) ? (int)wcslen(runBase.folder) : 0;
    if (length && runBase.folder[length - 1] != '\\') {
        if (length + 1 >= kFullFormSize) return;
        runBase.folder[length++] = '\\';
        runBase.folder[length] = 0;
    }
    runBase.length = length;
}

// The item's "%^P" in full form: a folder ends in a backslash, so that a
// drive root is not taken for the current folder of its drive.
template <typename Char>
static bool FullFormOfItem(const Item& item, wchar_t (&full)[kFullFormSize])
{
    Char path[kItemMaxLength + 2];
    CopyText(path, ItemText<Char>(item), kItemMaxLength + 1);
    int length = (int)TextLength(path, kItemMaxLength + 1);
    if (item.isDirectory && !EndsInBackslash(path)) {
        path[length] = '\\';
        path[length + 1] = 0;
    }
    return FullFormOf((const Char*)path, full);
}

using ItemFullForm = bool (*)(const Item&, wchar_t (&)[kFullFormSize]);

// The deepest folder that holds every File item, by their full forms.
static void TakeCommonFolder(ItemFullForm fullFormOf)
{
    int length = 0;
    for (int i = 0; i < itemList.count; ++i) {
        if (itemList.items[i].kind != File) continue;
        wchar_t full[kFullFormSize];
        int parent = fullFormOf(itemList.items[i], full) ? ParentLength(full) : 0;
        int inBase, inParent;
        if (!parent || (length && !MatchFolders(runBase.folder, length, full, parent, &inBase, &inParent))) return;
        if (length) {
            length = inBase;
        } else {
            memcpy(runBase.folder, full, parent * sizeof(wchar_t));
            length = parent;
        }
        runBase.folder[length] = 0;
    }
    runBase.length = length;
}

template <typename Char>
void FindRunBase()
{
    runBase.length = 0;
    const Char* given = SettingsOf((const Char*)nullptr).baseFolder;
    if (!given[0]) TakeCommonFolder(FullFormOfItem<Char>);
    else if (FullFormOf(given, runBase.folder)) TakeGivenBase();
}

static bool RelativeToBase(const wchar_t* full, wchar_t (&units)[kRelativeFormSize])
{
    int length = (int)wcslen(full);
    int inBase, inPath;
    if (!runBase.length || !MatchFolders(runBase.folder, runBase.length, full, length, &inBase, &inPath)) return false;
    FormText<wchar_t> form = StartForm(units, kRelativeFormSize);
    for (int i = inBase; i < runBase.length; ++i)
        if (runBase.folder[i] == '\\') PutAscii(&form, "..\\");
    if (inBase == runBase.length && inPath == length) PutAscii(&form, ".\\");
    for (int i = inPath; i < length; ++i) PutCharacter(&form, full + i, 1);
    return !form.full;
}

static bool InKind(const wchar_t* relative, char (&form)[kCommandFormSize])
{
    return NameFromSystem(relative, form, kCommandFormSize);
}
static bool InKind(const wchar_t* relative, wchar_t (&form)[kCommandFormSize])
{
    CopyText(form, relative, kCommandFormSize);
    return true;
}

template <typename Char>
void RelativeForm(const Char* fullPath, bool slashes, Char (&form)[kCommandFormSize])
{
    wchar_t full[kFullFormSize];
    wchar_t relative[kRelativeFormSize];
    if (!FullFormOf(fullPath, full) || !RelativeToBase(full, relative) || !InKind(relative, form))
        CopyText(form, fullPath, kCommandFormSize);
    if (!slashes) return;
    for (Char* at = form; *at; at += CharWidth(at))
        if (*at == '\\') *at = '/';
}

// A blank, or one of the characters that cmd /? lists as needing quotes.
template <typename Char>
static bool NeedsQuotes(Char unit)
{
    return unit > 0 && unit < 0x80 && strchr(" &()[]{}^=;!'+,`~", (char)unit);
}

template <typename Char>
void QuotedForm(const Char* fullPath, bool forPowerShell, Char (&units)[kCommandFormSize])
{
    bool quoted = forPowerShell;
    for (const Char* at = fullPath; *at && !quoted; at += CharWidth(at)) quoted = CharWidth(at) == 1 && NeedsQuotes(*at);
    if (!quoted) {
        CopyText(units, fullPath, kCommandFormSize);
        return;
    }
    FormText<Char> form = StartForm(units, kCommandFormSize);
    char quote = forPowerShell ? '\'' : '"';
    PutAscii(&form, quote);
    int backslashes = 0;
    for (const Char* at = fullPath; *at;) {
        int width = CharWidth(at);
        if (forPowerShell && IsPowerShellQuote(at, width)) PutCharacter(&form, at, width);
        PutCharacter(&form, at, width);
        backslashes = width == 1 && *at == '\\' ? backslashes + 1 : 0;
        at += width;
    }
    // CommandLineToArgvW reads 2n backslashes before a quote as n.
    for (; backslashes > 0 && !forPowerShell; --backslashes) PutAscii(&form, '\\');
    PutAscii(&form, quote);
}

template void FindRunBase<char>();
template void FindRunBase<wchar_t>();
template void RelativeForm(const char*, bool, char (&)[kCommandFormSize]);
template void RelativeForm(const wchar_t*, bool, wchar_t (&)[kCommandFormSize]);
template void QuotedForm(const char*, bool, char (&)[kCommandFormSize]);
template void QuotedForm(const wchar_t*, bool, wchar_t (&)[kCommandFormSize]);
