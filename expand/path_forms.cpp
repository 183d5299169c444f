#include "expand/path_forms.h"

#include "expand/form_text.h"
#include "system/drive_targets.h"
#include "system/system_calls.h"
#include "system/system_text.h"
#include "system/text_rules.h"

template <typename Char>
static bool IsSeparator(Char unit)
{
    return unit == '\\' || unit == '/';
}

static bool IsAsciiLetter(unsigned unit) { return (unit | 0x20) >= 'a' && (unit | 0x20) <= 'z'; }

static bool IsAsciiAlphanumeric(unsigned unit) { return IsAsciiLetter(unit) || (unit >= '0' && unit <= '9'); }

// The letter of a drive path ("X:" and a separator), else 0. ASCII is never
// part of a wider character, so the three units are three characters.
template <typename Char>
static Char DriveLetter(const Char* path)
{
    return IsAsciiLetter((unsigned)path[0]) && path[1] == ':' && IsSeparator(path[2]) ? path[0] : 0;
}

template <typename Char>
static bool IsNetworkPath(const Char* path)
{
    return IsSeparator(path[0]) && IsSeparator(path[1]);
}

template <typename Char>
static bool SameAsciiWord(const Char* text, int length, const char* word)
{
    int i = 0;
    for (; i < length && word[i]; ++i)
        if ((unsigned)text[i] >= 0x80 || (text[i] | 0x20) != (word[i] | 0x20)) return false;
    return i == length && !word[i];
}

// The path inside a WSL distribution's share, from the separator behind the
// distribution's name (empty for its root), or null for any other path.
template <typename Char>
static const Char* InsideWslDistribution(const Char* path)
{
    if (!IsNetworkPath(path)) return nullptr;
    const Char* host = path + 2;
    const Char* end = host;
    while (*end && !IsSeparator(*end)) end += CharWidth(end);
    if (!SameAsciiWord(host, (int)(end - host), "wsl$") && !SameAsciiWord(host, (int)(end - host), "wsl.localhost"))
        return nullptr;
    if (!*end || !end[1] || IsSeparator(end[1])) return nullptr;
    const Char* inside = end + 1;
    while (*inside && !IsSeparator(*inside)) inside += CharWidth(inside);
    return inside;
}

static bool InAsciiSet(unsigned unit, const char* set)
{
    for (; *set; ++set)
        if (unit == (unsigned char)*set) return true;
    return false;
}

// The POSIX shell's own signs, and the blank, that a backslash makes plain.
static bool NeedsShellEscape(unsigned unit)
{
    return unit < 0x80 && !IsAsciiAlphanumeric(unit) && !InAsciiSet(unit, "/._-+,:@");
}

template <typename Char>
bool UnixPathForm(const Char* fullPath, UnixForm kind, bool escaped, Char (&units)[kFormSize<Char>])
{
    FormText<Char> form = StartForm(units, kFormSize<Char>);
    const Char* rest = fullPath;
    Char letter = DriveLetter(fullPath);
    const Char* inDistribution = kind == WslForm ? InsideWslDistribution(fullPath) : nullptr;
    if (kind != SlashForm && letter) {
        PutAscii(&form, kind == WslForm ? "/mnt/" : "/");
        PutAscii(&form, (char)(letter | 0x20));
        rest = fullPath + 2;
    } else if (inDistribution) {
        rest = inDistribution;
        if (!*rest) PutAscii(&form, '/');
    }
    for (const Char* at = rest; *at;) {
        int width = CharWidth(at);
        if (width == 1 && *at == '\\') {
            PutAscii(&form, '/');
        } else {
            if (width == 1 && escaped && NeedsShellEscape((unsigned)*at)) PutAscii(&form, '\\');
            PutCharacter(&form, at, width);
        }
        at += width;
    }
    return !form.full;
}

// A target in the run's kind of text, with room behind it for the rest of a
// path; false when the code page cannot hold it exactly.
static bool TargetInKind(const wchar_t* target, char (&units)[kFormSize<char>])
{
    return NameFromSystem(target, units, 2 * kDriveTargetSize);
}
static bool TargetInKind(const wchar_t* target, wchar_t (&units)[kFormSize<wchar_t>])
{
    CopyText(units, target, kDriveTargetSize);
    return true;
}

