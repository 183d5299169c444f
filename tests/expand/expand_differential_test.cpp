// ExpandTemplate, and ExpandItem in a run in Unicode, against the reference
// expander (reference_expansion.h) on
// thousands of generated templates and items: placeholders of both kinds in
// any letter case, partial tokens, markers, double-byte characters and lone
// lead bytes, and names and URLs that form new tokens with their neighbours
// or hold their own. Where the reference as written ends within 3899 bytes
// the lines must be the same bytes; elsewhere they must be those of the
// reference's Bounded mode. The Unicode cases are the same cases in UTF-16,
// with surrogate pairs and lone surrogates put in.
#include <gtest/gtest.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

#include "app/options.h"
#include "expand/expand_template.h"
#include "system/url_decompose.h"
#include "tests/expand/reference_expansion.h"
#include "tests/support/harness.h"

using harness::Escaped;

namespace {

template <typename Char>
struct CaseOf {
    std::basic_string<Char> templateText;
    std::basic_string<Char> item;
    ItemKind kind;
    std::basic_string<Char> marker;
};
using Case = CaseOf<char>;

const std::vector<std::string> kFileTokens = {"%^P", "%^-P", "%^D", "%^-D", "%^F", "%^N", "%^E", "%^A", "%^B"};
const std::vector<std::string> kUrlTokens = {"%^F", "%^G", "%^H",  "%^I", "%^J",
                                             "%^-J", "%^K", "%^L", "%^-L", "%^P"};
// Partial tokens, letters that complete them, separators, line breaks, and
// bytes that are double-byte characters under code page 932: 0x95 0x5C (a
// trail byte that is a backslash), 0x81 0x5E (trail '^'), 0x83 0x4E (trail
// 'N'), full-width A and a, a lone lead byte that swallows the next byte, and
// accented letters of code page 1252.
const std::vector<std::string> kFragments = {
    "%", "%^", "^", "-", "%^-", "%%", "^^", "P", "n", "d", "L", "k", "J", "-L", "ab", " ", "\\", "/",
    ".", "#", "?", "\r\n", "\n", "\r", "\x95\x5C", "\x83\x41", "\x82\x60", "\x82\x81", "\x81\x5E", "\x83\x4E",
    "\x81", "\xC9", "\xE9", "[br]", "[\xC9]", "[\xE9]"};
const std::vector<std::string> kMarkers = {"[BR]", "|", "^", "%", "br", "\n\r", "%^", "[\xC9]",
                                           "[\xE9]", "\x82\x60", "N", "\x81", "-", "\x81\xAB"};
// Markers that CR LF holds, picked less often.
const std::vector<std::string> kLineBreakMarkers = {"\n", "\r\n", "\r"};
// Names and folders that form tokens with their neighbours, and (the second
// lists, picked less often) ones that hold a token themselves.
const std::vector<std::string> kFolders = {"Work", "Work.old", "^N", "%", "\x95\x5C", "..", "x\x81", "\x83\x41", "-d"};
const std::vector<std::string> kTokenFolders = {"a%^N", "%^F", "d%^P", "%^-D"};
const std::vector<std::string> kNames = {"Report", "^N", "%", "%^", "-P", "n", "\x83\x41", "", "x\x81", "^", "50%"};
const std::vector<std::string> kTokenNames = {"a%^N", "50%^E", "%^n", "%^N", "%^P", "%^-P", "%^B", "a%^b"};
const std::vector<std::string> kExtensions = {"", ".txt", ".final.txt", ".", ".^N", ".e%", "E", ".%^"};
const std::vector<std::string> kTokenExtensions = {".%^E", ".%^e"};

template <typename T>
const T& Pick(std::mt19937& rng, const std::vector<T>& list)
{
    return list[std::uniform_int_distribution<size_t>(0, list.size() - 1)(rng)];
}

bool Chance(std::mt19937& rng, int percent) { return std::uniform_int_distribution<int>(0, 99)(rng) < percent; }

int Between(std::mt19937& rng, int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); }

// Flips ASCII letters at random; bytes behind a lead byte are left alone, so
// a double-byte character stays the same character.
std::string AnyCase(std::mt19937& rng, const std::string& text)
{
    std::string out = text;
    for (size_t i = 0; i < out.size(); ++i) {
        if (IsAnsiLeadByte((unsigned char)out[i])) {
            ++i;
        } else if (isalpha((unsigned char)out[i]) && (unsigned char)out[i] < 0x80 && Chance(rng, 50)) {
            out[i] ^= 0x20;
        }
    }
    return out;
}

