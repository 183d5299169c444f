// The robustness run's generator. One seed gives one run of the exe: a scratch
// tree of real files and folders with awkward names, template files, maybe a
// copy of the exe under another name beside its settings file, a command line
// and a clipboard text. The same seed gives the same run under the same code
// page, so that a failing run can be replayed.
#pragma once
#include <windows.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/options.h"
#include "tests/support/harness.h"

namespace robustness {

// splitmix64: a fixed sequence per seed on every machine.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Below(int n) { return n > 0 ? (int)(Next() % (uint64_t)n) : 0; }
    int Between(int low, int high) { return low + Below(high - low + 1); }
    bool OneIn(int n) { return Below(n) == 0; }
    const std::string& Pick(const std::vector<std::string>& texts) { return texts[Below((int)texts.size())]; }

private:
    uint64_t state_;
};

// Starts every line of a template in the runs that count lines per item, and
// occurs nowhere else in a run's input: the item lines of a result are then
// told apart even where a template breaks them.
const char kSentinel = '\x01';

inline bool JapaneseCodePage() { return GetACP() == 932; }

inline std::string Repeated(const std::string& text, size_t length)
{
    std::string out;
    while (out.size() < length) out += text;
    return out.substr(0, length);
}

// Only ASCII letters change: a letter that is the second byte of a
// double-byte character must stay as it is.
inline std::string AnyCase(Random& random, std::string text)
{
    for (char& c : text) {
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (letter && random.OneIn(2)) c ^= 0x20;
    }
    return text;
}

// One character beyond ASCII in the running code page. Under 932 the first
// three are double-byte characters whose second byte is a backslash.
inline std::string ForeignChar(Random& random)
{
    static const std::vector<std::string> japanese = {"\x95\x5C", "\x83\x5C", "\x94\x5C", "\x82\xA0", "\x8A\xBF",
                                                      "\xB1",     "\x81\x40", "\x83\x7C", "\x81\xAB"};
    static const std::vector<std::string> western = {"\xE9", "\xFC", "\xDF", "\xC4", "\xA9", "\xF1", "\xD8"};
    return random.Pick(JapaneseCodePage() ? japanese : western);
}

// A lead byte of code page 932; under 1252 an ordinary character.
inline std::string LeadByte(Random& random) { return random.Pick({"\x81", "\x9F", "\xE0", "\xFC"}); }

inline std::string Word(Random& random, int shortest, int longest)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-";
    std::string word;
    for (int n = random.Between(shortest, longest); n > 0; --n) word += letters[random.Below(sizeof(letters) - 1)];
    return word;
}

inline const std::vector<std::string>& Placeholders()
{
    static const std::vector<std::string> tokens = {"%^P", "%^-P", "%^D", "%^-D", "%^F", "%^N", "%^E", "%^A",
                                                    "%^B", "%^G",  "%^H", "%^I",  "%^J", "%^-J", "%^K", "%^L",
                                                    "%^-L", "%^R", "%^U", "%^S", "%^W", "%^-W", "%^M", "%^-M",
                                                    "%^T", "%^O", "%^-O", "%^Q", "%^-Q"};
    return tokens;
}

inline std::string NamePiece(Random& random)
{
    switch (random.Below(12)) {
    case 0: return AnyCase(random, random.Pick(Placeholders()));
    case 1: return random.OneIn(2) ? std::string(kDefaultLineBreakMarker) : "[BR]";
    case 2: return ForeignChar(random) + ForeignChar(random);
    case 3: return " ";
    case 4: return ".";
    case 5: return random.Pick({"#", "=", "%", "^", "[", "]", "&", "!", "~", ",", ";", "'", "(", ")", "{", "}", "$",
                                "@", "+", "`", "-", "%^", "%^-"});
    default: return Word(random, 1, 8);
    }
}

