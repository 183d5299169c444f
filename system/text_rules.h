// The rules of the two kinds of text that a run works in, and the search for
// a token in them: bytes of the ANSI code page (char) and UTF-16 (wchar_t).
// Every sign that the program acts on (separators, dots, colons, quotes, the
// signs of options and placeholders) is ASCII, and in either kind never part
// of a wider character.
//
//   rule                        char                          wchar_t
//   a character of two units    a lead byte of the code page  a high surrogate and
//                               and any byte but the NUL      the low one after it
//   letters of an ASCII token   A to Z fold                   A to Z fold
//   letters of any other token  as StrCmpNIA compares them    as StrCmpNIW does:
//                                                             every script's
#pragma once
#include <stddef.h>
#include <string.h>
#include <wchar.h>

// Reads the ANSI code page's lead-byte ranges (GetACP, GetCPInfo).
void LoadCodePageLeadBytes();

// The lead bytes that LoadCodePageLeadBytes read, indexed by byte; inline
// below, as the expander asks about every candidate of every pass.
extern bool ansiLeadBytes[256];

// True when the byte starts a double-byte character of the ANSI code page.
inline bool IsAnsiLeadByte(unsigned char byte) { return ansiLeadBytes[byte]; }

// Bytes in the character at text: a lead byte and the byte after it form one
// character whatever that byte is, unless the text ends there.
inline int AnsiCharWidth(const char* text) { return (IsAnsiLeadByte((unsigned char)text[0]) && text[1]) ? 2 : 1; }

inline bool IsHighSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
inline bool IsLowSurrogate(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Units in the character at text, for either kind.
inline int CharWidth(const char* text) { return AnsiCharWidth(text); }
inline int CharWidth(const wchar_t* text) { return IsHighSurrogate(text[0]) && IsLowSurrogate(text[1]) ? 2 : 1; }

// Whether a character begins at text[i], given that one begins at
// text[known], known <= i.
bool BeginsCharacter(const char* text, int known, int i);
bool BeginsCharacter(const wchar_t* text, int known, int i);

inline size_t TextLength(const char* text, size_t limit) { return strnlen(text, limit); }
inline size_t TextLength(const wchar_t* text, size_t limit) { return wcsnlen(text, limit); }
inline size_t TextLength(const char* text) { return strlen(text); }
inline size_t TextLength(const wchar_t* text) { return wcslen(text); }

// True when the last character of text is a backslash; the second byte of a
// double-byte character may be 0x5C and is then no backslash.
template <typename Char>
bool EndsInBackslash(const Char* text);

// A token prepared for the search: its text, and the unit that the search
// skips to (at keyAt in the token, or keyAt -1 when none will do).
template <typename Char>
struct Token {
    const Char* text;
    int length;
    // Every placeholder is ASCII: then only A to Z fold, and comparing units
    // with them folded is what StrStrIA and StrStrIW do. Other tokens (a
    // marker such as the default one) are left to the system, which also
    // folds accented and full-width letters.
    bool ascii;
    // The last unit of an ASCII token, the letter in which placeholders
    // differ (folded, and then found in either case), or the first unit of
    // another token when it is an ASCII sign, as the "[" of the default
    // marker is, which has no other case.
    int keyAt;
    Char key;
    bool keyFolds;
};

template <typename Char>
Token<Char> MakeToken(const Char* text, int limit);

// The first occurrence of the token in text[0, length) that begins a
// character, text itself beginning one; -1 when there is none.
template <typename Char>
int FindToken(const Char* text, int length, const Token<Char>& token);

// The first occurrence of token in text, letters in any case, found only
// where a character begins: what StrStrIA (StrStrIW) finds, with no system
// call per position for an ASCII token. Null when there is none.
template <typename Char>
const Char* FindText(const Char* text, const Char* token);

// The value of a quoted option: what follows the first occurrence of option
// (which ends in its opening quote, found as FindText finds it) up to the
// next quote, its length in *length. Null when the option or its closing
// quote is missing.
// Asked once per option and run, so made where it is asked, small.
template <typename Char>
inline const Char* FindQuotedValue(const Char* text, const Char* option, size_t* length)
{
    const Char* value = FindText(text, option);
    if (!value) return nullptr;
    value += TextLength(option);
    size_t end = 0;
    while (value[end] && value[end] != '"') ++end;
    *length = end;
    return value[end] ? value : nullptr;
}

// A literal in either kind of text: TEXT_AS(Char, "x") is "x" or L"x".
template <typename Char>
struct LiteralOf;
template <>
struct LiteralOf<char> {
    static constexpr const char* Pick(const char* narrow, const wchar_t*) { return narrow; }
};
template <>
struct LiteralOf<wchar_t> {
    static constexpr const wchar_t* Pick(const char*, const wchar_t* wide) { return wide; }
};
// A macro's text is expanded before it is widened.
#define TEXT_AS(Char, text) TEXT_AS_EXPANDED(Char, text)
#define TEXT_AS_EXPANDED(Char, text) (LiteralOf<Char>::Pick(text, L##text))
