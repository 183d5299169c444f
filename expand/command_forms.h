// The forms of a File's path for command lines: quoted where a Windows
// command line needs it, quoted for PowerShell, and relative to the run's
// base folder. Each is made from the item's "%^P" value and read by
// character: the second unit of a character is never a blank, a quote, a
// backslash or one of cmd's signs.
//
//   form   value
//   %^O    the item's full form relative to the base (below)
//   %^-O   %^O with every backslash a slash
//   %^Q    "%^P" where %^P holds a blank or one of & ( ) [ ] { } ^ = ; ! ' + , ` ~
//          (the characters that cmd /? lists), a run of backslashes at its
//          end doubled inside the quotes; else %^P
//   %^-Q   '%^P', each ' and each of U+2018 to U+201B doubled
//
//   %^P                   %^Q                  %^-Q
//   C:\My Docs\a.txt      "C:\My Docs\a.txt"   'C:\My Docs\a.txt'
//   C:\My Docs\           "C:\My Docs\\"       'C:\My Docs\'
//   C:\plain\a.txt        C:\plain\a.txt       'C:\plain\a.txt'
//   C:\it's.txt           "C:\it's.txt"        'C:\it''s.txt'
//
//   base C:\proj\  %^P                %^O              %^-O
//   inside         C:\proj\src\main.c src\main.c       src/main.c
//   the base       C:\proj\           .\               ./
//   outside        C:\other\x.txt     ..\other\x.txt   ../other/x.txt
//   elsewhere      D:\x.txt           D:\x.txt         D:/x.txt
//
// The base is the full form of the folder of "/#b=", else the deepest folder
// that holds every File item of the run, each item's parent; a drive root, a
// share and a server have none, and a run with one has no base. Full forms
// (system/final_path.h) are compared by whole components, letter case
// ignored as the file system ignores it, a "\\?\" form as its plain one. An
// item on another drive or share, or in a run without a base, is its "%^P";
// so is one whose relative form the code page cannot hold, or, in Unicode, a
// line. In Unicode a path of up to 32,767 units takes the same rules, its
// folder as a base among them. In the code page a character counts as one of
// U+2018 to U+201B when the code page maps it to one of them.
#pragma once
#include "expand/path_forms.h"
#include "items/item_list.h"

// A full form: up to a current folder and an item behind it; in Unicode,
// where an item has up to 32,767 units, as long as a line.
template <typename Char>
constexpr int kFullFormSize = sizeof(Char) == 1 ? 2 * (kFormPathMaxLength + 1) : kLineSize<wchar_t>;
// "..\" for each folder of a base, at most one for every two units of its
// full form, and the rest of a full form; in Unicode a line, which no longer
// form could join.
template <typename Char>
constexpr int kRelativeFormSize =
    sizeof(Char) == 1 ? kFullFormSize<char> + 3 * kFullFormSize<char> / 2 : kLineSize<wchar_t>;
// The longest form: in the code page up to two bytes for a unit.
template <typename Char>
constexpr int kCommandFormSize = sizeof(Char) == 1 ? 2 * kRelativeFormSize<char> : kLineSize<wchar_t>;

// Finds the base of the run from "/#b=" and the ItemList, once the list is
// complete and before the first line; the file system is asked then only
// when a line first holds "%^O" or "%^-O".
template <typename Char>
void FindRunBase();

// The item's "%^P" in full form, in UTF-16 (unicode: the item's text is
// UTF-16 too); false when it does not fit in size units. A folder's ends in
// a backslash, as its "%^P" does, and gets it before it is made full, so
// that a drive root is not taken for the current folder of its drive.
bool FullFormOfItem(const Item& item, bool unicode, wchar_t* full, int size);

// The forms in the order of their passes: "%^O", "%^-O", "%^Q", "%^-Q".
enum CommandFormKind : int { Relative, RelativeWithSlashes, Quoted, QuotedForPowerShell };

// False, and the form not to be used, when it does not fit: in Unicode, a
// quoted form longer than a line.
template <typename Char>
bool CommandForm(const Char* fullPath, CommandFormKind kind, Char (&form)[kCommandFormSize<Char>]);
