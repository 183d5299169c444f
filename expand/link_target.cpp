#include "expand/link_target.h"

#include "system/final_path.h"
#include "system/link_target.h"
#include "system/long_path.h"
#include "system/system_calls.h"
#include "system/system_text.h"
#include "system/text_rules.h"

static bool InRunKind(const wchar_t* target, char (&value)[kLinkValueSize<char>])
{
    return NameFromSystem(target, value, kLinkValueSize<char>);
}
static bool InRunKind(const wchar_t* target, wchar_t (&value)[kLinkValueSize<wchar_t>])
{
    CopyText(value, target, kLinkValueSize<wchar_t>);
    return true;
}

// The name's last four units against an ASCII extension.
static bool EndsInExtension(const wchar_t* name, const char* extension)
{
    size_t length = TextLength(name);
    if (length < 4) return false;
    for (int i = 0; i < 4; ++i)
        if ((name[length - 4 + i] | 0x20) != extension[i]) return false;
    return true;
}

// Read in UTF-16, once for both kinds of text.
static bool TargetOf(const wchar_t* full, const Item* scanned, wchar_t* target, int size)
{
    DWORD attributes = !scanned ? FileAttributes(full)
                                : (scanned->isDirectory ? FILE_ATTRIBUTE_DIRECTORY : 0) |
                                      (scanned->isReparsePoint ? FILE_ATTRIBUTE_REPARSE_POINT : 0);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    LinkKind kind = attributes & FILE_ATTRIBUTE_REPARSE_POINT ? ReparsePoint
                    : attributes & FILE_ATTRIBUTE_DIRECTORY   ? NotALink
                    : EndsInExtension(full, ".lnk") ? Shortcut
                    : EndsInExtension(full, ".url") ? InternetShortcut
                                                       : NotALink;
    return kind != NotALink && LinkTargetOf(full, kind, target, size);
}

// A path past MAX_PATH units, which only Unicode gives, is read in its long
// form; a target is read no longer than the run's value can hold. The
// buffers are the unit's own, outside the stack.
static wchar_t given[kLongPathFormSize], full[kLongPathFormSize], target[kLongestPath + 1];

template <typename Char>
bool LinkTargetValue(const Char* itemText, const Item* scanned, Char (&value)[kLinkValueSize<Char>])
{
    int size = sizeof(Char) == 1 ? kLinkTargetUnits : kLongestPath + 1;
    return FullFormOf(itemText, given, kLongPathFormSize) && LongPathForm(given, full, kLongPathFormSize) &&
           TargetOf(full, scanned, target, size) && InRunKind(target, value);
}

template bool LinkTargetValue(const char*, const Item*, char (&)[kLinkValueSize<char>]);
template bool LinkTargetValue(const wchar_t*, const Item*, wchar_t (&)[kLinkValueSize<wchar_t>]);