// text into size units; false when it does not fit whole.
template <typename Char>
static bool CopyWhole(Char* to, const Char* text, int size)
{
    CopyText(to, text, size);
    return TextLength(text, size) < (size_t)size;
}

template <typename Char>
bool NetworkPathForm(const Char* fullPath, Char (&form)[kFormSize<Char>])
{
    Char letter = DriveLetter(fullPath);
    const wchar_t* target = letter ? DriveTarget((wchar_t)letter) : L"";
    if (!*target || !TargetInKind(target, form)) return CopyWhole(form, fullPath, kFormSize<Char>);
    int used = (int)TextLength(form, kFormSize<Char>);
    return CopyWhole(form + used, fullPath + 2, kFormSize<Char> - used);
}

// The conversion writes no NUL of its own: the buffer is cleared first.
static const wchar_t* InUnicode(const char* path, wchar_t (&wide)[kFormPathMaxLength + 1])
{
    for (wchar_t& unit : wide) unit = 0;
    TextToSystem(path, (int)TextLength(path, kFormPathMaxLength), wide, kFormPathMaxLength);
    return wide;
}
static const wchar_t* InUnicode(const wchar_t* path, wchar_t (&)[kFormPathMaxLength + 1]) { return path; }

static bool StaysInUrl(unsigned char byte) { return IsAsciiAlphanumeric(byte) || InAsciiSet(byte, "-._~/$"); }

// The URL is ASCII in either kind of text, so it is made once, in bytes.
bool FileUrlOf(const wchar_t* path, char* units, int size)
{
    static_assert(kFileUrlSize > 8 + 9 * (kDriveTargetSize - 1 + kFormPathMaxLength), "the longest URL fits");
    FormText<char> url = StartForm(units, size);
    static wchar_t network[kFormSize<wchar_t>];
    if (!NetworkPathForm(path, network)) return false;
    const wchar_t* at = network;
    if (DriveLetter(network)) {
        PutAscii(&url, "file:///");
        PutAscii(&url, (char)network[0]);
        PutAscii(&url, ':');
        at += 2;
    } else if (IsNetworkPath(network)) {
        PutAscii(&url, "file:");
    } else {
        return true;
    }
    static const char kHex[] = "0123456789ABCDEF";
    while (*at) {
        int width = CharWidth(at);
        unsigned char bytes[4];
        int count = IsSeparator(*at) ? (bytes[0] = '/', 1) : Utf8Bytes(at, width, bytes);
        for (int i = 0; i < count; ++i) {
            if (StaysInUrl(bytes[i])) {
                PutAscii(&url, (char)bytes[i]);
            } else {
                PutAscii(&url, '%');
                PutAscii(&url, kHex[bytes[i] >> 4]);
                PutAscii(&url, kHex[bytes[i] & 0xF]);
            }
        }
        at += width;
    }
    return !url.full;
}

static bool FileUrlInKind(const wchar_t* path, char (&url)[kUrlFormSize<char>])
{
    return FileUrlOf(path, url, kUrlFormSize<char>);
}
static bool FileUrlInKind(const wchar_t* path, wchar_t (&url)[kUrlFormSize<wchar_t>])
{
    static char ascii[kUrlFormSize<wchar_t>];
    if (!FileUrlOf(path, ascii, kUrlFormSize<wchar_t>)) return false;
    int i = 0;
    while ((url[i] = (unsigned char)ascii[i]) != 0) ++i;
    return true;
}

template <typename Char>
bool FileUrlForm(const Char* fullPath, Char (&url)[kUrlFormSize<Char>])
{
    wchar_t converted[kFormPathMaxLength + 1];
    return FileUrlInKind(InUnicode(fullPath, converted), url);
}

template bool UnixPathForm(const char*, UnixForm, bool, char (&)[kFormSize<char>]);
template bool UnixPathForm(const wchar_t*, UnixForm, bool, wchar_t (&)[kFormSize<wchar_t>]);
template bool NetworkPathForm(const char*, char (&)[kFormSize<char>]);
template bool NetworkPathForm(const wchar_t*, wchar_t (&)[kFormSize<wchar_t>]);
template bool FileUrlForm(const char*, char (&)[kUrlFormSize<char>]);
template bool FileUrlForm(const wchar_t*, wchar_t (&)[kUrlFormSize<wchar_t>]);
