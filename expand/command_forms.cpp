#include "expand/command_forms.h"

#include <string.h>
#include <wchar.h>

#include "expand/form_text.h"
#include "items/item_list.h"
#include "system/final_path.h"
#include "system/run_settings.h"
#include "system/system_calls.h"
#include "system/system_text.h"
#include "system/text_rules.h"

// The run's base as a full form ending in a backslash, and the units of its
// root; length 0 when the run has none. It and the forms on the way to it
// and to a relative form are held apart from the stack: in Unicode each is
// as long as a line. It is found for the first form that needs it (pending
// until then): finding it makes every File item's path full, which a run
// of long paths would pay for every line that holds no "%^O".
static struct {
    bool pending;
    int length;
    int rootLength;
    wchar_t folder[kFullFormSize<wchar_t>];
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

// Units of the deepest folder of the base, its root at least, that holds
// path[0, length), and in *up the folders of the base below it; 0 when not
// even the root does. A folder ends in a backslash, so a path that begins
// with it, letter case ignored, lies inside it by whole components.
static int FolderHolding(const wchar_t* path, int length, int* up)
{
    int folder = runBase.length;
    for (*up = 0;; ++*up) {
        if (folder <= length && SameNameIgnoringCase(path, folder, runBase.folder, folder)) return folder;
        if (folder <= runBase.rootLength) return 0;
        do --folder;
        while (runBase.folder[folder - 1] != '\\');
    }
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

// The text is made Unicode first, where a backslash is always one.
bool FullFormOfItem(const Item& item, bool unicode, wchar_t* full, int size)
{
    static wchar_t path[kPathMaxLength<wchar_t> + 2];
    if (unicode) CopyText(path, item.wideText, kPathMaxLength<wchar_t> + 1);
    else if (!NameFromCodePage(item.text, path, kItemMaxLength + 1)) return false;
    int length = lstrlenW(path);
    if (item.isDirectory && length && path[length - 1] != '\\') {
        path[length] = '\\';
        path[length + 1] = 0;
    }
    return FullFormOf(path, full, size);
}

// The deepest folder that holds every File item, by their full forms.
static void TakeCommonFolder(bool unicode)
{
    static wchar_t full[kFullFormSize<wchar_t>];
    bool first = true;
    for (int i = 0; i < itemList.count; ++i) {
        if (itemList.items[i].kind != File) continue;
        int size = unicode ? kFullFormSize<wchar_t> : kFullFormSize<char>;
        int parent = FullFormOfItem(itemList.items[i], unicode, full, size) ? ParentLength(full) : 0;
        int up;
        if (parent && first) {
            wmemcpy(runBase.folder, full, parent);
            runBase.rootLength = RootLength(full);
        }
        runBase.length = !parent ? 0 : first ? parent : FolderHolding(full, parent, &up);
        if (!runBase.length) return;
        first = false;
    }
}

// The full form of the folder of "/#b=", which need not exist, as a base.
static void TakeGivenBase(int size)
{
    int length = RootLength(runBase.folder) ? (int)wcslen(runBase.folder) : 0;
    if (length && runBase.folder[length - 1] != '\\') {
        if (length + 1 >= size) return;
        runBase.folder[length++] = '\\';
        runBase.folder[length] = 0;
    }
    runBase.rootLength = RootLength(runBase.folder);
    runBase.length = length;
}

template <typename Char>
static void FindPendingBase()
{
    if (!runBase.pending) return;
    runBase.pending = false;
    runBase.length = 0;
    const Char* given = SettingsOf((const Char*)nullptr).baseFolder;
    if (!given[0]) TakeCommonFolder(sizeof(Char) == sizeof(wchar_t));
    else if (FullFormOf(given, runBase.folder, kFullFormSize<Char>)) TakeGivenBase(kFullFormSize<Char>);
}

static bool RelativeToBase(const wchar_t* full, wchar_t* units, int size)
{
    int length = (int)wcslen(full);
    int up;
    int inside = runBase.length ? FolderHolding(full, length, &up) : 0;
    if (!inside) return false;
    FormText<wchar_t> form = StartForm(units, size);
    for (int i = 0; i < up; ++i) PutAscii(&form, "..\\");
    if (!up && inside == length) PutAscii(&form, ".\\");
    for (int i = inside; i < length; ++i) PutCharacter(&form, full + i, 1);
    return !form.full;
}

static bool InKind(const wchar_t* relative, char (&form)[kCommandFormSize<char>])
{
    return NameFromSystem(relative, form, kCommandFormSize<char>);
}
static bool InKind(const wchar_t* relative, wchar_t (&form)[kCommandFormSize<wchar_t>])
{
    CopyText(form, relative, kCommandFormSize<wchar_t>);
    return true;
}

template <typename Char>
static void MakeRelativeForm(const Char* fullPath, bool slashes, Char (&form)[kCommandFormSize<Char>])
{
    static_assert(kCommandFormSize<Char> > kPathValueSize<Char>, "a %^P value fits");
    static wchar_t full[kFullFormSize<Char>], relative[kRelativeFormSize<Char>];
    FindPendingBase<Char>();
    if (!FullFormOf(fullPath, full, kFullFormSize<Char>) || !RelativeToBase(full, relative, kRelativeFormSize<Char>) ||
        !InKind(relative, form))
        CopyText(form, fullPath, kCommandFormSize<Char>);
    for (Char* at = form; slashes && *at; at += CharWidth(at))
        if (*at == '\\') *at = '/';
}

// A blank, or one of the characters that cmd /? lists as needing quotes.
template <typename Char>
static bool NeedsQuotes(Char unit)
{
    return unit > 0 && unit < 0x80 && strchr(" &()[]{}^=;!'+,`~", (char)unit);
}

// The form is made behind the room for its opening quote, and kept as it is
// when it needs none.
template <typename Char>
static bool MakeQuotedForm(const Char* fullPath, bool forPowerShell, Char (&units)[kCommandFormSize<Char>])
{
    FormText<Char> form = StartForm(units + 1, kCommandFormSize<Char> - 1);
    bool quoted = forPowerShell;
    int backslashes = 0;
    for (const Char* at = fullPath; *at;) {
        int width = CharWidth(at);
        quoted |= width == 1 && NeedsQuotes(*at);
        if (forPowerShell && IsPowerShellQuote(at, width)) PutCharacter(&form, at, width);
        PutCharacter(&form, at, width);
        backslashes = width == 1 && *at == '\\' ? backslashes + 1 : 0;
        at += width;
    }
    if (!quoted) {
        CopyText(units, fullPath, kCommandFormSize<Char>);
        return !form.full;
    }
    units[0] = forPowerShell ? '\'' : '"';
    // CommandLineToArgvW reads 2n backslashes before a quote as n.
    for (; backslashes > 0 && !forPowerShell; --backslashes) PutAscii(&form, '\\');
    PutCharacter(&form, units, 1);
    return !form.full;
}

template <typename Char>
void FindRunBase()
{
    runBase.pending = true;
}

template <typename Char>
bool CommandForm(const Char* fullPath, CommandFormKind kind, Char (&form)[kCommandFormSize<Char>])
{
    if (kind >= Quoted) return MakeQuotedForm(fullPath, kind == QuotedForPowerShell, form);
    MakeRelativeForm(fullPath, kind == RelativeWithSlashes, form);
    return true;
}

template void FindRunBase<char>();
template void FindRunBase<wchar_t>();
template bool CommandForm(const char*, CommandFormKind, char (&)[kCommandFormSize<char>]);
template bool CommandForm(const wchar_t*, CommandFormKind, wchar_t (&)[kCommandFormSize<wchar_t>]);
