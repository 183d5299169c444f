// End to end: the built Tavrel.exe runs as a separate process with an exact
// command line in a scratch folder of real files, and the test reads back the
// real clipboard or the written file.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "tests/output/output_checks.h"
#include "tests/support/file_list_block.h"
#include "tests/support/harness.h"

using harness::Escaped;
using harness::kClipboardSentinel;
using output_checks::FolderListing;

namespace {

const char kOldContent[] = "old content\r\nof the file";

class RunOutput : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"alpha.txt", "beta.doc", "a", ".x", "b", "one.txt", "two.doc", "with blank.txt",
                                 "sub\\inner.txt", "50%^E.txt", "f2.txt", "f10.txt"})
            scratch_.File(name, "content");
        // The default marker, "[", DOWNWARDS ARROW in code page 932, "]".
        scratch_.File("tpl.txt", "%^N[\x81\xAB]%^-D");
        harness::SetClipboardText(kClipboardSentinel);
    }

    // Runs the exe with tail in the scratch folder; false when it did not
    // end with exit code 0.
    bool Run(const std::string& tail)
    {
        tail_ = harness::WithFolder(tail, scratch_.path());
        DWORD code = harness::RunTavrel(tail_, scratch_.path());
        EXPECT_EQ(0u, code) << "tail: " << Escaped(tail_);
        return code == 0;
    }

    void ExpectClipboard(const std::string& expected)
    {
        std::string got;
        EXPECT_TRUE(harness::ReadClipboardText(&got)) << "tail: " << Escaped(tail_);
        EXPECT_EQ(expected, got) << "tail: " << Escaped(tail_) << "\n got: " << Escaped(got)
                                 << "\n expected: " << Escaped(expected);
    }

    void ExpectFile(const std::string& path, const std::string& expected)
    {
        bool exists = false;
        std::string got = harness::ReadBytes(path, &exists);
        EXPECT_TRUE(exists) << path;
        EXPECT_EQ(expected, got) << "tail: " << Escaped(tail_) << "\n got: " << Escaped(got)
                                 << "\n expected: " << Escaped(expected);
    }

    harness::ScratchFolder scratch_;
    std::string tail_;
};

TEST_F(RunOutput, ClipboardGetsOneLinePerItem)
{
    struct Case {
        const char* tail;
        const char* expected;
    } cases[] = {
        // The typical run: two quoted files and an inline template.
        {"\"{dir}\\alpha.txt\" \"{dir}\\beta.doc\" /#o=%^N", "alpha.txt\r\nbeta.doc"},
        {"\"{dir}\\alpha.txt\" /#o=%^N", "alpha.txt"},
        {"{dir}\\a {dir}\\.x {dir}\\b /#o=%^A", "a\r\n\r\nb"},
        {"{dir}\\.x /#o=%^A", ""},
        // Line breaks from the marker stay inside the item's line.
        {"/#r=[BR] /#o=%^A[BR]%^E {dir}\\one.txt {dir}\\two.doc", "one\r\n.txt\r\ntwo\r\n.doc"},
        {"/#t=\"{dir}\\tpl.txt\" {dir}\\alpha.txt", "alpha.txt\r\n{dir}"},
        // The default template; a folder gets its backslash either way.
        {"{dir}\\sub\\ {dir}\\sub {dir}\\alpha.txt", "{dir}\\sub\\\r\n{dir}\\sub\\\r\n{dir}\\alpha.txt"},
        {"\"{dir}\\with blank.txt\" {dir}\\missing.txt /#o=\"%^P\"", "\"{dir}\\with blank.txt\""},
        {"/#o=%^P|%^-P|%^D|%^-D|%^F|%^N|%^E|%^A|%^B {dir}\\sub\\inner.txt",
         "{dir}\\sub\\inner.txt|{dir}\\sub\\inner.txt|{dir}\\sub\\|{dir}\\sub|sub|inner.txt|.txt|inner|"
         "{dir}\\sub\\inner"},
        {"/#o=%^P|%^-P|%^N|%^E|%^A {dir}\\sub", "{dir}\\sub\\|{dir}\\sub|sub||sub"},
        {"{dir}\\50%^E.txt", "{dir}\\50.txt.txt"},
        {"http://server:8080/docs/guide.final.html?lang=en#top /#o=%^F|%^G|%^J|%^-J|%^K|%^-L|%^N",
         "http|server|/docs/guide.final.html|/docs/|guide.final.html|"
         "http://server:8080/docs/guide.final.html?lang=en|%^N"},
        {"{dir}\\alpha.txt ftp://server/pub/a.zip /#o=[%^P]", "[{dir}\\alpha.txt]\r\n[ftp://server/pub/a.zip]"},
        // Items on the command line: the clipboard is not read.
        {"/#c {dir}\\alpha.txt /#o=%^N", "alpha.txt"},
        // What stands between items; Explorer's order, stable.
        {"/#j=\" \" /#o=\"%^P\" {dir}\\alpha.txt \"{dir}\\with blank.txt\"", "\"{dir}\\alpha.txt\" \"{dir}\\with blank.txt\""},
        {"/#r=[BR] /#j=\",[BR]\" /#o=%^N {dir}\\one.txt {dir}\\two.doc", "one.txt,\r\ntwo.doc"},
        {"/#S /#j=\";\" /#o=%^N {dir}\\f10.txt {dir}\\b {dir}\\f2.txt {dir}\\B {dir}\\a", "a;b;B;f2.txt;f10.txt"},
        {"/#j=\"\" /#s {dir}\\two.doc {dir}\\one.txt /#o=%^A", "onetwo"},
        // Relative to the base folder, which is no item; quoted for command lines.
        {"/#o=%^O|%^-O|%^-Q /#b=\"{dir}\\sub\" {dir}\\sub\\inner.txt \"{dir}\\with blank.txt\" {dir}\\sub",
         "inner.txt|inner.txt|'{dir}\\sub\\inner.txt'\r\n..\\with blank.txt|../with blank.txt|'{dir}\\with blank.txt'\r\n"
         ".\\|./|'{dir}\\sub\\'"},
        {"/#o=%^O /#s {dir}\\sub\\inner.txt \"{dir}\\with blank.txt\" /#B=\"{dir}\\sub", "sub\\inner.txt\r\nwith blank.txt"},
        {"/#o=%^Q \"{dir}\\with blank.txt\"", "\"{dir}\\with blank.txt\""},
    };
    for (const Case& c : cases) {
        harness::SetClipboardText(kClipboardSentinel);
        if (Run(c.tail)) ExpectClipboard(harness::WithFolder(c.expected, scratch_.path()));
    }
}

