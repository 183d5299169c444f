// A reference expander written as plainly as the expansion rules read: after
// every replacement a pass searches the whole line again from its beginning
// (StrStrIA) and rebuilds it in an unbounded std::string. The differential
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
#include "expand/url_decompose.h"
#include "items/item_list.h"

namespace reference {

constexpr size_t kLineMaxLength = 3899;

enum class Mode {
    // Every pass exactly as the rules state it: it may grow without bound, or
    // never end when a value holds its own token.
    AsWritten,
    // ExpandTemplate's two choices for those cases: a replacement that would
    // make the line longer than 3899 bytes ends the pass, and after inserting a
    // value that holds the token the search goes on behind that value.
    Bounded,
};

struct Expansion {
    std::string line;
    // A pass would never end: its value holds its token, or it made more
    // replacements than kStepLimit.
    bool endless = false;
    // A replacement would have made the line longer than 3899 bytes: the pass
    // ended there, which only the Bounded mode defines.
    bool overran = false;
};

// A pass that makes more replacements than this is taken for one that never
// ends.
constexpr int kStepLimit = 3000;

inline size_t CharBoundaryAtOrAfter(const std::string& text, size_t from, size_t atLeast)
{
    const char* base = text.c_str();
    while (from < atLeast) from = CharNextA(base + from) - base;
    return from;
}

inline void Pass(Expansion& e, const std::string& token, const std::string& value, Mode mode)
{
    const bool valueHoldsToken = StrStrIA(value.c_str(), token.c_str()) != nullptr;
    size_t from = 0;
    for (int steps = 0;; ++steps) {
        if (steps == kStepLimit) {
            e.endless = true;
            return;
        }
        const char* base = e.line.c_str();
        const char* hit = StrStrIA(base + from, token.c_str());
        if (!hit) return;
        // Each replacement would leave an occurrence inside the value.
        if (mode == Mode::AsWritten && valueHoldsToken) {
            e.endless = true;
            return;
        }
        size_t at = hit - base;
        std::string next = e.line.substr(0, at) + value + e.line.substr(at + token.size());
        if (next.size() > kLineMaxLength) {
            e.overran = true;
            return;
        }
        e.line = next;
        from = (mode == Mode::Bounded && valueHoldsToken) ? CharBoundaryAtOrAfter(e.line, at, at + value.size()) : 0;
    }
}

inline std::string DropFinalBackslashByte(std::string text)
{
    if (!text.empty() && text.back() == '\\') text.pop_back();
    return text;
}

inline void FilePasses(Expansion& e, const std::string& item, Mode mode)
{
    PathParts parts;
    SplitPath(item.c_str(), &parts);
    const std::string driveFolder = std::string(parts.drive) + parts.folder;

    std::string path = item;
    if (PathIsDirectoryA(item.c_str()) && item.size() + 2 <= MAX_PATH) {
        char withBackslash[MAX_PATH + 1];
        lstrcpynA(withBackslash, item.c_str(), sizeof(withBackslash));
        PathAddBackslashA(withBackslash);
        path = withBackslash;
    }
    PathParts folder;
    SplitPath(DropFinalBackslashByte(driveFolder).c_str(), &folder);

    Pass(e, "%^P", path, mode);
    Pass(e, "%^-P", item, mode);
    Pass(e, "%^D", driveFolder, mode);
    Pass(e, "%^-D", DropFinalBackslashByte(driveFolder), mode);
    Pass(e, "%^F", folder.name, mode);
    Pass(e, "%^N", std::string(parts.name) + parts.extension, mode);
    Pass(e, "%^E", parts.extension, mode);
    Pass(e, "%^A", parts.name, mode);
    Pass(e, "%^B", driveFolder + parts.name, mode);
}

inline void UrlPasses(Expansion& e, const std::string& item, Mode mode)
{
    DecomposeUrl(item.c_str());
    PathParts parts;
    SplitPath(urlComponents.path, &parts);
    std::string cut = item.substr(0, item.find('#'));
    if (cut.size() == item.size()) cut = item.substr(0, item.find('?'));

    Pass(e, "%^F", urlComponents.scheme, mode);
    Pass(e, "%^G", urlComponents.host, mode);
    Pass(e, "%^H", urlComponents.user, mode);
    Pass(e, "%^I", urlComponents.password, mode);
    Pass(e, "%^J", urlComponents.path, mode);
    Pass(e, "%^-J", std::string(parts.drive) + parts.folder, mode);
    Pass(e, "%^K", std::string(parts.name) + parts.extension, mode);
    Pass(e, "%^L", item, mode);
    Pass(e, "%^-L", cut, mode);
    Pass(e, "%^P", item, mode);
}

inline Expansion Expand(const std::string& templateText, const std::string& item, ItemKind kind,
                        const std::string& marker, Mode mode)
{
    Expansion e;
    e.line = templateText;
    Pass(e, marker, "\r\n", mode);
    if (kind == File) FilePasses(e, item, mode);
    else UrlPasses(e, item, mode);
    return e;
}

}  // namespace reference
