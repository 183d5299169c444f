// The forms in which a File's path is pasted elsewhere: the network form, its
// file URL, and the forms of Unix shells, with slashes, plain or escaped for
// a POSIX shell. Each is made from the item's "%^P" value and read by
// character: the second unit of a character is never turned into a slash,
// escaped or encoded apart from its character.
//
//   form   X:\a b (a drive path)  \\s\sh\a b (network)  \\wsl$\D\a b    a\b, \a, C:a
//   %^R    X:'s target + \a b     \\s\sh\a b            \\wsl$\D\a b    as %^P
//   %^U    file:///X:/a%20b       file://s/sh/a%20b     file://wsl$/D/a%20b  empty
//   %^S    X:/a b                 //s/sh/a b            //wsl$/D/a b    slashes
//   %^W    /mnt/x/a b             //s/sh/a b            /a b            slashes
//   %^M    /x/a b                 //s/sh/a b            //wsl$/D/a b    slashes
//   %^-W   /mnt/x/a\ b            //s/sh/a\ b           /a\ b           slashes, escaped
//   %^-M   /x/a\ b                //s/sh/a\ b           //wsl$/D/a\ b   slashes, escaped
//
// "\\wsl.localhost\D" is the same as "\\wsl$\D". A drive letter's target is
// that of its subst or mapped network drive (system/drive_targets.h); a drive
// without one, or, in the code page, one whose target the code page cannot
// hold, keeps its letter. The file URL is made of the UTF-8 form of the
// network form in either kind of text, so it takes the target all the same.
// URL: every byte outside A-Z a-z 0-9 - . _ ~ / $ as %XX (the drive's colon
// kept); escaped: a backslash before every ASCII character but letters,
// digits and / . _ - + , : @.
#pragma once
#include "expand/working_line.h"

// The longest "%^P" that a form is made of in the code page.
constexpr int kFormPathMaxLength = 259;
// A target of up to 259 UTF-16 units, held in the code page in up to two
// bytes each, before a path; or an escaped form, two units for each.
constexpr int kPathFormSize = 3 * (kFormPathMaxLength + 1);
// "file:///" and up to 9 bytes for each UTF-16 unit of a target and a path.
constexpr int kFileUrlSize = 8 + 9 * 2 * kFormPathMaxLength + 1;
// Room for a form: in the code page for every form of every path; in
// Unicode, where a path has up to 32,767 units, for a whole line, which no
// longer form could join.
template <typename Char>
constexpr int kFormSize = sizeof(Char) == 1 ? kPathFormSize : kLineSize<wchar_t>;
template <typename Char>
constexpr int kUrlFormSize = sizeof(Char) == 1 ? kFileUrlSize : kLineSize<wchar_t>;

enum UnixForm : int { SlashForm, WslForm, MsysForm };

// Each is false, and its form not to be used, when the form does not fit.

// "%^R". Asks what a drive letter stands for.
template <typename Char>
bool NetworkPathForm(const Char* fullPath, Char (&form)[kFormSize<Char>]);

// "%^U". Asks what a drive letter stands for.
template <typename Char>
bool FileUrlForm(const Char* fullPath, Char (&url)[kUrlFormSize<Char>]);

// The same of a path in UTF-16, in size ASCII bytes: the link of "/#l".
bool FileUrlOf(const wchar_t* fullPath, char* url, int size);

// "%^S", "%^W", "%^M", and with escaped "%^-W" and "%^-M".
template <typename Char>
bool UnixPathForm(const Char* fullPath, UnixForm kind, bool escaped, Char (&form)[kFormSize<Char>]);