TEST_F(RunOutput, ClipboardLinesBecomeTheItems)
{
    std::string lines = "{dir}\\alpha.txt\r\n  {dir}\\beta.doc  \r\nnothing\r\n{dir}\\sub\\";
    harness::SetClipboardText(harness::WithFolder(lines, scratch_.path()));
    if (Run("/#c /#o=%^N")) ExpectClipboard("alpha.txt\r\nbeta.doc\r\nsub");
}

// The scratch path in the fullwidth forms that Windows' best fit turns back
// into a colon and backslashes, in UTF-8.
std::string Fullwidth(const std::string& path)
{
    std::string out;
    for (char c : path) out += c == ':' ? "\xEF\xBC\x9A" : c == '\\' ? "\xEF\xBC\xBC" : std::string(1, c);
    return out;
}

std::string Repeated(const std::string& text, int count)
{
    std::string out;
    while (count-- > 0) out += text;
    return out;
}

// Texts and names in UTF-8, with {dir}; {fw} is the scratch path in
// fullwidth forms, {drv} its drive, {share} a share of the run's own
// (\\localhost\...), {path:N} a name in it whose full path has
// N UTF-16 units ({ascii:N} the same in ASCII), {emoji:N} N emoji of two
// units each, {short:name} the short form of an existing name's full path.
class UnicodeRun : public RunOutput {
protected:
    std::string Expand(std::string text)
    {
        text = harness::WithFolder(text, scratch_.path());
        for (size_t at; (at = text.find("{fw}")) != std::string::npos;) text.replace(at, 4, Fullwidth(scratch_.path()));
        for (size_t at; (at = text.find("{drv}")) != std::string::npos;) text.replace(at, 5, scratch_.path().substr(0, 2));
        for (size_t at; (at = text.find("{share}")) != std::string::npos;) text.replace(at, 7, Share());
        for (size_t at; (at = text.find("{emoji:")) != std::string::npos;)
            text.replace(at, text.find('}', at) + 1 - at, Repeated("\xF0\x9F\x93\x81", atoi(text.c_str() + at + 7)));
        for (size_t at; (at = text.find("{short:")) != std::string::npos;) {
            wchar_t shortForm[MAX_PATH] = {};
            size_t end = text.find('}', at);
            GetShortPathNameW(harness::Utf16(scratch_.Join(text.substr(at + 7, end - at - 7))).c_str(), shortForm, MAX_PATH);
            text.replace(at, end + 1 - at, harness::Utf8(shortForm));
        }
        for (std::string kind : {"{path:", "{ascii:"}) {
            for (size_t at; (at = text.find(kind)) != std::string::npos;) {
                // Folders of 60, as Wine's file system takes at most 255 bytes a name.
                int units = atoi(text.c_str() + at + kind.size()) - (int)scratch_.path().size() - 5;
                std::string path, unit = kind[1] == 'p' ? "\xE8\xA1\xA8" : "a";
                for (; units > 0; units -= 61) path += Repeated(unit, std::min(units, 60)) + (units > 60 ? "\\" : "");
                text.replace(at, text.find('}', at) + 1 - at, path + ".txt");
            }
        }
        return text;
    }

    // Windows serves the scratch folder as its drive's administrative share;
    // Wine serves \\server\share from its prefix's dosdevices\unc\server\share,
    // where the run makes a share of its own.
    std::string Share()
    {
        const std::string& dir = scratch_.path();
        if (!harness::RunningOnWine()) return "\\\\localhost\\" + dir.substr(0, 1) + "$" + dir.substr(2);
        if (!share_.empty()) return share_;
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        auto unixName = (char*(CDECL*)(const WCHAR*))(void*)GetProcAddress(kernel, "wine_get_unix_file_name");
        auto dosName = (WCHAR*(CDECL*)(const char*))(void*)GetProcAddress(kernel, "wine_get_dos_file_name");
        char* drive = unixName(L"C:\\");
        std::string devices = drive;
        devices.resize(devices.find("/dosdevices/") + 12), HeapFree(GetProcessHeap(), 0, drive);
        for (const char* folder : {"unc", "unc/localhost"}) {
            WCHAR* made = dosName((devices + folder).c_str());
            CreateDirectoryW(made, nullptr), HeapFree(GetProcessHeap(), 0, made);
        }
        return share_ = "\\\\localhost" + dir.substr(dir.rfind('\\'));
    }
    ~UnicodeRun() override
    {
        if (!share_.empty()) harness::RemoveTree(share_);
    }

