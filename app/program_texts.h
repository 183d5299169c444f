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