// A name that the file system keeps as written: not empty, no dot or blank at
// its end or blank at its start, none of the characters that names cannot hold.
inline std::string EntryName(Random& random)
{
    std::string name;
    int pieces = random.OneIn(10) ? random.Between(20, 50) : random.Between(1, 4);
    for (int i = 0; i < pieces; ++i) name += NamePiece(random);
    if (random.OneIn(2)) name += random.Pick({".txt", ".TXT", ".tar.gz", ".", ".x%^E", ".%^N", ".lnk", ".url", ".URL"});
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    while (!name.empty() && name[0] == ' ') name.erase(0, 1);
    return name.empty() ? Word(random, 1, 6) : name;
}

using harness::Utf8;

// A text of the code page in UTF-8, for a run started in Unicode.
inline std::string Utf8(const std::string& ansi) { return Utf8(harness::FromCodePage(ansi)); }

// A file named "lookalike", words and characters that the code page may not
// hold (other scripts, an emoji, the fullwidth signs and the yen sign that
// best fit turns into option texts and separators, the soft hyphen), the
// first of them held by neither code page 1252 nor 932, created
// in root beside the file that Windows' best fit names by it, where that is
// a name at all. Its full path in UTF-8; no output may ever hold "lookalike".
inline std::string ForeignName(Random& random, const std::string& root)
{
    static const wchar_t* const pieces[] = {L"\x141\xF3d\x17A", L"\xD55C\xAE00", L"\x8BF4", L"\xD83D\xDCC1",
                                            L"\x3A9\x3BB", L"\x416\x438", L"\xFF0F\xFF03\xFF46", L"\xFF3C\xFF1A\xFF02",
                                            L"\xA5", L"\xAD", L"r\xE9sum\xE9", L"\x8868"};
    std::wstring name = std::wstring(L"lookalike") + pieces[random.Below(4)];
    for (int n = random.Between(0, 3); n > 0; --n) name += random.OneIn(3) ? harness::Utf16(Word(random, 1, 4)) : pieces[random.Below(12)];
    std::wstring full = harness::Utf16(root) + L"\\" + name + L".txt";
    HANDLE file = CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(file);
    char lookAlike[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, full.c_str(), -1, lookAlike, sizeof(lookAlike), nullptr, nullptr);
    for (char* at = lookAlike + root.size() + 1; (at = strchr(at, '\\')); *at++ = '\\') {
        *at = '\0';
        CreateDirectoryA(lookAlike, nullptr);
    }
    harness::WriteBytes(lookAlike, "look-alike");
    return Utf8(full);
}

struct Entry {
    std::string relative;
    bool folder;
};

// The scratch folder's entries as created; "a.txt" and the folder "b" are
// always the first two.
struct Tree {
    std::string root;
    std::vector<Entry> entries;
    std::string Full(const Entry& entry) const { return root + "\\" + entry.relative; }
};

// Item files hold text that could pass for a template: an option value that
// runs on past its quote may name one as the template file.
inline std::string FileContent(Random& random, bool sentinel)
{
    // Also the start of a shortcut or of an Internet shortcut, cut short.
    std::string content = sentinel ? std::string(1, kSentinel)
                                   : random.Pick({"", "", "[InternetShortcut]\r\nURL=", std::string("L\0\0\0\x01\x14\x02", 7)});
    for (int n = random.Between(0, 4); n > 0; --n) content += random.OneIn(2) ? random.Pick(Placeholders()) : Word(random, 1, 6);
    return content;
}

inline bool AddEntry(Tree& tree, const std::string& relative, bool folder, const std::string& content)
{
    std::string full = tree.root + "\\" + relative;
    if (folder) CreateDirectoryW(harness::SystemPath(full).c_str(), nullptr);
    else harness::WriteBytes(full, content);
    DWORD attributes = GetFileAttributesW(harness::SystemPath(full).c_str());
    bool made = attributes != INVALID_FILE_ATTRIBUTES && ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folder;
    if (made) tree.entries.push_back({relative, folder});
    return made;
}