    // Files, "|" between them, each "name" (in the scratch folder unless it
    // starts with "\\") holding its own full name or
    // "name=content" ("16:" or "BE:" before content held as UTF-16 LE or BE
    // with its mark; "before>after" for the content that the run writes);
    // an .exe is a copy of Tavrel, the exe to run. Returns that exe or "".
    std::string MakeFiles(const std::string& files)
    {
        std::string exe;
        kept_.clear();
        for (size_t at = 0, end = 0; end != std::string::npos && at < files.size(); at = end + 1) {
            end = files.find('|', at);
            std::string entry = Expand(files.substr(at, end - at));
            size_t equals = entry.find('=', entry.find('.'));
            std::string name = entry[0] == '\\' ? entry.substr(0, equals) : scratch_.Join(entry.substr(0, equals)), content = name;
            if (equals != std::string::npos) content = entry.substr(equals + 1);
            std::string after = content.substr(content.find('>') + 1);
            content.resize(std::min(content.size(), content.find('>')));
            if (content.compare(0, 3, "16:") == 0 || content.compare(0, 3, "BE:") == 0) {
                bool big = content[0] == 'B';
                std::wstring wide = L"\xFEFF" + harness::Utf16(content.substr(3));
                content.assign((const char*)wide.data(), wide.size() * sizeof(wchar_t));
                for (size_t i = 0; big && i + 1 < content.size(); i += 2) std::swap(content[i], content[i + 1]);
            }
            std::wstring wide = name[0] == '\\' ? L"\\\\?\\UNC" + harness::Utf16(name.substr(1)) : L"\\\\?\\" + harness::Utf16(name);
            for (size_t folder = wide.find(L'\\', 8); folder != std::wstring::npos;
                 folder = wide.find(L'\\', folder + 1))
                CreateDirectoryW(wide.substr(0, folder).c_str(), nullptr);
            if (name.compare(name.size() - 4, 4, ".exe") == 0) {
                exe = name;
                CopyFileW(harness::Utf16(harness::BuiltTavrelPath()).c_str(), wide.c_str(), FALSE);
                continue;
            }
            HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            DWORD written = 0;
            WriteFile(file, content.data(), (DWORD)content.size(), &written, nullptr);
            CloseHandle(file);
            kept_.push_back({name, after});
        }
        return exe;
    }

