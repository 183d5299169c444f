// One generated run of the exe, and what its checks may expect of it.
//
// Four kinds of run: a mixed command line; "/#c" with a clipboard text, or
// with Explorer's copied files (CF_HDROP, sound or malformed); and
// 1000+ existing paths on the command line or on the clipboard, ahead of
// anything else, which must give exactly 1000 items.
//
// No run shows a window: the Save As dialog ("/#f" without the output file
// option anywhere), the version box and the help file ("/#v", "/#h" without
// an item) are kept out by masking the option texts, wherever the generator
// happened to produce them ("/#" becomes "/_"). In the runs that count lines
// per item every template starts with the sentinel, and option texts that
// could bring in another template or a marker that splits the default
// template are masked as well.
#pragma once
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "tests/robustness/generator.h"
#include "tests/support/file_list_block.h"

namespace robustness {

enum class RunKind { Mixed, FromClipboard, ManyOnCommandLine, ManyOnClipboard };

const int kManyItems = 1000;
// CreateProcessA takes at most 32767 characters.
const size_t kCommandLineBudget = 30000;

struct Scenario {
    uint64_t seed = 0;
    RunKind kind = RunKind::Mixed;
    bool sentinel = false;
    std::string exe;
    std::string commandLine;
    bool clipboardInput = false;
    std::string clipboardText;
    // When not empty, placed as CF_HDROP instead of the text.
    std::string fileListBlock;
    // Exactly this many items when it is known, else -1.
    int knownItems = -1;
    // The one file the run may write, as a full path; empty when none.
    std::string outputFile;
    // An item is certain and the output can be written: something must arrive.
    bool mustDeliver = false;
    // The exe's path, the command line and the clipboard text are in UTF-8,
    // given to the system in Unicode, and hold names that the code page
    // cannot hold.
    bool unicode = false;
    // With "/#u": the names are items in their own right, and the output is
    // UTF-16 on the clipboard and UTF-8 in a file.
    bool unicodeMode = false;
    // The templates and settings of the run, already escaped, for a replay.
    std::vector<std::string> notes;
};

inline char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }

inline size_t FindNoCase(const std::string& text, const std::string& what, size_t from = 0)
{
    for (size_t at = from; at + what.size() <= text.size(); ++at) {
        size_t i = 0;
        while (i < what.size() && FoldAscii(text[at + i]) == FoldAscii(what[i])) ++i;
        if (i == what.size()) return at;
    }
    return std::string::npos;
}

// "/#" followed by one of letters, in either case, becomes "/_" except at the
// offsets in keep.
inline void MaskOptions(std::string& line, const char* letters, const std::set<size_t>& keep)
{
    for (size_t at = 0; (at = line.find("/#", at)) != std::string::npos; ++at) {
        char next = at + 2 < line.size() ? FoldAscii(line[at + 2]) : '\0';
        if (next && strchr(letters, next) && !keep.count(at)) line[at + 1] = '_';
    }
}

// The quoted value that starts at `at`: up to the next double quote, at most
// 518 bytes and not empty; false when it is not accepted.
inline bool QuotedValue(const std::string& line, size_t at, std::string* value)
{
    value->clear();
    for (size_t i = at; i < line.size(); ++i) {
        if (line[i] == '"') return !value->empty();
        if (value->size() == kQuotedValueMaxLength) return false;
        *value += line[i];
    }
    return false;
}

// The full path that the exe, started in folder, makes of path.
inline std::string ResolvedIn(const std::string& folder, const std::string& path)
{
    char saved[MAX_PATH * 2] = {};
    GetCurrentDirectoryA(sizeof(saved), saved);
    SetCurrentDirectoryA(folder.c_str());
    char full[4096] = {};
    DWORD length = GetFullPathNameA(path.c_str(), sizeof(full), full, nullptr);
    SetCurrentDirectoryA(saved);
    return length > 0 && length < sizeof(full) ? full : "";
}

inline bool Inside(const std::string& path, const std::string& folder)
{
    return path.size() > folder.size() + 1 &&
           CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, path.c_str(), (int)folder.size() + 1,
                          (folder + "\\").c_str(), (int)folder.size() + 1) == CSTR_EQUAL;
}