std::string FileItem(std::mt19937& rng, const std::vector<std::string>& directories)
{
    if (!directories.empty() && Chance(rng, 10)) return Pick(rng, directories);
    static const std::vector<std::string> starts = {"C:\\", "C:", "", "\\\\srv\\share\\", "C:/", "D:\\"};
    std::string item = Pick(rng, starts);
    for (int i = Between(rng, 0, 3); i > 0; --i)
        item += Pick(rng, Chance(rng, 10) ? kTokenFolders : kFolders) + (Chance(rng, 80) ? "\\" : "/");
    return item + Pick(rng, Chance(rng, 15) ? kTokenNames : kNames) +
           Pick(rng, Chance(rng, 5) ? kTokenExtensions : kExtensions);
}

// Only texts that the URL cracker accepts, as the scanner keeps no others.
std::string UrlItem(std::mt19937& rng)
{
    static const std::vector<std::string> schemes = {"http://", "HTTP://", "ftp://"};
    static const std::vector<std::string> users = {"", "", "", "u:p@", "^H:%@", "me%^G:pw%^I@"};
    static const std::vector<std::string> hosts = {"server", "srv", "h%^G", "^G"};
    static const std::vector<std::string> segments = {"/docs", "/%^K", "/x.y", "/%20", "/", "/%^",
                                                      "/\x83\x41", "/50%^E", "/^G", "/-"};
    static const std::vector<std::string> names = {"", "/guide.final.html", "/", "/a.b", "/^k", "/%"};
    static const std::vector<std::string> tokenNames = {"/%^L.htm", "/k%^k", "/%^-J"};
    for (;;) {
        std::string url = Pick(rng, schemes) + Pick(rng, users) + Pick(rng, hosts) + (Chance(rng, 20) ? ":8080" : "");
        for (int i = Between(rng, 0, 3); i > 0; --i) url += Pick(rng, segments);
        url += Pick(rng, Chance(rng, 10) ? tokenNames : names);
        if (Chance(rng, 30)) url += Chance(rng, 20) ? "?q=%^-L" : "?q=1";
        if (Chance(rng, 30)) url += Chance(rng, 20) ? "#top%^P" : "#top";
        if (DecomposeUrl(url.c_str())) return url;
    }
}

std::string Marker(std::mt19937& rng)
{
    if (Chance(rng, 50)) return kDefaultLineBreakMarker;
    return AnyCase(rng, Pick(rng, Chance(rng, 10) ? kLineBreakMarkers : kMarkers));
}

std::string Piece(std::mt19937& rng, ItemKind kind, const std::string& marker)
{
    int roll = Between(rng, 0, 99);
    if (roll < 40) return AnyCase(rng, Pick(rng, kind == File ? kFileTokens : kUrlTokens));
    if (roll < 50) return AnyCase(rng, Pick(rng, kind == File ? kUrlTokens : kFileTokens));
    if (roll < 60) return AnyCase(rng, marker);
    return Pick(rng, kFragments);
}

// A few cases in a hundred are long enough, with a long item, to meet the line's
// 3899-byte bound; the others are short, so that the quadratic reference
// stays fast.
Case MakeCase(std::mt19937& rng, const std::vector<std::string>& directories)
{
    Case c;
    c.kind = Chance(rng, 70) ? File : Url;
    c.marker = Marker(rng);
    c.item = c.kind == File ? FileItem(rng, directories) : UrlItem(rng);
    int pieces = Between(rng, 0, 16);
    if (Chance(rng, 3)) {
        pieces = Between(rng, 100, 250);
        c.item += c.kind == File ? "\\" + std::string(Between(rng, 60, 150), 'L') : "/" + std::string(120, 'u');
    }
    for (int i = 0; i < pieces; ++i) c.templateText += Piece(rng, c.kind, c.marker);
    return c;
}

// The case in UTF-16, now and then with an emoji or a lone surrogate in the
// template or in a File item's name.
CaseOf<wchar_t> Widened(std::mt19937& rng, const Case& c)
{
    static const std::vector<std::wstring> fragments = {L"\xD83D\xDCC1", L"\xD83D", L"\xDCC1", L"\xD83D\xD83D\xDCC1"};
    using harness::FromCodePage;
    CaseOf<wchar_t> w = {FromCodePage(c.templateText), FromCodePage(c.item), c.kind, FromCodePage(c.marker)};
    if (Chance(rng, 30)) w.templateText.insert(Between(rng, 0, (int)w.templateText.size()), Pick(rng, fragments));
    if (c.kind == File && Chance(rng, 20)) w.item += Pick(rng, fragments);
    return w;
}

// The line, with a guard of poison behind it that must stay.
std::string Expanded(const Case& c)
{
    lstrcpynA(runSettings.lineBreakMarker, c.marker.c_str(), sizeof(runSettings.lineBreakMarker));
    char line[kLineBufferSize];
    memset(line, 0xCC, sizeof(line));
    ExpandTemplate(c.templateText.c_str(), c.item.c_str(), c.kind, line);
    EXPECT_LT(strnlen(line, sizeof(line)), sizeof(line)) << "no NUL in the line";
    return std::string(line, strnlen(line, sizeof(line)));
}

