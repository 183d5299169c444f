#include "expand/link_target.h"

#include "system/final_path.h"
#include "system/link_target.h"
#include "system/system_calls.h"
#include "system/system_text.h"
#include "system/text_rules.h"

static bool InUnicode(const char* text, wchar_t (&wide)[kLinkTargetUnits])
{
    return NameFromCodePage(text, wide, kLinkTargetUnits);
}
static bool InUnicode(const wchar_t* text, wchar_t (&wide)[kLinkTargetUnits])
{
    CopyText(wide, text, kLinkTargetUnits);
    return true;
}

static bool InRunKind(const wchar_t* target, char (&value)[kLinkValueSize])
{
    return NameFromSystem(target, value, kLinkValueSize);
}
static bool InRunKind(const wchar_t* target, wchar_t (&value)[kLinkValueSize])
{
    CopyText(value, target, kLinkValueSize);
    return true;
}

// The name's last four units against an ASCII extension.
static bool EndsInExtension(const wchar_t* name, const char* extension)
{
    size_t length = TextLength(name, kLinkTargetUnits);
    if (length < 4) return false;
    for (int i = 0; i < 4; ++i)
        if ((name[length - 4 + i] | 0x20) != extension[i]) return false;
    return true;
}

template <typename Char>
bool ItemFullForm(const Char* itemText, wchar_t* full, int size)
{
    wchar_t wide[kLinkTargetUnits];
    return InUnicode(itemText, wide) && FullFormOf(wide, full, size);
}

// Read in UTF-16, once for both kinds of text.
static bool TargetOf(const wchar_t* full, const Item* scanned, wchar_t (&target)[kLinkTargetUnits])
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
    return kind != NotALink && LinkTargetOf(full, kind, target, kLinkTargetUnits);
}

template <typename Char>
bool LinkTargetValue(const Char* itemText, const Item* scanned, Char (&value)[kLinkValueSize])
{
    wchar_t full[kLinkTargetUnits];
    wchar_t target[kLinkTargetUnits];
    return ItemFullForm(itemText, full, kLinkTargetUnits) && TargetOf(full, scanned, target) &&
           InRunKind(target, value);
}

template bool ItemFullForm(const char*, wchar_t*, int);
template bool ItemFullForm(const wchar_t*, wchar_t*, int);
template bool LinkTargetValue(const char*, const Item*, char (&)[kLinkValueSize]);
template bool LinkTargetValue(const wchar_t*, const Item*, wchar_t (&)[kLinkValueSize]);
