// The options: ParseOptions fixes the run's settings once from the "/#"
// options of the command-line tail and the template sources (template file,
// inline template, settings file, default "%^P"), in the run's kind of text.
#pragma once
#include "system/run_settings.h"

// The default line-break marker "[", DOWNWARDS ARROW, "]": in code page 932
// bytes for a run in the code page, U+2193 for a run in Unicode.
extern const char kDefaultLineBreakMarker[];
extern const wchar_t kDefaultWideLineBreakMarker[];

// True when the tail asks for a run in Unicode: "/#u" anywhere, in any case.
bool AsksForUnicode(const wchar_t* tail);

template <typename Char>
void ParseOptions(const Char* tail);

// 1 when templateText now holds the whole file (at most 2599 units), else 0
// with templateText unchanged. A run in the code page takes the bytes as
// they are; a run in Unicode reads them by their byte-order mark, else as
// UTF-8 where they are valid UTF-8, else in the code page.
template <typename Char>
int LoadTemplateFile(const Char* path);