class Builder {
public:
    Builder(uint64_t seed, const std::string& root) : random_(seed)
    {
        scenario_.seed = seed;
        int kind = random_.Below(20);
        scenario_.kind = kind < 11 ? RunKind::Mixed
                         : kind < 16 ? RunKind::FromClipboard
                         : kind < 18 ? RunKind::ManyOnCommandLine
                                     : RunKind::ManyOnClipboard;
        scenario_.sentinel = random_.Below(10) < 7;
        tree_ = MakeTree(random_, root, scenario_.sentinel);
        fresh_ = "out-" + Word(random_, 1, 6) + ".txt";
    }

    Scenario Build()
    {
        MakeTemplateFiles();
        ChooseExe();
        switch (scenario_.kind) {
        case RunKind::Mixed: BuildMixed(); break;
        case RunKind::FromClipboard: BuildFromClipboard(); break;
        case RunKind::ManyOnCommandLine: BuildManyOnCommandLine(); break;
        case RunKind::ManyOnClipboard: BuildManyOnClipboard(); break;
        }
        Mask();
        KeepServersLocal(scenario_.commandLine, false);
        KeepServersLocal(scenario_.clipboardText, true);
        // The links beside the text, which they must leave as it is.
        if (random_.OneIn(4)) scenario_.commandLine += " " + AnyCase(random_, "/#l");
        AddForeignNames();
        if (fileList_) MakeFileListBlock();
        return scenario_;
    }

private:
    TemplateShape Shape(size_t longest, bool blanks, bool nul) { return {longest, blanks, nul, marker_}; }

    std::string FileTemplate()
    {
        size_t longest = random_.OneIn(3) ? kTemplateBufferSize - 1 : random_.OneIn(4) ? random_.Between(2600, 2700) : 100;
        return random_.OneIn(12) ? "" : TemplateText(random_, Shape(longest, true, true), scenario_.sentinel);
    }

    void MakeTemplateFiles()
    {
        for (int n = random_.Between(0, 2); n > 0; --n) {
            std::string relative = (random_.OneIn(3) ? "b\\" : "") + EntryName(random_) + ".tpl";
            std::string content = FileTemplate();
            if (AddEntry(tree_, relative, false, content)) {
                templateFiles_.push_back(relative);
                scenario_.notes.push_back("template file " + harness::Escaped(relative) + ": " + harness::Escaped(content));
            }
        }
    }

    // A copy under another name reads its own settings file; '#' stays out of
    // its name so that no option text comes from the program's path.
    void ChooseExe()
    {
        scenario_.exe = harness::BuiltTavrelPath();
        if (!random_.OneIn(4)) return;
        std::string stem = Word(random_, 1, 6);
        if (random_.OneIn(2)) stem += random_.Pick({" tool", "%^N", ForeignChar(random_), "[x]"});
        std::string folder = tree_.root + (random_.OneIn(3) ? "\\b" : "");
        std::string copy = harness::CopyTavrelAs(folder, stem + ".exe");
        if (!harness::PathExists(copy)) return;
        scenario_.exe = copy;
        if (random_.OneIn(5)) return;
        std::string settings = FileTemplate();
        harness::WriteBytes(folder + "\\" + stem + ".ini", settings);
        scenario_.notes.push_back("settings file " + harness::Escaped(stem) + ".ini: " + harness::Escaped(settings));
    }

    std::string ProgramPart(bool clean)
    {
        const std::string& exe = scenario_.exe;
        switch (random_.Below(clean ? 4 : 7)) {
        case 0: return "\"" + exe + "\"";
        case 1: return exe.find(' ') == std::string::npos ? exe + " " : "\"" + exe + "\" ";
        case 2: return " \t \"" + exe + "\"\t ";
        case 3: return "\"" + exe + "\" ";
        case 4: return "Tavrel ";
        case 5: return "\"Tav\trel\" ";
        default: return "\"" + exe + " ";
        }
    }

