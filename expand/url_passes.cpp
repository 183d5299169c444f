// The Url passes: the components that DecomposeUrl leaves in urlComponents,
// the folder and file name of the URL path, and the item text whole or cut.
#include "expand/url_passes.h"

#include <windows.h>
#include <string.h>

#include "expand/split_path.h"
#include "expand/url_decompose.h"

// The item text cut before its first "#", or without one before its first
// "?". Neither sign can be the second byte of a double-byte character.
static void UrlWithoutFragmentValue(const char* itemText, char (&value)[kValueBufferSize])
{
    lstrcpynA(value, itemText, kValueBufferSize);
    char* cut = strchr(value, '#');
    if (!cut) cut = strchr(value, '?');
    if (cut) *cut = '\0';
}

// Copies a component; a refused text has none, rather than those that the
// last URL cracked left behind.
static void ComponentValue(bool cracked, const char* component, char (&value)[kValueBufferSize])
{
    lstrcpynA(value, cracked ? component : "", kValueBufferSize);
}

void RunUrlPasses(WorkingLine* line, const char* itemText)
{
    bool cracked = DecomposeUrl(itemText) != 0;
    char value[kValueBufferSize];
    char path[kValueBufferSize];
    ComponentValue(cracked, urlComponents.path, path);
    PathParts parts;
    SplitPath(path, &parts);

    ComponentValue(cracked, urlComponents.scheme, value);
    ReplaceToken(line, "%^F", value);
    ComponentValue(cracked, urlComponents.host, value);
    ReplaceToken(line, "%^G", value);
    ComponentValue(cracked, urlComponents.user, value);
    ReplaceToken(line, "%^H", value);
    ComponentValue(cracked, urlComponents.password, value);
    ReplaceToken(line, "%^I", value);
    ReplaceToken(line, "%^J", path);
    JoinText(value, parts.drive, parts.folder);
    ReplaceToken(line, "%^-J", value);
    JoinText(value, parts.name, parts.extension);
    ReplaceToken(line, "%^K", value);
    ReplaceToken(line, "%^L", itemText);
    UrlWithoutFragmentValue(itemText, value);
    ReplaceToken(line, "%^-L", value);
    ReplaceToken(line, "%^P", itemText);
}
