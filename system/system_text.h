// Text from the system, in the ANSI code page, never with a look-alike.
//
// Windows makes the ANSI form of a text through a "best fit" table: a
// character that the code page lacks becomes one that looks like it, Ł an L,
// the yen sign a backslash under code page 932, a fullwidth solidus a slash.
// A name sent by the user would then name another file or URL, or spell an
// option. So every text that the run reads from the system is taken here in
// its Unicode form and converted exactly, and a character without an exact
// form in the code page (a lone surrogate included) is dealt with as follows:
//
//   text                                what such a character does
//   the command line                    becomes "?", a stand-in that
//                                       HoldsStandIn reports: its token names
//                                       no item, its file option no file
//   the executable's own path           the path is refused
//   a name picked in the Save As dialog the name is refused
//   a line of clipboard text            its CF_TEXT is read only where it
//                                       converts, by the code page of the
//                                       clipboard's locale, to the same line
//                                       of CF_UNICODETEXT, and in the ANSI
//                                       code page too where that is another:
//                                       an ANSI program's own bytes do; a
//                                       look-alike of a Unicode line does
//                                       not, and its whole line is left out
//
// Every character that the code page holds keeps exactly the bytes that the
// system's own conversion gives it.
#pragma once
#include <windows.h>
#include <stddef.h>

// The process's command line, converted once and kept for the whole run.
const char* CommandLineFromSystem();

// True when text[0, length) lies within the converted command line and holds
// a stand-in; false for every other text.
bool HoldsStandIn(const char* text, size_t length);
// UTF-16 from the system is the text itself: it holds no stand-in.
inline bool HoldsStandIn(const wchar_t*, size_t) { return false; }

// The executable's full path as it was started, and its own path past a
// link: where the exe file itself is a symbolic link, the final path of the
// file it leads to (a linked folder on the way stays as started), else the
// started path again. False, with both empty, when the code page cannot
// hold one of them or it does not fit.
bool ModulePathFromSystem(char* path, char* ownPath, int size);

// A name that a Unicode system call gave; false, with out empty, when the
// code page cannot hold it or it does not fit.
bool NameFromSystem(const wchar_t* name, char* out, int size);

// The same two in UTF-16; false, with both empty, when one does not fit.
bool ModulePathFromSystem(wchar_t* path, wchar_t* ownPath, int size);

// The bytes of a template file as UTF-16, at most size - 1 units and a NUL:
// by a byte-order mark (UTF-8, UTF-16 LE or BE, the mark not part of the
// template), else as UTF-8 where the bytes are valid UTF-8, as Notepad saves
// by default, else in the ANSI code page. False when it does not fit.
bool DecodeTemplateFile(const char* bytes, int size, wchar_t* out, int capacity);

// text in UTF-8, without a byte-order mark, a lone surrogate as U+FFFD, in a
// movable block of its own that the caller frees; *length is its byte count.
// Null when the block cannot be had.
HGLOBAL Utf8FromText(const wchar_t* text, DWORD* length);

// The code point of the width units at text, a lone surrogate as U+FFFD, in
// UTF-8; returns the count of bytes.
int Utf8Bytes(const wchar_t* text, int width, unsigned char (&bytes)[4]);

// A name in the ANSI code page, as an older program places it, in UTF-16;
// false, with out empty, when it does not fit in size units.
bool NameFromCodePage(const char* name, wchar_t* out, int size);

// text[0, length) in UTF-16 for a Unicode system call; false when it does not
// fit in size units.
bool TextToSystem(const char* text, int length, wchar_t* out, int size);

// text[0, length) in UTF-16, as the system converts it; the units written,
// 0 for an empty text or one that does not fit in size units.
int UnitsFromCodePage(const char* text, int length, wchar_t* out, int size);

// True when the character (width units at character) is one that PowerShell
// reads as a single quote: ' or U+2018 to U+201B. In the code page, a
// character that the code page maps to one of them.
bool IsPowerShellQuote(const char* character, int width);
inline bool IsPowerShellQuote(const wchar_t* character, int width)
{
    return width == 1 && (character[0] == L'\'' || (character[0] >= 0x2018 && character[0] <= 0x201B));
}

// The clipboard's format for text of each kind.
template <typename Char>
constexpr UINT kClipboardTextFormat = sizeof(Char) == 1 ? CF_TEXT : CF_UNICODETEXT;

// With the clipboard open: the block of its text in the run's kind, or null.
// In Unicode that is CF_UNICODETEXT. In the code page it is a new block of
// the lines of CF_TEXT that agree with CF_UNICODETEXT, every other line left
// empty, and *converted is then true and the caller frees it.
template <typename Char>
HGLOBAL ClipboardTextFromSystem(bool* converted);
