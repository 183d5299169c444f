// The Url passes: the components that DecomposeUrl leaves in the record of
// the run's kind of text, the folder and file name of the URL path, and the
// item text whole or cut.
#include "expand/url_passes.h"

#include "expand/split_path.h"
#include "system/url_decompose.h"
#include "system/system_calls.h"

// The item text cut before its first "#", or without one before its first
// "?". Neither sign is ever part of a wider character.
template <typename Char>
static void UrlWithoutFragmentValue(const Char* itemText, Char (&value)[kValueBufferSize])
{
    CopyText(value, itemText, kValueBufferSize);
    Char* cut = nullptr;
    for (Char* at = value; *at && !cut; at += CharWidth(at))
        if (*at == '#') cut = at;
    for (Char* at = value; *at && !cut; at += CharWidth(at))
        if (*at == '?') cut = at;
    if (cut) *cut = 0;
}

// Copies a component; a refused text has none, rather than those that the
// last URL cracked left behind.
template <typename Char>
static void ComponentValue(bool cracked, const Char* component, Char (&value)[kValueBufferSize])
{
    CopyText(value, cracked ? component : TEXT_AS(Char, ""), kValueBufferSize);
}

template <typename Char>
void RunUrlPasses(WorkingLine<Char>* line, const Char* itemText)
{
    bool cracked = DecomposeUrl(itemText) != 0;
    const UrlComponentsOf<Char>& components = ComponentsOf(itemText);
    Char value[kValueBufferSize];
    Char path[kValueBufferSize];
    ComponentValue(cracked, components.path, path);
    PathPartsOf<Char> parts;
    SplitPath(path, &parts);

    ComponentValue(cracked, components.scheme, value);
    ReplaceToken(line, TEXT_AS(Char, "%^F"), value);
    ComponentValue(cracked, components.host, value);
    ReplaceToken(line, TEXT_AS(Char, "%^G"), value);
    ComponentValue(cracked, components.user, value);
    ReplaceToken(line, TEXT_AS(Char, "%^H"), value);
    ComponentValue(cracked, components.password, value);
    ReplaceToken(line, TEXT_AS(Char, "%^I"), value);
    ReplaceToken(line, TEXT_AS(Char, "%^J"), (const Char*)path);
    JoinText(value, parts.drive, parts.folder);
    ReplaceToken(line, TEXT_AS(Char, "%^-J"), (const Char*)value);
    JoinText(value, parts.name, parts.extension);
    ReplaceToken(line, TEXT_AS(Char, "%^K"), (const Char*)value);
    ReplaceToken(line, TEXT_AS(Char, "%^L"), itemText);
    UrlWithoutFragmentValue(itemText, value);
    ReplaceToken(line, TEXT_AS(Char, "%^-L"), (const Char*)value);
    ReplaceToken(line, TEXT_AS(Char, "%^P"), itemText);
}

template void RunUrlPasses(WorkingLine<char>*, const char*);
template void RunUrlPasses(WorkingLine<wchar_t>*, const wchar_t*);
