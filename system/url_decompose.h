// UrlComponents: the parts of one URL as the system's URL cracker splits
// them, in one process-wide record per kind of text, written by every
// DecomposeUrl call on a text of that kind. Below both of its callers: the
// scanner, which asks the cracker whether a token is a URL, and the URL
// passes, which read the parts.
#pragma once
#include <wchar.h>

constexpr int kSchemeBufferSize = 32;
constexpr int kUrlPartBufferSize = 260;

template <typename Char>
struct UrlComponentsOf {
    Char scheme[kSchemeBufferSize];
    Char host[kUrlPartBufferSize];
    Char user[kUrlPartBufferSize];
    Char password[kUrlPartBufferSize];
    Char path[kUrlPartBufferSize];
    Char extra[kUrlPartBufferSize];
};

using UrlComponents = UrlComponentsOf<char>;

extern UrlComponents urlComponents;
extern UrlComponentsOf<wchar_t> wideUrlComponents;

inline UrlComponents& ComponentsOf(const char*) { return urlComponents; }
inline UrlComponentsOf<wchar_t>& ComponentsOf(const wchar_t*) { return wideUrlComponents; }

// 1 when the cracker accepts text and the record of its kind holds its
// parts, else 0.
template <typename Char>
int DecomposeUrl(const Char* text);