// A chain of folders with long names whose full paths reach past 259 bytes,
// now and then to some thousands, which only a run in Unicode takes; never
// with a "~", so that no long path is asked for its long form, at which
// Wine 8 faults past some 1,025 units.
inline void AddDeepChain(Random& random, Tree& tree, bool sentinel)
{
    size_t reach = random.OneIn(2) ? 270 : random.Between(300, 3000);
    std::string relative;
    while (tree.root.size() + relative.size() < reach - 30) {
        std::string next = (relative.empty() ? "" : relative + "\\") + Repeated(Word(random, 3, 9), random.Between(20, 60));
        if (!AddEntry(tree, next, true, "")) return;
        relative = next;
    }
    int rest = (int)reach - (int)(tree.root.size() + relative.size());
    AddEntry(tree, relative + "\\" + Repeated("z", rest > 10 ? rest : 10), false, FileContent(random, sentinel));
}

inline Tree MakeTree(Random& random, const std::string& root, bool sentinel)
{
    Tree tree{root, {}};
    AddEntry(tree, "a.txt", false, FileContent(random, sentinel));
    AddEntry(tree, "b", true, "");
    for (int n = random.Between(2, 10); n > 0; --n) {
        std::vector<std::string> folders = {""};
        for (const Entry& entry : tree.entries)
            if (entry.folder) folders.push_back(entry.relative + "\\");
        bool folder = random.OneIn(3);
        AddEntry(tree, random.Pick(folders) + EntryName(random), folder, FileContent(random, sentinel));
    }
    if (random.OneIn(8)) AddDeepChain(random, tree, sentinel);
    return tree;
}

// A path as a user or a program might write it: full or relative, with
// slashes, in another letter case, a folder with or without its backslash.
inline std::string WrittenPath(Random& random, const Tree& tree, const Entry& entry)
{
    std::string path = random.OneIn(2) ? tree.Full(entry) : entry.relative;
    if (random.OneIn(8))
        for (char& c : path)
            if (c == '\\') c = '/';
    if (random.OneIn(8)) path = AnyCase(random, path);
    if (entry.folder && random.OneIn(2)) path += "\\";
    return path;
}

inline std::string Inserted(Random& random, std::string text, const std::string& what)
{
    if (!text.empty()) text.insert(random.Below((int)text.size()), what);
    return text;
}

inline std::string UrlPrefix(Random& random)
{
    return AnyCase(random, random.Pick({"http://", "http://", "ftp://", "mailto:", "file://", "file:///", "https://",
                                        "htp://", "http:/", "http:", "ftp:", "mailto", "file:/", "gopher://"}));
}

inline std::string UrlBody(Random& random)
{
    std::string body = random.Pick({"", "", "user@", "user:pw@", "u%40x:p%3A@", ":@", "@"});
    body += random.Pick({"server", "SERVER.example.com", "", "[::1]", "127.0.0.1", "%^G", "a_b", "ho st",
                         std::string(random.Between(250, 270), 'h'), "h" + ForeignChar(random) + "x"});
    body += random.Pick({"", "", ":8080", ":", ":0", ":65536", ":abc"});
    body += random.Pick({"", "/", "/docs/guide.final.html", "/%20a%^J/", "/a/b/", "\\back\\slash", "/x.y.z/",
                         "/" + std::string(random.Between(240, 270), 'p'), "/" + ForeignChar(random) + ".txt",
                         "/%^P/%^-L", std::string("/") + kDefaultLineBreakMarker});
    body += random.Pick({"", "", "?x=1", "#top", "?q=%^K#frag", "?", "#", "/#c", "/#f", "/#v", "/#h", "/#o=%^G",
                         "/#r=##", "/#t=\"x\"", "/#f=\"u.txt\""});
    return body;
}

inline std::string Url(Random& random) { return UrlPrefix(random) + UrlBody(random); }

// Bytes from all over the range, NUL (which no command line can hold) and
// the sentinel excepted.
inline std::string Junk(Random& random, int shortest, int longest)
{
    std::string junk;
    for (int n = random.Between(shortest, longest); n > 0; --n) {
        switch (random.Below(6)) {
        case 0:
            junk += random.Pick({" ", "\"", "\t", "\r", "\n", "\\", ":", "/", "#", "%^", "/#", "\\\\localhost\\",
                                 "//127.0.0.1/"});
            break;
        case 1: junk += LeadByte(random); break;
        case 2: junk += ForeignChar(random); break;
        case 3: junk += (char)random.Between(0x02, 0xFF); break;
        default: junk += Word(random, 1, 4); break;
        }
    }
    return junk;
}

