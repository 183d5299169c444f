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

// The texts of the "/#i" and "/#i-" runs, in UTF-16: those runs show them
// with MessageBoxW under any code page. The first seven are the names of the
// entries, in the order of their table (app/send_to_entries.cpp), each a
// shortcut's file name without " (Tavrel).lnk": six in Send To, then the one
// with the key in the Start menu's Programs.
constexpr int kEntryCount = 7;
enum EntryTextIndex : int {
    kAddedText = kEntryCount,  // heads the Send To entries written
    kKeyText,                  // heads the key's entry, after a blank line
    kNotWrittenText,           // heads the shortcuts not written, after a blank line
    kRemovedText,              // heads the shortcuts removed
    kNoneRemovedText,          // says that none was there to remove
    kTemporaryText,            // says why nothing is written from a temporary folder
};

// English and Japanese: "/#i-" removes the entries of either.
constexpr int kLanguageCount = 2;

// The text at index in language (0 English, 1 Japanese), or with language
// -1 in the one chosen with the other texts.
const wchar_t* EntryText(int index, int language = -1);