std::wstring Expanded(const CaseOf<wchar_t>& c)
{
    lstrcpynW(wideRunSettings.lineBreakMarker, c.marker.c_str(), kMarkerMaxLength + 1);
    Item item = {};
    item.kind = c.kind;
    item.wideText = c.item.c_str();
    item.isDirectory = c.kind == File && PathIsDirectoryW(item.wideText);
    static wchar_t line[kLineSize<wchar_t>];
    wmemset(line, 0xCCCC, kLineSize<wchar_t>);
    ExpandItem(c.templateText.c_str(), item, line);
    EXPECT_LT(wcsnlen(line, kLineSize<wchar_t>), (size_t)kLineSize<wchar_t>) << "no NUL in the line";
    return std::wstring(line, wcsnlen(line, kLineSize<wchar_t>));
}

std::string Shown(const std::string& text) { return Escaped(text); }
std::string Shown(const std::wstring& text)
{
    std::string shown;
    for (wchar_t unit : text) {
        char hex[8];
        snprintf(hex, sizeof(hex), "\\u%04X", (unsigned)unit);
        shown += unit >= 0x20 && unit < 0x7F ? std::string(1, (char)unit) : hex;
    }
    return shown;
}

template <typename Char>
std::string Describe(const CaseOf<Char>& c)
{
    return "template \"" + Shown(c.templateText) + "\"\n  item \"" + Shown(c.item) + "\" (" +
           (c.kind == File ? "File" : "Url") + ")\n  marker \"" + Shown(c.marker) + "\"";
}

struct Counts {
    int sameAsWritten = 0, bounded = 0, endless = 0, overran = 0, failures = 0;
};

// Expands the case and holds it to the reference: the rules as written where
// they end within the line, else the reference's Bounded mode.
template <typename Char>
void Compare(int index, const CaseOf<Char>& c, Counts* counts)
{
    std::basic_string<Char> got = Expanded(c);
    auto asWritten = reference::ExpandOf(c.templateText, c.item, c.kind, c.marker, reference::Mode::AsWritten);
    std::basic_string<Char> expected = asWritten.line;
    if (!asWritten.endless && !asWritten.overran) {
        ++counts->sameAsWritten;
    } else {
        ++counts->bounded;
        counts->endless += asWritten.endless;
        counts->overran += asWritten.overran;
        auto defined = reference::ExpandOf(c.templateText, c.item, c.kind, c.marker, reference::Mode::Bounded);
        ASSERT_FALSE(defined.endless) << "the bounded reference did not end for case " << index << "\n  " << Describe(c);
        expected = defined.line;
    }
    if (got == expected) return;
    ++counts->failures;
    ADD_FAILURE() << "case " << index << (asWritten.endless || asWritten.overran ? " (bounded)" : "") << "\n  "
                  << Describe(c) << "\n  got      \"" << Shown(got) << "\"\n  expected \"" << Shown(expected) << "\"";
}

// Real directories, so that "%^P" appends its backslash, with names that
// hold or form tokens.
std::vector<std::string> MakeDirectories(const harness::ScratchFolder& scratch)
{
    std::vector<std::string> directories;
    for (const char* name : {"d%^P", "^N", "Work.old\\%^-P", "plain"}) directories.push_back(scratch.Folder(name));
    if (GetACP() == 932) directories.push_back(scratch.Folder("\x95\x5C%^P"));
    return directories;
}

TEST(ExpandDifferential, SameBytesAsTheReference)
{
    harness::ScratchFolder scratch;
    const std::vector<std::string> directories = MakeDirectories(scratch);
    std::mt19937 rng(20240611);
    Counts ansi, unicode;
    const int kCases = 6000;
    for (int i = 0; i < kCases && ansi.failures + unicode.failures < 5; ++i) {
        Case c = MakeCase(rng, directories);
        Compare(i, c, &ansi);
        Compare(i, Widened(rng, c), &unicode);
    }
    lstrcpynA(runSettings.lineBreakMarker, kDefaultLineBreakMarker, sizeof(runSettings.lineBreakMarker));
    for (const Counts* counts : {&ansi, &unicode})
        printf("  %d cases the same as the reference as written, %d bounded (%d never ending, %d over the line)\n",
               counts->sameAsWritten, counts->bounded, counts->endless, counts->overran);
    // The generator must keep reaching every kind of case.
    EXPECT_GT(ansi.sameAsWritten, kCases * 3 / 4);
    EXPECT_GT(ansi.endless, kCases / 50);
    EXPECT_GT(ansi.overran, kCases / 100);
}

}  // namespace
