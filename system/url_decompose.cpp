#include "system/url_decompose.h"

#include <windows.h>
#include <wininet.h>

#include "system/system_calls.h"
#include "system/system_function.h"
#include "system/text_rules.h"

UrlComponents urlComponents;
UrlComponentsOf<wchar_t> wideUrlComponents;

#ifndef _WIN64
static_assert(sizeof(URL_COMPONENTSA) == 60, "the 32-bit URL_COMPONENTSA is 60 bytes");
#endif

// The cracker's record and function for each kind of text. The ANSI cracker
// may keep its answer in the code page: with no flags it decodes no escape,
// so every part is a piece of the item's text, whose characters all came
// from the code page and go back to the same bytes; none can be a best-fit
// look-alike.
template <typename Char>
struct Cracker;
template <>
struct Cracker<char> {
    using Parts = URL_COMPONENTSA;
    static BOOL Crack(const char* text, Parts* parts)
    {
        static auto crack = LoadSystemFunctionAs<decltype(&InternetCrackUrlA)>("wininet.dll", "InternetCrackUrlA");
        return crack && crack(text, 0, 0, parts);
    }
};
template <>
struct Cracker<wchar_t> {
    using Parts = URL_COMPONENTSW;
    static BOOL Crack(const wchar_t* text, Parts* parts)
    {
        static auto crack = LoadSystemFunctionAs<decltype(&InternetCrackUrlW)>("wininet.dll", "InternetCrackUrlW");
        return crack && crack(text, 0, 0, parts);
    }
};

// Wine's cracker reads before the start of its input, and takes the process
// down, on a file URL whose host runs into a query or fragment with no slash
// between ("file://ab?"). Such a text names no file, so it is refused before
// it gets there. The signs looked for are ASCII: never part of a character.
template <typename Char>
static bool IsFileUrlWithoutPath(const Char* text)
{
    if (!StartsWithNoCase(text, TEXT_AS(Char, "file://"))) return false;
    for (const Char* at = text + 7; *at; at += CharWidth(at))
        if (*at == '/' || *at == '?' || *at == '#') return *at != '/';
    return false;
}

// The cracker overwrites every length with the length it found, so all of
// them are set again before each call; Windows fails on a stale small length.
template <typename Char>
int DecomposeUrl(const Char* text)
{
    if (IsFileUrlWithoutPath(text)) return 0;
    UrlComponentsOf<Char>& components = ComponentsOf(text);
    typename Cracker<Char>::Parts parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszScheme = components.scheme;
    parts.dwSchemeLength = kSchemeBufferSize;
    parts.lpszHostName = components.host;
    parts.dwHostNameLength = kUrlPartBufferSize;
    parts.lpszUserName = components.user;
    parts.dwUserNameLength = kUrlPartBufferSize;
    parts.lpszPassword = components.password;
    parts.dwPasswordLength = kUrlPartBufferSize;
    parts.lpszUrlPath = components.path;
    parts.dwUrlPathLength = kUrlPartBufferSize;
    parts.lpszExtraInfo = components.extra;
    parts.dwExtraInfoLength = kUrlPartBufferSize;
    return Cracker<Char>::Crack(text, &parts) ? 1 : 0;
}

template int DecomposeUrl(const char*);
template int DecomposeUrl(const wchar_t*);