    // A lead byte right before an option would take its slash as the second
    // byte of a character, and the program would not find the option there.
    void Add(const Piece& piece, bool separated = true)
    {
        if (tail_.size() + piece.text.size() > kCommandLineBudget) return;
        std::string separator = separated ? random_.Pick({" ", " ", " ", " ", "  ", "\t ", " \t", "\t", ""}) : "";
        if (!tail_.empty() && separator.empty() && (unsigned char)tail_.back() >= 0x80) separator = " ";
        tail_ += tail_.empty() ? "" : separator;
        if (piece.option) optionOffsets_.push_back(tail_.size());
        tail_ += piece.text;
        canHaveItems_ |= piece.canBeItem;
    }

    // Where lines are counted per item, no piece may run on into an empty
    // inline template, which must then give "%^P", or into a marker.
    std::string BlankWhereCounted() { return scenario_.sentinel ? " " : ""; }

    Piece InlineTemplateOption()
    {
        std::string value = random_.OneIn(8) ? "" : TemplateText(random_, Shape(random_.OneIn(6) ? 1400 : 120,
                                                                          random_.OneIn(4), false),
                                                               scenario_.sentinel);
        bool splits = value.find_first_of(" \"") != std::string::npos;
        return {AnyCase(random_, "/#o=") + value + (value.empty() ? BlankWhereCounted() : ""), true, splits};
    }

    Piece TemplateFileOption()
    {
        std::string path;
        bool exists = true;
        switch (random_.Below(6)) {
        case 0:
        case 1:
            if (templateFiles_.empty()) path = "a.txt";
            else path = templateFiles_[random_.Below((int)templateFiles_.size())];
            if (random_.OneIn(2)) path = tree_.root + "\\" + path;
            break;
        case 2: path = "b"; break;
        case 3: path = random_.Pick({"", "missing.tpl", std::string(random_.Between(519, 600), 'x')}); exists = false; break;
        default: path = "a.txt"; break;
        }
        return QuotedOption("/#t=", path, exists);
    }

    Piece OutputFileOption()
    {
        std::string path;
        bool exists = false;
        switch (random_.Below(8)) {
        case 0:
        case 1:
        case 2: path = random_.OneIn(2) ? fresh_ : tree_.root + "\\" + fresh_; break;
        case 3: path = "b\\" + EntryName(random_); break;
        case 4: path = random_.Pick({"missing\\out.txt", "", std::string(random_.Between(519, 600), 'o')}); break;
        case 5: path = "a.txt"; exists = true; break;
        case 6: path = "b"; exists = true; break;
        default: path = EntryName(random_); break;
        }
        return QuotedOption("/#f=", path, exists);
    }

    // The look-back of the scanner skips a path that follows the lower-case
    // introducer and its quote exactly.
    Piece QuotedOption(const char* introducer, std::string path, bool exists)
    {
        std::string written = random_.OneIn(4) ? AnyCase(random_, introducer) : introducer;
        bool exact = written == introducer;
        if (random_.OneIn(8)) {
            path = " " + path + " ";
            exact = false;
        }
        bool closed = !random_.OneIn(8);
        return {written + "\"" + path + (closed ? "\"" : ""), true, exists && closed && !exact};
    }

    // A marker that could split the default template "%^P" would spoil the
    // line count; no blank or quote, which would cut the option's token.
    Piece MarkerOption()
    {
        std::string value = random_.Pick({"[BR]", "##", "<>", "%^X", "%", "#", "", Word(random_, 1, 14),
                                          ForeignChar(random_) + ForeignChar(random_), kDefaultLineBreakMarker,
                                          "|" + Repeated("%^P", random_.Between(3, 12))});
        if (scenario_.sentinel && value.find_first_not_of("%^Pp") == std::string::npos) value = "[BR]";
        marker_ = value.empty() ? std::string(kDefaultLineBreakMarker) : value;
        return {AnyCase(random_, "/#r=") + value + BlankWhereCounted(), true, false};
    }

    Piece SwitchOption(bool windows)
    {
        std::string option = windows ? random_.Pick({"/#c", "/#v", "/#h"}) : "/#c";
        return {AnyCase(random_, option), true, false};
    }

