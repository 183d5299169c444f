// The program's own texts, in the language that the system's ANSI code page
// can show: Japanese in Shift-JIS under code page 932, English under every
// other. They are chosen once at start-up, before anything is shown.
#pragma once

// Picks the texts for GetACP(); until then the English ones apply.
void ChooseProgramTexts();

// The version box's text; its caption is the product name in either language.
const char* VersionBoxText();

// The Save As filter: the name and pattern of text files, then those of all
// files, each ended by a NUL, and one more NUL after the last.
const char* SaveAsFilter();

// The entries of "/#i" in their table's order (app/send_to_entries.cpp): six
// in Send To, then the one with the key in the Start menu's Programs.
constexpr int kEntryCount = 7;

// The texts of the "/#i" and "/#i-" runs, in UTF-16: those runs show them
// with MessageBoxW under any code page. A name is a shortcut's file name
// without " (Tavrel).lnk".
struct EntryTexts {
    const wchar_t* names[kEntryCount];
    const wchar_t* added;        // heads the Send To entries written
    const wchar_t* key;          // heads the key's entry
    const wchar_t* notWritten;   // heads the shortcuts that could not be written
    const wchar_t* removed;      // heads the shortcuts removed
    const wchar_t* noneRemoved;  // says that none was there to remove
    const wchar_t* temporary;    // says why nothing was written from a temporary folder
};

// Both languages, for "/#i-" removes the entries of either; then the ones
// chosen with the other texts.
extern const EntryTexts kEntryTexts[2];
const EntryTexts& ChosenEntryTexts();