    static std::string ReadNamed(const std::string& name)
    {
        HANDLE file = CreateFileW(harness::Utf16(name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        char bytes[16384] = {};
        DWORD read = 0;
        ReadFile(file, bytes, sizeof(bytes), &read, nullptr);
        CloseHandle(file);
        return std::string(bytes, read);
    }

    // "{A}", "{U}" or "{O}" before a text places it as CF_TEXT (in the code
    // page), CF_UNICODETEXT or CF_OEMTEXT (in code page 437), and "{L}" before
    // hex digits that CF_LOCALE, in that order.
    static void PlaceFormats(const std::string& formats)
    {
        ASSERT_TRUE(OpenClipboard(nullptr) && EmptyClipboard());
        for (size_t at = 0, end; at < formats.size(); at = end) {
            end = formats.find('{', at + 3);
            std::wstring wide = harness::Utf16(formats.substr(at + 3, end - at - 3));
            char kind = formats[at + 1];
            UINT format = kind == 'U' ? CF_UNICODETEXT : kind == 'A' ? CF_TEXT : kind == 'O' ? CF_OEMTEXT : CF_LOCALE;
            LCID locale = strtoul(formats.c_str() + at + 3, nullptr, 16);
            if (format == CF_LOCALE) wide.assign((const wchar_t*)&locale, sizeof(locale) / sizeof(wchar_t));
            HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, wide.size() * 2 + 2);
            if (format == CF_UNICODETEXT || format == CF_LOCALE) memcpy(GlobalLock(block), wide.c_str(), wide.size() * 2);
            else WideCharToMultiByte(format == CF_TEXT ? CP_ACP : 437, 0, wide.c_str(), -1, (char*)GlobalLock(block),
                                     (int)wide.size() * 2 + 2, nullptr, nullptr);
            GlobalUnlock(block);
            SetClipboardData(format, block);
        }
        CloseClipboard();
    }

    struct Kept {
        std::string name, content;
    };
    std::vector<Kept> kept_;
    std::string share_;
};

// Names that the code page cannot hold, started as Explorer starts the exe,
// in Unicode, each beside the look-alike that Windows' best fit makes of it.
TEST_F(UnicodeRun, NoLookAlikeOfANameTheCodePageCannotHold)
{
    struct Case {
        UINT codePage;
        const char* files;
        const char* unicodeClipboard;
        const char* tail;
        const char* expected;
        const char* current = "";  // the run's folder in the scratch folder
    } cases[] = {
        {1252, "a／＃f=＂{fw}＼victim.txt＂.txt|victim.txt", "", "\"{dir}\\a／＃f=＂{fw}＼victim.txt＂.txt\" {dir}\\alpha.txt",
         "{dir}\\alpha.txt"},
        {1252, "Łódź.txt|Lódz.txt", "", "{dir}\\Łódź.txt {dir}\\alpha.txt", "{dir}\\alpha.txt"},
        {1252, "Łódź.txt|Lódz.txt", "{dir}\\Łódź.txt\r\n{dir}\\alpha.txt", "/#c", "{dir}\\alpha.txt"},
        {1252, "Lódz.txt", "", "/#f=\"{dir}\\Łódź.txt\" {dir}\\alpha.txt", kClipboardSentinel},
        {1252, "café.txt", "", "{dir}\\café.txt", "{dir}\\caf\xE9.txt"},
        {932, "résumé.txt|resume.txt", "", "{dir}\\résumé.txt {dir}\\alpha.txt", "{dir}\\alpha.txt"},
        {932, "résumé.txt|resume.txt", "{dir}\\résumé.txt\n{dir}\\alpha.txt", "/#c", "{dir}\\alpha.txt"},
        {932, "y¥z.txt|y\\z.txt", "", "{dir}\\y¥z.txt {dir}\\alpha.txt", "{dir}\\alpha.txt"},
        {932, "", "", "http://example.com/résumé.txt {dir}\\alpha.txt", "{dir}\\alpha.txt"},
        {932, "resume.txt", "", "/#f=\"{dir}\\résumé.txt\" {dir}\\alpha.txt", kClipboardSentinel},
        {932, "表.txt", "", "{dir}\\表.txt", "{dir}\\\x95\x5C.txt"},
        // No settings file from the look-alike of the exe's own folder.
        {1252, "Łódź\\x.exe|Lódz\\x.ini", "", "{dir}\\alpha.txt", "{dir}\\alpha.txt"},
        {932, "résumé\\x.exe|resume\\x.ini", "", "{dir}\\alpha.txt", "{dir}\\alpha.txt"},
        // A relative output file goes into the current folder itself, and
        // the folder's full path is no look-alike either.
        {1252, "plain.txt|Łódź\\out.txt=>plain.txt|Lódz\\out.txt=keep", "", "/#f=\"out.txt\" /#o=%^N {dir}\\plain.txt", kClipboardSentinel, "Łódź"},
        {1252, "plain.txt|Łódź\\out.txt=>plain.txt|Lódz\\out.txt=keep", "", "/#f=\"{drv}out.txt\" /#o=%^N {dir}\\plain.txt", kClipboardSentinel, "Łódź"},
        {932, "plain.txt|résumé\\out.txt=>plain.txt|resume\\out.txt=keep", "", "/#f=\"out.txt\" /#o=%^N {dir}\\plain.txt", kClipboardSentinel, "résumé"},
        {932, "plain.txt|f¥g\\out.txt=>plain.txt|f\\g\\out.txt=keep", "", "/#f=\"out.txt\" /#o=%^N {dir}\\plain.txt", kClipboardSentinel, "f¥g"},
        // The room for side names counts UTF-16 units, not the code page's bytes.
        {932, "{path:200}=>{dir}\\alpha.txt", "", "/#f=\"{dir}\\{path:200}\" {dir}\\alpha.txt", kClipboardSentinel},
        // A program that places both texts, its CF_TEXT a look-alike; CF_OEMTEXT alone.
        {1252, "Lódz.txt", "{A}{dir}\\Lódz.txt\r\n{dir}\\alpha.txt{U}{dir}\\Łódź.txt\r\n{dir}\\alpha.txt", "/#c", "{dir}\\alpha.txt"},
        {932, "resume.txt", "{A}{dir}\\resume.txt\r\n{dir}\\alpha.txt{U}{dir}\\résumé.txt\r\n{dir}\\alpha.txt", "/#c", "{dir}\\alpha.txt"},
        {1252, "ad.txt", "{O}{dir}\\αδ.txt\r\n{dir}\\alpha.txt", "/#c", "{dir}\\alpha.txt"},
        // Windows makes CF_TEXT in the locale's code page: 表 is then "•\" under 1252.
        {1252, "•\\x.txt", "{U}{dir}\\表x.txt\r\n{dir}\\alpha.txt{L}0411", "/#c", "{dir}\\alpha.txt"},
        // URLs, which any text names, by both routes.
        {1252, "", "", "http://example.com/Łódź.txt {dir}\\alpha.txt", "{dir}\\alpha.txt"},
        {1252, "", "http://example.com/Łódź.txt\r\n{dir}\\alpha.txt", "/#c", "{dir}\\alpha.txt"},
        {932, "", "http://example.com/Łódź.txt\r\n{dir}\\alpha.txt", "/#c", "{dir}\\alpha.txt"},
    };
    for (const Case& c : cases) {
        if (c.codePage != GetACP()) continue;
        std::string exe = MakeFiles(c.files);
        harness::SetClipboardText(kClipboardSentinel);
        std::string clipboard = Expand(c.unicodeClipboard);
        if (clipboard[0] == '{') PlaceFormats(clipboard);
        else if (!clipboard.empty()) harness::SetClipboardText(clipboard, true);
        tail_ = Expand(c.tail);
        std::string folder = c.current[0] ? scratch_.Join(c.current) : scratch_.path();
        EXPECT_EQ(0u, harness::RunTavrel(tail_, folder, exe, true)) << tail_;
        ExpectClipboard(Expand(c.expected));
        for (const Kept& file : kept_) EXPECT_EQ(file.content, ReadNamed(file.name)) << "tail: " << tail_ << "\n file: " << file.name;
    }
}

// "/#l": the block read back whole, its offsets counted from the expected
// fragment's UTF-8 ({url}: the scratch folder's file URL), and the text the
// same bytes as without "/#l".
TEST_F(UnicodeRun, LinksInHtmlFormat)
{
    struct Case {
        UINT codePage;  // 0: both
        const char *files, *tail, *fragment;
    } cases[] = {
        {0, "a&b 'c' #1%.txt", "\"{dir}\\a&b 'c' #1%.txt\" /#o=%^N", "<a href=\"{url}/a%26b%20%27c%27%20%231%25.txt\">a&amp;b 'c' #1%.txt</a>"},
        {1252, "café.txt", "{dir}\\café.txt /#o=%^A", "<a href=\"{url}/caf%C3%A9.txt\">café</a>"},
        {932, "表.txt|sub\\x", "{dir}\\表.txt {dir}\\sub", "<a href=\"{url}/%E8%A1%A8.txt\">{dir}\\表.txt</a><br><a href=\"{url}/sub/\">{dir}\\sub\\</a>"},
        {0, "表.txt|📁.txt", "/#u 表.txt {dir}\\📁.txt /#o=%^N", "<a href=\"{url}/%E8%A1%A8.txt\">表.txt</a><br><a href=\"{url}/%F0%9F%93%81.txt\">📁.txt</a>"},
        {0, "", "C:\\ /#o=%^P", "<a href=\"file:///C:/\">C:\\</a>"},
        {0, "", "http://h/s?q=a&b=<c> /#o=[%^P]", "<a href=\"http://h/s?q=a&amp;b=&lt;c&gt;\">[http://h/s?q=a&amp;b=&lt;c&gt;]</a>"},
        {0, "alpha.txt", "/#r=[BR] /#j=\", [BR]\" /#o=\"%^N\"[BR]x alpha.txt http://h/",
         "<a href=\"{url}/alpha.txt\">&quot;alpha.txt&quot;<br>x</a>, <br><a href=\"http://h/\">&quot;%^N&quot;<br>x</a>"},
    };
    std::string url = "file:///" + scratch_.path();
    std::replace(url.begin(), url.end(), '\\', '/');
    for (const Case& c : cases) {
        if (c.codePage && c.codePage != GetACP()) continue;
        MakeFiles(c.files);
        std::string tail = Expand(c.tail), fragment = Expand(c.fragment), without, with, html, expected(105, 0);
        for (size_t at; (at = fragment.find("{url}")) != std::string::npos;) fragment.replace(at, 5, url);
        bool unicode = tail.find("/#u") != std::string::npos;
        EXPECT_TRUE(harness::RunTavrel(tail, scratch_.path(), "", true) == 0 && harness::ReadClipboardText(&without, unicode));
        EXPECT_TRUE(harness::RunTavrel(tail + " /#l", scratch_.path(), "", true) == 0 && harness::ReadClipboardText(&with, unicode));
        if (HANDLE block = harness::OpenClipboardForTest() ? GetClipboardData(RegisterClipboardFormatA("HTML Format")) : nullptr)
            html = (const char*)GlobalLock(block), GlobalUnlock(block);
        CloseClipboard();
        size_t end = 137 + fragment.size();
        snprintf(&expected[0], 106, "Version:0.9\r\nStartHTML:%010u\r\nEndHTML:%010u\r\nStartFragment:%010u\r\nEndFragment:%010u\r\n",
                 105u, unsigned(end + 32), 137u, unsigned(end));
        expected += "<html><body><!--StartFragment-->" + fragment + "<!--EndFragment--></body></html>";
        EXPECT_EQ(expected, html) << "tail: " << tail;
        EXPECT_EQ(without, with) << "the text with \"/#l\" and without, tail: " << tail;
    }
}

// A run in Unicode: names in every script, in by the command line and the
// clipboard, out to the clipboard as UTF-16 and to a file as UTF-8 (outputs
// compared in UTF-8); template files by their encoding; the limits in units.
TEST_F(UnicodeRun, NamesInEveryScript)
{
    struct Case {
        UINT codePage;  // 0: both
        const char* files;
        const char* unicodeClipboard;
        const char* tail;
        const char* expected;
        const char* outputFile;
    } cases[] = {
        {0, "報告書.xlsx|Café.docx|Ωμέγα.txt|Жук.txt|한국어.txt|📁 notes.txt", "",
         "/#u /#o=%^N {dir}\\報告書.xlsx {dir}\\Café.docx {dir}\\Ωμέγα.txt {dir}\\Жук.txt {dir}\\한국어.txt \"{dir}\\📁 notes.txt\"",
         "報告書.xlsx\r\nCafé.docx\r\nΩμέγα.txt\r\nЖук.txt\r\n한국어.txt\r\n📁 notes.txt", ""},
        {0, "Ωμέγα.d\\Жук.txt", "", "/#U /#o=%^P|%^-P|%^D|%^-D|%^F|%^N|%^E|%^A|%^B {dir}\\Ωμέγα.d\\Жук.txt",
         "{dir}\\Ωμέγα.d\\Жук.txt|{dir}\\Ωμέγα.d\\Жук.txt|{dir}\\Ωμέγα.d\\|{dir}\\Ωμέγα.d|Ωμέγα|Жук.txt|.txt|Жук|"
         "{dir}\\Ωμέγα.d\\Жук", ""},
        {0, "報告書.xlsx|📁 notes.txt", "{dir}\\報告書.xlsx\r\n{dir}\\📁 notes.txt\r\nhttp://例え.jp/パス", "/#c /#o=%^A%^G /#u",
         "報告書%^G\r\n📁 notes%^G\r\n%^A例え.jp", ""},
        {0, "報告書.xlsx|Жук.txt", "", "/#u /#f=\"{dir}\\выход.txt\" /#o=%^N {dir}\\報告書.xlsx {dir}\\Жук.txt",
         "報告書.xlsx\r\nЖук.txt", "выход.txt"},
        // Template files: UTF-8 with and without its mark, UTF-16 LE, and
        // bytes that are no UTF-8, in the code page; the marker's default.
        {0, "한.txt|t.txt=\xEF\xBB\xBF%^A[↓]é", "", "/#u /#t=\"{dir}\\t.txt\" {dir}\\한.txt", "한\r\né", ""},
        {0, "한.txt|t.txt=%^A→", "", "/#u /#t=\"{dir}\\t.txt\" {dir}\\한.txt", "한→", ""},
        {0, "한.txt|t.txt=16:%^A→", "", "/#u /#t=\"{dir}\\t.txt\" {dir}\\한.txt", "한→", ""},
        {0, "한.txt|t.txt=BE:%^A→", "", "/#u /#t=\"{dir}\\t.txt\" {dir}\\한.txt", "한→", ""},
        {1252, "한.txt|t.txt=%^A\xE9", "", "/#u /#t=\"{dir}\\t.txt\" {dir}\\한.txt", "한é", ""},
        {932, "한.txt|t.txt=%^A\x95\x5C", "", "/#u /#t=\"{dir}\\t.txt\" {dir}\\한.txt", "한表", ""},
        // 259 units and 260; a pair at the cut of the inline template.
        {0, "{path:259}|{path:260}", "", "/#u {dir}\\{path:259} {dir}\\{path:260} /#o=%^P",
         "{dir}\\{path:259}\r\n{dir}\\{path:260}", ""},
        {0, "", "", "/#u {dir}\\alpha.txt /#o=xx{emoji:650}", "xx{emoji:648}", ""},
        {0, "b2.txt|b10.txt", "", "/#u /#s /#j=\"→\" /#o=%^N {dir}\\b10.txt {dir}\\b2.txt", "b2.txt→b10.txt", ""},
        // Short names in their long form in Unicode only, as given in the code page.
        {0, "Long Folder\\long name.txt", "", "/#u /#o=%^P {short:Long Folder\\long name.txt}",
         "{dir}\\Long Folder\\long name.txt", ""},
        {0, "Long Folder\\long name.txt", "", "/#o=%^P {short:Long Folder\\long name.txt}",
         "{short:Long Folder\\long name.txt}", ""},
        // A copy of the exe in a folder that no code page holds.
        {0, "한국\\x.exe|한국\\x.ini=%^A!", "", "/#u {dir}\\alpha.txt", "alpha!", ""},
    };
    for (const Case& c : cases) {
        if (c.codePage && c.codePage != GetACP()) continue;
        std::string exe = MakeFiles(c.files);
        harness::SetClipboardText(kClipboardSentinel);
        if (c.unicodeClipboard[0]) harness::SetClipboardText(Expand(c.unicodeClipboard), true);
        tail_ = Expand(c.tail);
        EXPECT_EQ(0u, harness::RunTavrel(tail_, scratch_.path(), exe, true)) << tail_;
        std::string got, expected = Expand(c.expected);
        if (c.outputFile[0]) got = ReadNamed(scratch_.Join(c.outputFile));
        else harness::ReadClipboardText(&got, true);
        EXPECT_EQ(expected, got) << "tail: " << tail_;
    }
}

// The nine File placeholders of a path, by the rules of the manual's table.
std::string EveryPlaceholder(const std::string& path, bool folder)
{
    size_t cut = path.rfind('\\'), dot = path.rfind('.');
    std::string d = path.substr(0, cut + 1), name = path.substr(cut + 1);
    std::string stem = name.substr(0, dot == std::string::npos || dot < cut ? name.size() : dot - cut - 1);
    std::string upper = d.substr(0, d.size() - 1), holder = upper.substr(upper.rfind('\\') + 1);
    return (folder ? path + "\\" : path) + "|" + path + "|" + d + "|" + upper + "|" + holder.substr(0, holder.rfind('.')) +
           "|" + name + "|" + name.substr(stem.size()) + "|" + stem + "|" + d + stem;
}

// "%^O|%^-O|%^Q|%^-Q" of the one item of a run, whose folder is the base.
std::string CommandForms(const std::string& path, bool folder)
{
    std::string full = folder ? path + "\\" : path, name = full.substr(path.rfind('\\') + 1), doubled = full;
    for (size_t at = 0; (at = doubled.find('\'', at)) != std::string::npos; at += 2) doubled.insert(at, "'");
    bool quoted = full.find_first_of(" &()[]{}^=;!'+,`~") != std::string::npos;
    return name + "|" + (folder ? name.substr(0, name.size() - 1) + "/" : name) + "|" +
           (quoted ? "\"" + full + (folder ? "\\\"" : "\"") : full) + "|'" + doubled + "'";
}

// Paths past 259 units in Unicode, from the command line, the clipboard's
// lines and Explorer's copied files, with the values that a short path gets;
// the same paths are no items in the code page.
TEST_F(UnicodeRun, LongItems)
{
    MakeFiles("{path:300}|{path:1000}|{ascii:3000}|{share}\\{path:300}");
    std::string p1000 = Expand("{dir}\\{path:1000}");
    const struct {
        std::string path;
        bool folder;
    } rows[] = {{Expand("{dir}\\{path:300}"), false},
                {p1000, false},
                {Expand("{dir}\\{ascii:3000}"), false},
                {p1000.substr(0, p1000.rfind('\\')), true},
                {"\\\\?\\" + p1000, false},
                {Expand("{share}\\{path:300}"), false}};
    const char* tpl = "%^P|%^-P|%^D|%^-D|%^F|%^N|%^E|%^A|%^B|%^O|%^-O|%^Q|%^-Q";
    for (const auto& row : rows) {
        std::string expected = EveryPlaceholder(row.path, row.folder) + "|" + CommandForms(row.path, row.folder);
        for (int source = 0; source < 4; ++source) {
            harness::SetClipboardText(kClipboardSentinel);
            if (source == 1) harness::SetClipboardText(row.path, true);
            if (source == 2) harness::SetClipboardBlock(CF_HDROP, harness::FileListBlock({row.path}, true));
            tail_ = std::string(source == 3 ? "" : "/#u ") + "/#o=" + tpl + (source == 1 || source == 2 ? " /#c" : " \"" + row.path + "\"");
            EXPECT_EQ(0u, harness::RunTavrel(tail_, scratch_.path(), "", true)) << tail_;
            std::string got;
            harness::ReadClipboardText(&got, true);
            EXPECT_EQ(source == 3 ? kClipboardSentinel : expected, got) << "source " << source << ", " << row.path.size() << " bytes";
        }
    }
}

// Names pass in the code page's bytes, unconverted, to the clipboard and into
// the name of the output file. Under code page 932 the name's first character
// has 0x5C, a backslash, as its second byte.
TEST_F(RunOutput, NamesInTheCodePageArriveAsTheyAre)
{
    std::string stem = GetACP() == 932 ? "\x95\x5C\x83\x65" : "\xE9t\xE9";
    scratch_.File(stem + ".txt", "content");
    if (Run("\"{dir}\\" + stem + ".txt\" /#o=%^N|%^A")) ExpectClipboard(stem + ".txt|" + stem);
    std::string target = scratch_.Join(stem + " out.txt");
    if (Run("/#f=\"" + target + "\" \"{dir}\\" + stem + ".txt\" /#o=%^-D\\%^A")) {
        ExpectFile(target, scratch_.Join(stem));
    }
}

// One more existing path than the list holds: the first thousand count.
TEST_F(RunOutput, FullListFromTheCommandLine)
{
    std::string tail = "/#o=%^A";
    for (int i = 0; i <= kItemCapacity; ++i) tail += " a";
    std::string expected = "a";
    for (int i = 1; i < kItemCapacity; ++i) expected += "\r\na";
    if (!Run(tail)) return;
    std::string got;
    EXPECT_TRUE(harness::ReadClipboardText(&got));
    EXPECT_EQ(expected.size(), got.size());
    EXPECT_TRUE(expected == got) << "got: " << Escaped(got.substr(0, 60)) << "...";
}

TEST_F(RunOutput, NamedFileGetsTheResultAndTheClipboardStays)
{
    struct Case {
        const char* existing;  // null: no file yet
        const char* tail;
        const char* expected;
        size_t pathLength = 0;  // of a target named to be that long in place of out.txt
        bool inLongFolder = false;  // that length made up by its folder, its name plan.txt
    } cases[] = {
        {nullptr, "/#f=\"{dir}\\out.txt\" {dir}\\a {dir}\\.x {dir}\\b /#o=%^A", "a\r\n\r\nb"},
        {kOldContent, "/#f=\"{dir}\\out.txt\" {dir}\\alpha.txt /#o=%^N", "alpha.txt"},
        {kOldContent, "/#f=\"{dir}\\out.txt\" {dir}\\.x /#o=%^A", ""},
        // The named file is no item, even when it exists; written with the
        // upper-case introducer it is still the output file, and an item too.
        {kOldContent, "{dir}\\beta.doc /#f=\"{dir}\\out.txt\" /#o=%^N", "beta.doc"},
        {kOldContent, "{dir}\\beta.doc /#F=\"{dir}\\out.txt\" /#o=%^N", "beta.doc\r\nout.txt"},
        {nullptr, "/#t=\"{dir}\\tpl.txt\" /#f=\"{dir}\\out.txt\" {dir}\\alpha.txt", "alpha.txt\r\n{dir}"},
        // Paths up to the longest that a plain write takes: the destination's name and more would not fit.
        {kOldContent, "/#f=\"{dir}\\out.txt\" {dir}\\alpha.txt /#o=%^N", "alpha.txt", 255},
        {kOldContent, "/#f=\"{dir}\\out.txt\" {dir}\\alpha.txt /#o=%^N", "alpha.txt", 259},
        {nullptr, "/#f=\"{dir}\\out.txt\" {dir}\\alpha.txt /#o=%^N", "alpha.txt", 259},
        {kOldContent, "/#f=\"{dir}\\out.txt\" {dir}\\alpha.txt /#o=%^N", "alpha.txt", 259, true},
    };
    for (const Case& c : cases) {
        std::string name = "out.txt", tail = c.tail;
        if (c.pathLength) name = std::string(c.pathLength - scratch_.path().size() - 5, 'n') + ".txt";
        if (c.inLongFolder) name = name.substr(0, name.size() - 9) + "\\plan.txt";
        tail.replace(tail.find("out.txt"), 7, name);
        std::string target = scratch_.File(name, c.existing ? c.existing : "");
        ASSERT_TRUE(!c.pathLength || target.size() == c.pathLength);
        std::string folder = target.substr(0, target.rfind('\\')), listing = FolderListing(folder);
        if (!c.existing) DeleteFileA(target.c_str());
        harness::SetClipboardText(kClipboardSentinel);
        if (!Run(tail)) continue;
        ExpectFile(target, harness::WithFolder(c.expected, scratch_.path()));
        ExpectClipboard(kClipboardSentinel);
        EXPECT_EQ(listing, FolderListing(folder));
    }
}

// Holds a file open the way another program might.
struct OpenFile {
    HANDLE handle;
    explicit OpenFile(const std::string& path)
        : handle(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~OpenFile()
    {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

TEST_F(RunOutput, FailedSaveLeavesEverythingAsItWas)
{
    struct Case {
        const char* what;
        const char* target;
        bool readOnly;
        bool heldOpen;
    } cases[] = {
        {"held open without sharing", "out.txt", false, true},
        {"read-only", "out.txt", true, false},
        {"missing folder", "missing\\out.txt", false, false},
        {"a folder", "sub", false, false},
    };
    for (const Case& c : cases) {
        std::string old = scratch_.File("out.txt", kOldContent);
        if (c.readOnly) SetFileAttributesA(old.c_str(), FILE_ATTRIBUTE_READONLY);
        std::string listing = FolderListing(scratch_.path());
        harness::SetClipboardText(kClipboardSentinel);
        {
            std::optional<OpenFile> holder;
            if (c.heldOpen) {
                holder.emplace(old);
                ASSERT_NE(INVALID_HANDLE_VALUE, holder->handle);
            }
            Run("/#f=\"{dir}\\" + std::string(c.target) + "\" {dir}\\alpha.txt");
        }
        SCOPED_TRACE(c.what);
        ExpectFile(old, kOldContent);
        ExpectClipboard(kClipboardSentinel);
        EXPECT_EQ(listing, FolderListing(scratch_.path()));
        SetFileAttributesA(old.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

// Another program (this test) holds the destination open without sharing while
// the exe saves, as a scanner does for a moment after a file is written: a
// brief hold is waited out, a long one fails the save in about a second.
TEST_F(RunOutput, HeldDestinationIsWaitedForBriefly)
{
    struct Case {
        DWORD holdMs;
        const char* expected;
        bool endsWithinHold;
    } cases[] = {
        {300, "alpha.txt", false},
        // Patience of about a second, plus the start of a process.
        {5000, kOldContent, true},
    };
    std::string exe = harness::BuiltTavrelPath();
    std::string commandLine =
        "\"" + exe + "\" " + harness::WithFolder("/#f=\"{dir}\\out.txt\" /#o=%^N {dir}\\alpha.txt", scratch_.path());
    for (const Case& c : cases) {
        std::string target = scratch_.File("out.txt", kOldContent);
        std::string listing = FolderListing(scratch_.path());
        OpenFile holder(target);
        ASSERT_NE(INVALID_HANDLE_VALUE, holder.handle);
        DWORD start = GetTickCount();
        HANDLE process = harness::StartProcess(exe, commandLine, scratch_.path());
        ASSERT_TRUE(process);
        DWORD waited = WaitForSingleObject(process, c.holdMs);
        DWORD elapsed = GetTickCount() - start;
        CloseHandle(holder.handle);
        holder.handle = INVALID_HANDLE_VALUE;
        EXPECT_EQ(0u, harness::WaitForExit(process));
        SCOPED_TRACE("held for " + std::to_string(c.holdMs) + " ms");
        EXPECT_EQ(c.endsWithinHold, waited == WAIT_OBJECT_0) << "ended after " << elapsed << " ms";
        EXPECT_TRUE(!c.endsWithinHold || elapsed < 3000) << "ended after " << elapsed << " ms";
        ExpectFile(target, c.expected);
        EXPECT_EQ(listing, FolderListing(scratch_.path()));
    }
}

// The test holds the clipboard for a window of its own while the exe runs,
// as another program would, for longer than the exe waits for it.
TEST_F(RunOutput, ClipboardHeldByAnotherProgram)
{
    HWND window = CreateWindowA("STATIC", "holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(OpenClipboard(window));
    DWORD start = GetTickCount();
    DWORD code = harness::RunTavrel(harness::WithFolder("{dir}\\alpha.txt", scratch_.path()), scratch_.path());
    EXPECT_LT(GetTickCount() - start, harness::kGiveUpOnHeldClipboardMs) << "waited too long";
    CloseClipboard();
    DestroyWindow(window);
    EXPECT_EQ(0u, code) << "the exe did not end while the clipboard was held";
    ExpectClipboard(kClipboardSentinel);
}

}  // namespace
