#include "app/command_tail.h"

// Rules, applied once from the start of the full command line:
//   1. blanks and TABs at the start are skipped;
//   2. a double quote starts a quoted name that runs up to the next double
//      quote, otherwise the name runs up to the first blank; a TAB or the end
//      of the text ends the name as well, inside quotes too;
//   3. a name that ended at a double quote has that quote skipped;
//   4. the blanks and TABs that follow are skipped.
// What remains is returned unchanged; it may be empty, never null.
template <typename Char>
static bool IsBlankOrTab(Char c)
{
    return c == ' ' || c == '\t';
}

template <typename Char>
const Char* CommandLineTail(const Char* commandLine)
{
    static const Char empty[1] = {};
    const Char* p = commandLine ? commandLine : empty;
    while (IsBlankOrTab(*p)) ++p;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"' && *p != '\t') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p && !IsBlankOrTab(*p)) ++p;
    }
    while (IsBlankOrTab(*p)) ++p;
    return p;
}

template const char* CommandLineTail(const char*);
template const wchar_t* CommandLineTail(const wchar_t*);
