// A reference expander written as plainly as the expansion rules read: after
// every replacement a pass searches the whole line again from its beginning
// (StrStrIA, or StrStrIW for UTF-16) and rebuilds it in an unbounded string
// of its kind of text. The differential
// test holds ExpandTemplate to it; the benchmark times it as the figure to
// beat. Quadratic on purpose.
// It takes an item's parts from the product's own SplitPath and DecomposeUrl,
// and picks %^F's folder name as ExpandTemplate does (SplitPath again on the
// folder without its final backslash): the differential checks the passes
// only. Faults in splitting or URL decomposition show in split_path_test's
// and url_decompose_test's tables, not here.
#pragma once
#include <windows.h>
#include <shlwapi.h>

#include <string>

#include "expand/split_path.h"
#include "system/url_decompose.h"
#include "items/item_list.h"
#include "system/text_rules.h"

namespace reference {

// 3899 bytes, or 65,535 UTF-16 units.
template <typename Char>
constexpr size_t kLineMaxLength = sizeof(Char) == 1 ? 3899 : 65535;

enum class Mode {
    // Every pass exactly as the rules state it: it may grow without bound, or
    // never end when a value holds its own token.
    AsWritten,
    // ExpandTemplate's two choices for those cases: a replacement that would
    // make the line longer than 3899 bytes ends the pass, and after inserting a
    // value that holds the token the search goes on behind that value.
    Bounded,
};

template <typename Char>
struct ExpansionOf {
    std::basic_string<Char> line;
    // A pass would never end: its value holds its token, or it made more
    // replacements than kStepLimit.
    bool endless = false;
    // A replacement would have made the line longer than 3899 bytes: the pass
    // ended there, which only the Bounded mode defines.
    bool overran = false;
};

using Expansion = ExpansionOf<char>;

inline const char* Find(const char* text, const char* token) { return StrStrIA(text, token); }
inline const wchar_t* Find(const wchar_t* text, const wchar_t* token) { return StrStrIW(text, token); }
inline const char* NextChar(const char* at) { return CharNextA(at); }
inline const wchar_t* NextChar(const wchar_t* at) { return at + CharWidth(at); }
inline bool IsDirectory(const char* path) { return PathIsDirectoryA(path); }
inline bool IsDirectory(const wchar_t* path) { return PathIsDirectoryW(path); }
inline void AppendBackslash(char* path) { PathAddBackslashA(path); }
inline void AppendBackslash(wchar_t* path) { PathAddBackslashW(path); }

// A pass that makes more replacements than this is taken for one that never
// ends.
constexpr int kStepLimit = 3000;

template <typename Char>
size_t CharBoundaryAtOrAfter(const std::basic_string<Char>& text, size_t from, size_t atLeast)
{
    const Char* base = text.c_str();
    while (from < atLeast) from = NextChar(base + from) - base;
    return from;
}

template <typename Char>
void Pass(ExpansionOf<Char>& e, const std::basic_string<Char>& token, const std::basic_string<Char>& value, Mode mode)
{
    const bool valueHoldsToken = Find(value.c_str(), token.c_str()) != nullptr;
    size_t from = 0;
    for (int steps = 0;; ++steps) {
        if (steps == kStepLimit) {
            e.endless = true;
            return;
        }
        const Char* base = e.line.c_str();
        const Char* hit = Find(base + from, token.c_str());
        if (!hit) return;
        // Each replacement would leave an occurrence inside the value.
        if (mode == Mode::AsWritten && valueHoldsToken) {
            e.endless = true;
            return;
        }
        size_t at = hit - base;
        std::basic_string<Char> next = e.line.substr(0, at) + value + e.line.substr(at + token.size());
        if (next.size() > kLineMaxLength<Char>) {
            e.overran = true;
            return;
        }
        e.line = next;
        from = (mode == Mode::Bounded && valueHoldsToken) ? CharBoundaryAtOrAfter(e.line, at, at + value.size()) : 0;
    }
}

template <typename Char>
std::basic_string<Char> DropFinalBackslashByte(std::basic_string<Char> text)
{
    if (!text.empty() && text.back() == '\\') text.pop_back();
    return text;
}

// A token or value of either kind, as a string of that kind.
#define TEXT_OF(text) std::basic_string<Char>(TEXT_AS(Char, text))

template <typename Char>
void FilePasses(ExpansionOf<Char>& e, const std::basic_string<Char>& item, Mode mode)
{
    using String = std::basic_string<Char>;
    PathPartsOf<Char> parts;
    SplitPath(item.c_str(), &parts);
    const String driveFolder = String(parts.drive) + parts.folder;

    String path = item;
    if (IsDirectory(item.c_str()) && item.size() + 2 <= MAX_PATH) {
        Char withBackslash[MAX_PATH + 1] = {};
        item.copy(withBackslash, MAX_PATH);
        AppendBackslash(withBackslash);
        path = withBackslash;
    }
    PathPartsOf<Char> folder;
    SplitPath(DropFinalBackslashByte(driveFolder).c_str(), &folder);

    Pass(e, TEXT_OF("%^P"), path, mode);
    Pass(e, TEXT_OF("%^-P"), item, mode);
    Pass(e, TEXT_OF("%^D"), driveFolder, mode);
    Pass(e, TEXT_OF("%^-D"), DropFinalBackslashByte(driveFolder), mode);
    Pass(e, TEXT_OF("%^F"), String(folder.name), mode);
    Pass(e, TEXT_OF("%^N"), String(parts.name) + parts.extension, mode);
    Pass(e, TEXT_OF("%^E"), String(parts.extension), mode);
    Pass(e, TEXT_OF("%^A"), String(parts.name), mode);
    Pass(e, TEXT_OF("%^B"), driveFolder + parts.name, mode);
}

template <typename Char>
void UrlPasses(ExpansionOf<Char>& e, const std::basic_string<Char>& item, Mode mode)
{
    using String = std::basic_string<Char>;
    DecomposeUrl(item.c_str());
    const UrlComponentsOf<Char>& components = ComponentsOf(item.c_str());
    PathPartsOf<Char> parts;
    SplitPath(components.path, &parts);
    String cut = item.substr(0, item.find('#'));
    if (cut.size() == item.size()) cut = item.substr(0, item.find('?'));

    Pass(e, TEXT_OF("%^F"), String(components.scheme), mode);
    Pass(e, TEXT_OF("%^G"), String(components.host), mode);
    Pass(e, TEXT_OF("%^H"), String(components.user), mode);
    Pass(e, TEXT_OF("%^I"), String(components.password), mode);
    Pass(e, TEXT_OF("%^J"), String(components.path), mode);
    Pass(e, TEXT_OF("%^-J"), String(parts.drive) + parts.folder, mode);
    Pass(e, TEXT_OF("%^K"), String(parts.name) + parts.extension, mode);
    Pass(e, TEXT_OF("%^L"), item, mode);
    Pass(e, TEXT_OF("%^-L"), cut, mode);
    Pass(e, TEXT_OF("%^P"), item, mode);
}

template <typename Char>
ExpansionOf<Char> ExpandOf(const std::basic_string<Char>& templateText, const std::basic_string<Char>& item,
                           ItemKind kind, const std::basic_string<Char>& marker, Mode mode)
{
    ExpansionOf<Char> e;
    e.line = templateText;
    Pass(e, marker, TEXT_OF("\r\n"), mode);
    if (kind == File) FilePasses(e, item, mode);
    else UrlPasses(e, item, mode);
    return e;
}

inline Expansion Expand(const std::string& templateText, const std::string& item, ItemKind kind,
                        const std::string& marker, Mode mode)
{
    return ExpandOf(templateText, item, kind, marker, mode);
}

}  // namespace reference