    // The sentinel runs count lines: no separator there.
    Piece SeparatorOrSort()
    {
        if (scenario_.sentinel || random_.OneIn(3)) return {AnyCase(random_, "/#s"), true, false};
        std::string value = random_.Pick({"", " ", ";", ", ", "\t", "[BR]", kDefaultLineBreakMarker,
                                          ForeignChar(random_) + ForeignChar(random_), Repeated("j", random_.Between(250, 300))});
        return {AnyCase(random_, "/#j=") + "\"" + value + (random_.OneIn(8) ? "" : "\""), true, false};
    }

    // The base folder is never an item, and need not exist.
    Piece BaseFolderOption()
    {
        std::string path = random_.Pick({tree_.root, tree_.root + "\\", "b", "b\\", "..", "", "missing",
                                         "\\\\s\\sh", std::string(random_.Between(255, 270), 'b'), ForeignChar(random_)});
        return {AnyCase(random_, "/#b=") + "\"" + path + (random_.OneIn(8) ? "" : "\""), true, false};
    }

    Piece AnyOption(bool windows)
    {
        switch (random_.Below(8)) {
        case 0: return InlineTemplateOption();
        case 1: return TemplateFileOption();
        case 2: return OutputFileOption();
        case 3: return MarkerOption();
        case 4: return SeparatorOrSort();
        case 5: return BaseFolderOption();
        default: return SwitchOption(windows);
        }
    }

    const Entry& AnyEntry() { return tree_.entries[random_.Below((int)tree_.entries.size())]; }

    Piece PathPiece()
    {
        std::string path = WrittenPath(random_, tree_, AnyEntry());
        switch (random_.Below(8)) {
        case 0: return {"\"" + path + "\"", false, true};
        case 1: return {"\" " + path + " \"", false, true};
        case 2: return {"\"" + path, false, true};
        case 3: return {Inserted(random_, path, random_.Pick({"\t", "\r", "\n", "\r\n"})), false, true};
        case 4: return {path + random_.Pick({"~", LeadByte(random_), "\"x\""}), false, true};
        default: return {path, false, true};
        }
    }

    Piece LongPiece()
    {
        switch (random_.Below(5)) {
        case 0: return {std::string(random_.Between(519, 700), 'x'), false, true};
        case 1: return {tree_.Full(AnyEntry()) + Repeated("y", random_.Between(300, 600)), false, true};
        case 2: return {"\"" + tree_.Full(AnyEntry()) + Repeated(" z", random_.Between(260, 400)) + "\"", false, true};
        case 3: return {UrlPrefix(random_) + "h/" + Repeated("p", random_.Between(519, 700)), false, true};
        default: return {Repeated(random_.Pick(Placeholders()), random_.Between(519, 1200)), false, true};
        }
    }

    Piece MixedPiece(bool windows)
    {
        int pick = random_.Below(20);
        if (pick < 6) return PathPiece();
        if (pick < 9) return {Url(random_), false, true};
        if (pick < 11) return {Junk(random_, 1, 30), false, true};
        if (pick < 12) return LongPiece();
        if (pick < 13) return {random_.Pick({"\"", "\"\"", "\" \"", "\t", "\r\n"}), false, true};
        return AnyOption(windows);
    }

    // Existing files and folders named relatively, each followed by a blank,
    // at the very start of the tail: every one of them is an item.
    void AddCertainItems(int count)
    {
        std::vector<std::string> shortNames;
        for (const Entry& entry : tree_.entries)
            if (entry.relative.size() <= 24 && entry.relative.find(' ') == std::string::npos) shortNames.push_back(entry.relative);
        for (int i = 0; i < count; ++i) tail_ += random_.Pick(shortNames) + " ";
        certainItem_ = true;
    }

    void BuildMixed()
    {
        bool anchored = random_.OneIn(2);
        if (anchored) AddCertainItems(1);
        for (int n = random_.Between(0, 25); n > 0; --n) Add(MixedPiece(anchored), !random_.OneIn(10));
        Finish(anchored);
        SetClipboardNotice();
    }

    void AddOptionsWithoutItems(bool windows)
    {
        canHaveItems_ = false;
        Add(SwitchOption(false));
        for (int n = random_.Between(0, 5); n > 0; --n) Add(AnyOption(windows));
    }

