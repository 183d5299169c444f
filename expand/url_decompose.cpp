#include "expand/url_decompose.h"

#include <windows.h>
#include <shlwapi.h>
#include <string.h>
#include <wininet.h>

#include "system/system_function.h"

UrlComponents urlComponents;

#ifndef _WIN64
static_assert(sizeof(URL_COMPONENTSA) == 60, "the 32-bit URL_COMPONENTSA is 60 bytes");
#endif

// Wine's cracker reads before the start of its input, and takes the process
// down, on a file URL whose host runs into a query or fragment with no slash
// between ("file://ab?"). Such a text names no file, so it is refused before
// it gets there. The bytes looked for are below 0x40: never a trail byte.
static bool IsFileUrlWithoutPath(const char* text)
{
    if (StrCmpNIA(text, "file://", 7) != 0) return false;
    const char* stop = strpbrk(text + 7, "/?#");
    return stop && *stop != '/';
}

// The cracker overwrites every length with the length it found, so all of
// them are set again before each call; Windows fails on a stale small length.
int DecomposeUrl(const char* text)
{
    if (IsFileUrlWithoutPath(text)) return 0;
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszScheme = urlComponents.scheme;
    parts.dwSchemeLength = sizeof(urlComponents.scheme);
    parts.lpszHostName = urlComponents.host;
    parts.dwHostNameLength = sizeof(urlComponents.host);
    parts.lpszUserName = urlComponents.user;
    parts.dwUserNameLength = sizeof(urlComponents.user);
    parts.lpszPassword = urlComponents.password;
    parts.dwPasswordLength = sizeof(urlComponents.password);
    parts.lpszUrlPath = urlComponents.path;
    parts.dwUrlPathLength = sizeof(urlComponents.path);
    parts.lpszExtraInfo = urlComponents.extra;
    parts.dwExtraInfoLength = sizeof(urlComponents.extra);
    static auto crackUrl = LoadSystemFunctionAs<decltype(&InternetCrackUrlA)>("wininet.dll", "InternetCrackUrlA");
    return crackUrl && crackUrl(text, 0, 0, &parts) ? 1 : 0;
}
