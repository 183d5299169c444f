#include "system/text_rules.h"

#include <windows.h>
#include <shlwapi.h>
#include <stdint.h>
#include <string.h>

#include <type_traits>

bool ansiLeadBytes[256];

void LoadCodePageLeadBytes()
{
    memset(ansiLeadBytes, 0, sizeof(ansiLeadBytes));
    CPINFO info;
    if (!GetCPInfo(GetACP(), &info)) return;
    for (int r = 0; r + 1 < MAX_LEADBYTES && info.LeadByte[r]; r += 2)
        for (int b = info.LeadByte[r]; b <= info.LeadByte[r + 1]; ++b) ansiLeadBytes[b] = true;
}

// A byte that is no lead byte always ends a character, so only the lead
// bytes right before i count, back to such a byte or to known: an even
// number of them pair up among themselves, an odd number takes text[i] as the
// second byte of the last pair. In a code page without lead bytes that is no
// byte at all.
bool BeginsCharacter(const char* text, int known, int i)
{
    int run = i;
    while (run > known && IsAnsiLeadByte((unsigned char)text[run - 1])) --run;
    return (i - run) % 2 == 0;
}

// UTF-16 tells by itself: only a low surrogate right behind a high one
// continues a character.
bool BeginsCharacter(const wchar_t* text, int known, int i)
{
    return i <= known || !(IsLowSurrogate(text[i]) && IsHighSurrogate(text[i - 1]));
}

template <typename Char>
bool EndsInBackslash(const Char* text)
{
    int last = -1;
    for (int i = 0; text[i]; i += CharWidth(text + i)) last = i;
    return last >= 0 && text[last] == '\\';
}

static bool IsAsciiUnit(char c) { return (unsigned char)c < 0x80; }
static bool IsAsciiUnit(wchar_t c) { return c < 0x80; }

template <typename Char>
static Char FoldAscii(Char c)
{
    return (c >= 'A' && c <= 'Z') ? (Char)(c - 'A' + 'a') : c;
}

template <typename Char>
static bool IsAsciiLetter(Char c)
{
    return FoldAscii(c) >= 'a' && FoldAscii(c) <= 'z';
}

static bool SameNoCase(const char* a, const char* b, int length) { return StrCmpNIA(a, b, length) == 0; }
static bool SameNoCase(const wchar_t* a, const wchar_t* b, int length) { return StrCmpNIW(a, b, length) == 0; }

template <typename Char>
Token<Char> MakeToken(const Char* text, int limit)
{
    Token<Char> token = {text, (int)TextLength(text, limit), true, -1, 0, false};
    for (int i = 0; i < token.length; ++i)
        if (!IsAsciiUnit(text[i])) token.ascii = false;
    if (token.length == 0) return token;
    if (token.ascii) {
        token.keyAt = token.length - 1;
        token.key = FoldAscii(text[token.keyAt]);
        token.keyFolds = IsAsciiLetter(token.key);
    } else if (IsAsciiUnit(text[0]) && !IsAsciiLetter(text[0])) {
        token.keyAt = 0;
        token.key = text[0];
    }
    return token;
}

// at has token.length units before any NUL.
template <typename Char>
static bool TokenAt(const Char* at, const Token<Char>& token)
{
    // From the end: placeholders differ in their letter, and most candidates
    // are other placeholders.
    if (token.ascii) {
        for (int i = token.length - 1; i >= 0; --i)
            if (FoldAscii(at[i]) != FoldAscii(token.text[i])) return false;
        return true;
    }
    // An ASCII sign has no other case: most positions need no system call.
    if (token.keyAt == 0 && at[0] != token.key) return false;
    return SameNoCase(at, token.text, token.length);
}

// The first i in [from, end) where text[i] is the token's key, or end; eight
// bytes at a time, with the test for a zero unit in a word, whose lowest flag
// is exact. Setting bit 5 folds a letter, and makes no other unit a letter.
template <typename Char>
static int SkipToKey(const Char* text, int from, int end, const Token<Char>& token)
{
    constexpr int kBits = 8 * sizeof(Char);
    constexpr int kLanes = 64 / kBits;
    constexpr uint64_t ones = sizeof(Char) == 1 ? 0x0101010101010101ull : 0x0001000100010001ull;
    const uint64_t pattern = ones * (uint64_t)(typename std::make_unsigned<Char>::type)token.key;
    const uint64_t fold = token.keyFolds ? ones * 0x20 : 0;
    for (; from + kLanes <= end; from += kLanes) {
        uint64_t word;
        memcpy(&word, text + from, sizeof(word));
        word = (word | fold) ^ pattern;
        uint64_t zeros = (word - ones) & ~word & (ones << (kBits - 1));
        if (zeros) return from + __builtin_ctzll(zeros) / kBits;
    }
    while (from < end && (Char)(text[from] | (Char)fold) != token.key) ++from;
    return from;
}

template <typename Char>
int FindToken(const Char* text, int length, const Token<Char>& token)
{
    int last = length - token.length;
    if (token.keyAt < 0) {
        for (int i = 0; i <= last; i += CharWidth(text + i))
            if (TokenAt(text + i, token)) return i;
        return -1;
    }
    int known = 0;
    for (int i = 0; i <= last; ++i) {
        i = SkipToKey(text, i + token.keyAt, last + 1 + token.keyAt, token) - token.keyAt;
        if (i > last) break;
        if (!BeginsCharacter(text, known, i)) {
            known = i + 1;
            continue;
        }
        if (TokenAt(text + i, token)) return i;
        known = i;
    }
    return -1;
}

template <typename Char>
const Char* FindText(const Char* text, const Char* token)
{
    int found = FindToken(text, (int)TextLength(text), MakeToken(token, INT32_MAX));
    return found < 0 ? nullptr : text + found;
}

template bool EndsInBackslash(const char*);
template bool EndsInBackslash(const wchar_t*);
template Token<char> MakeToken(const char*, int);
template Token<wchar_t> MakeToken(const wchar_t*, int);
template int FindToken(const char*, int, const Token<char>&);
template int FindToken(const wchar_t*, int, const Token<wchar_t>&);
template const char* FindText(const char*, const char*);
template const wchar_t* FindText(const wchar_t*, const wchar_t*);