inline bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// "localhost" or "127.0.0.1" as a whole server name at text[at].
inline bool LocalServerAt(const std::string& text, size_t at)
{
    for (const char* server : {"localhost", "127.0.0.1"}) {
        size_t end = at + strlen(server);
        if (text.compare(at, strlen(server), server) == 0 &&
            (end == text.size() || IsSeparator(text[end]) || text[end] == '"'))
            return true;
    }
    return false;
}

// The scanner drops CR and TAB, and on the command line LF too.
inline bool IsDroppedByte(char c, bool clipboard) { return c == '\r' || c == '\t' || (c == '\n' && !clipboard); }

// Where a path may start: at the start of the text, or after a blank, a
// quote, an equals sign or a line end, with dropped bytes in between.
inline bool AtPathStart(const std::string& text, size_t at, bool clipboard)
{
    while (at > 0 && IsDroppedByte(text[at - 1], clipboard)) --at;
    return at == 0 || std::string(" \"=\n").find(text[at - 1]) != std::string::npos;
}

// A path that starts with two or more slashes or backslashes names a server
// on the network, which Windows looks up, seconds each time. Such a run
// stays only as two separators before "localhost" or "127.0.0.1"; any other
// keeps its last separator, which may start an option, and has the others
// turned into '_'. The text keeps its length, so that the offsets of the
// options in it hold.
inline void KeepServersLocal(std::string& text, bool clipboard)
{
    for (size_t at = 0; at < text.size();) {
        if (!IsSeparator(text[at])) {
            ++at;
            continue;
        }
        std::vector<size_t> run;
        for (size_t i = at; i < text.size() && (IsSeparator(text[i]) || IsDroppedByte(text[i], clipboard)); ++i)
            if (IsSeparator(text[i])) run.push_back(i);
        bool local = run.size() == 2 && LocalServerAt(text, run.back() + 1);
        if (AtPathStart(text, at, clipboard) && !local)
            for (size_t i = 0; i + 1 < run.size(); ++i) text[run[i]] = '_';
        at = run.back() + 1;
    }
}

struct TemplateShape {
    size_t longest;
    bool blanks;
    bool nul;
    std::string marker;
};

inline std::string TemplatePiece(Random& random, const TemplateShape& shape)
{
    switch (random.Below(14)) {
    case 0:
    case 1:
    case 2:
    case 3: return AnyCase(random, random.Pick(Placeholders()));
    case 4: return random.Pick({"%^-", "%^", "%", "^", "-", "%^X", "%^%^P"});
    case 5: return random.OneIn(2) ? shape.marker : std::string(kDefaultLineBreakMarker);
    case 6: return random.Pick({"\r\n", "\r", "\n", "\t", "\""});
    case 7: return ForeignChar(random);
    case 8: return LeadByte(random);
    case 9: return shape.blanks ? " " : "_";
    case 10: return shape.nul && random.OneIn(8) ? std::string(1, '\0') : "|";
    default: return Word(random, 1, 6);
    }
}

// Mostly short; now and then long enough to meet a limit, or placeholders
// only, all the way to the limit.
inline std::string TemplateText(Random& random, const TemplateShape& shape, bool sentinel)
{
    std::string text = sentinel ? std::string(1, kSentinel) : "";
    int form = random.Below(8);
    size_t length = form == 0 ? shape.longest : form == 1 ? (size_t)random.Between(1, (int)shape.longest) : 60;
    if (form == 2) {
        while (text.size() < shape.longest) text += AnyCase(random, random.Pick(Placeholders()));
        return text.substr(0, shape.longest);
    }
    for (int pieces = random.Between(0, 30); pieces > 0 || (form < 2 && text.size() < length); --pieces)
        text += TemplatePiece(random, shape);
    return text.substr(0, std::max(length, (size_t)1));
}

// A piece of the command-line tail. An option piece is kept from masking;
// canBeItem is false only where the scanner certainly makes no item of it.
struct Piece {
    std::string text;
    bool option;
    bool canBeItem;
};

}  // namespace robustness