    void BuildFromClipboard()
    {
        AddOptionsWithoutItems(false);
        if (random_.OneIn(4))
            for (int n = random_.Between(1, 6); n > 0; --n) Add(MixedPiece(false));
        Finish(false);
        scenario_.clipboardInput = true;
        int lines = random_.OneIn(10) ? random_.Between(200, 1500) : random_.Between(1, 40);
        for (int i = 0; i < lines; ++i) scenario_.clipboardText += ClipboardLine() + LineEnd();
        if (random_.OneIn(2)) scenario_.clipboardText += ClipboardLine();
        fileList_ = random_.OneIn(4);
        for (int i = !fileList_ ? 0 : random_.OneIn(10) ? 1001 : lines; i > 0; --i)
            files_.push_back(Utf8(random_.OneIn(3) ? ClipboardLine() : tree_.Full(AnyEntry())));
    }

    // As Explorer places it, in UTF-16; now and then cut short or with a bad
    // list offset.
    void MakeFileListBlock()
    {
        std::string& block = scenario_.fileListBlock = harness::FileListBlock(files_, true);
        if (random_.OneIn(8)) block.resize(random_.Below((int)block.size()));
        if (random_.OneIn(10) && block.size() >= 4) block[random_.Below(4)] = (char)random_.Below(256);
        scenario_.clipboardText = "(none: a file list block)";
        scenario_.notes.push_back("file list block: " + harness::Escaped(block.substr(0, 3000)));
    }

    void BuildManyOnCommandLine()
    {
        AddCertainItems(random_.Between(kManyItems, kManyItems + 100));
        for (int n = random_.Between(0, 10); n > 0; --n) Add(MixedPiece(true));
        Finish(true);
        scenario_.knownItems = kManyItems;
        SetClipboardNotice();
    }

    // More lines than items, so that the result can never equal the text.
    void BuildManyOnClipboard()
    {
        AddOptionsWithoutItems(true);
        Finish(true);
        scenario_.clipboardInput = true;
        std::vector<const Entry*> certain;
        for (const Entry& entry : tree_.entries)
            if (tree_.Full(entry).size() < MAX_PATH - 1) certain.push_back(&entry);
        for (int i = random_.Between(kManyItems + 1, kManyItems + 200); i > 0; --i) {
            const Entry& entry = *certain[random_.Below((int)certain.size())];
            std::string blanks = random_.OneIn(8) ? "  " : "";
            scenario_.clipboardText += blanks + tree_.Full(entry) + (entry.folder && random_.OneIn(2) ? "\\" : "") + blanks +
                                       random_.Pick({"\r\n", "\r\n", "\n"});
        }
        for (int n = random_.Between(0, 5); n > 0; --n) scenario_.clipboardText += ClipboardLine() + LineEnd();
        // Items on the command line, if any, come instead of the clipboard's.
        scenario_.knownItems = canHaveItems_ ? -1 : kManyItems;
        certainItem_ = true;
    }

    std::string LineEnd() { return random_.Pick({"\r\n", "\r\n", "\r\n", "\n", "\r", "\r\r\n"}); }

    std::string ClipboardLine()
    {
        switch (random_.Below(12)) {
        case 0:
        case 1:
        case 2: return random_.Pick({"", "  ", "\t"}) + tree_.Full(AnyEntry()) + random_.Pick({"", "  ", "\t", "\\"});
        case 3: return "\"" + WrittenPath(random_, tree_, AnyEntry()) + random_.Pick({"\"", "\" tail", ""});
        case 4: return WrittenPath(random_, tree_, AnyEntry());
        case 5:
        case 6: return Url(random_);
        case 7: return Junk(random_, 1, 40);
        case 8: return LongPiece().text;
        case 9: return "";
        case 10: return Inserted(random_, tree_.Full(AnyEntry()), random_.Pick({"\t", "\r", "\"", LeadByte(random_)}));
        default: return random_.Pick({"/#f", "/#v /#h", "/#o=%^N", "/#t=\"a.txt\"", "/#f=\"a.txt\""});
        }
    }

    void SetClipboardNotice() { scenario_.clipboardText = "robustness run: no item here"; }

    void Finish(bool clean)
    {
        std::string program = ProgramPart(clean);
        scenario_.commandLine = program + tail_;
        for (size_t& offset : optionOffsets_) offset += program.size();
    }

    // Every "/#f" that is not the output file option goes, and of those only
    // the first stays, one whose file lies in the scratch folder or that names
    // no file: the program looking from any character finds that one or none,
    // and never shows the Save As dialog.
    void Mask()
    {
        std::string& line = scenario_.commandLine;
        std::set<size_t> keep(optionOffsets_.begin(), optionOffsets_.end());
        if (scenario_.sentinel) MaskOptions(line, "otrj", keep);
        if (!certainItem_) MaskOptions(line, "vh", {});
        MaskOptions(line, "u", {});
        for (size_t at = 0; (at = FindNoCase(line, "/#f", at)) != std::string::npos; ++at)
            if (line.compare(at + 3, 2, "=\"") != 0) line[at + 1] = '_';
        size_t chosen = ChooseOutputOption();
        // A masked option's value is a token like any other: an existing file
        // there is an item of the command line, and the clipboard is not read.
        for (size_t at = 0; (at = FindNoCase(line, "/#f=\"", at)) != std::string::npos; ++at) {
            if (at == chosen) continue;
            line[at + 1] = '_';
            if (scenario_.kind == RunKind::ManyOnClipboard) scenario_.knownItems = -1;
        }
        scenario_.mustDeliver = certainItem_ && (scenario_.outputFile.empty() ||
                                                 scenario_.outputFile == ResolvedIn(tree_.root, fresh_));
    }

    size_t ChooseOutputOption()
    {
        std::string& line = scenario_.commandLine;
        for (;;) {
            size_t at = FindNoCase(line, "/#f=\"");
            std::string value;
            if (at == std::string::npos || !QuotedValue(line, at + 5, &value)) return at;
            std::string full = ResolvedIn(tree_.root, value);
            if (Inside(full, tree_.root)) {
                scenario_.outputFile = full;
                return at;
            }
            line[at + 1] = '_';
        }
    }

    // Names that the code page cannot hold, each beside its look-alike, as
    // paths, in URLs and as the output file: none may be read or written as
    // its look-alike. An output option that names no file fails the save; in
    // a run in Unicode it names that file, which the checks do not read.
    void AddForeignNames()
    {
        bool clipboard = scenario_.kind == RunKind::FromClipboard;
        if (!random_.OneIn(5) || (!clipboard && scenario_.kind != RunKind::Mixed)) return;
        scenario_.unicode = true;
        scenario_.exe = Utf8(scenario_.exe);
        scenario_.commandLine = Utf8(scenario_.commandLine);
        scenario_.clipboardText = Utf8(scenario_.clipboardText);
        scenario_.unicodeMode = random_.OneIn(2);
        if (scenario_.unicodeMode) scenario_.commandLine += " /#u";
        for (int n = random_.Between(1, 4); n > 0; --n) {
            std::string name = ForeignName(random_, tree_.root);
            if (fileList_) {
                files_.insert(files_.begin(), name);
                continue;
            }
            switch (random_.Below(clipboard ? 2 : 3)) {
            case 0: name = "\"" + name + "\""; break;
            case 1: name = "http://example.com/" + name.substr(tree_.root.size() + 1); break;
            default:
                name = "/#f=\"" + name + "\"";
                scenario_.mustDeliver &= !scenario_.outputFile.empty();
            }
            if (clipboard) scenario_.clipboardText = name + "\r\n" + scenario_.clipboardText;
            else scenario_.commandLine += " " + name;
        }
    }

    Random random_;
    Scenario scenario_;
    Tree tree_;
    std::string fresh_;
    std::string marker_ = kDefaultLineBreakMarker;
    std::vector<std::string> templateFiles_;
    std::string tail_;
    bool fileList_ = false;
    std::vector<std::string> files_;
    std::vector<size_t> optionOffsets_;
    bool canHaveItems_ = false;
    bool certainItem_ = false;
};

inline Scenario MakeScenario(uint64_t seed, const std::string& root) { return Builder(seed, root).Build(); }

}  // namespace robustness
