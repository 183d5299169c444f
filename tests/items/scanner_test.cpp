// ScanItems and CheckUrl against the scanner's rules, over real files and
// folders of a scratch folder that is the current directory, so that the
// cases name them relatively.
#include <windows.h>
#include <shlwapi.h>
#include <gtest/gtest.h>

#include <string>

#include "system/long_path.h"
#include "system/url_decompose.h"
#include "items/item_list.h"
#include "tests/items/items_support.h"
#include "tests/support/harness.h"

using harness::Escaped;

namespace {

struct ScanCase {
    ScanMode mode;
    const char* text;
    const char* expected;
};

const char* ModeName(ScanMode mode) { return mode == CommandLine ? "CommandLine" : "ClipboardText"; }

class ScannerTest : public InScratchFolder {
protected:
    void SetUp() override
    {
        InScratchFolder::SetUp();
        for (const char* name : {"a.txt", "ab.txt", "b c.txt", "list.txt", "out.txt"}) scratch_.File(name);
        for (const char* name : {"dir", "dirs", "d e"}) scratch_.Folder(name);
    }

    void ExpectScan(ScanMode mode, const std::string& text, const std::string& expected)
    {
        for (const AskingWay& way : kAskingWays) {
            AskedIn asked(way);
            PoisonItemList();
            ScanItems(text.c_str(), mode);
            std::string got = ListedItems();
            EXPECT_EQ(expected, got) << ModeName(mode) << ", asked " << way.name << ", input \"" << Escaped(text)
                                     << "\"\n  got      \"" << Escaped(got) << "\"\n  expected \"" << Escaped(expected) << "\"";
        }
    }

    void ExpectTable(const ScanCase* cases, size_t count)
    {
        for (size_t i = 0; i < count; ++i) ExpectScan(cases[i].mode, cases[i].text, cases[i].expected);
    }
};

// ".\" repeated: lengthens a relative path without changing what it names.
std::string Padded(int times, const std::string& name)
{
    std::string text;
    for (int i = 0; i < times; ++i) text += ".\\";
    return text + name;
}

}  // namespace

// Each row of the scanner's table, in the mode where it acts and in the one
// where it does not.
TEST_F(ScannerTest, TableRows)
{
    static const ScanCase cases[] = {
        // Row 1: an opening quote ends the word before it and starts a token.
        {CommandLine, "zz\"a.txt\"", "File a.txt\n"},
        {CommandLine, "a.txt\"a.txt\"", "File a.txt\nFile a.txt\n"},
        {ClipboardText, "b c.txt\"a.txt\" and more", "File b c.txt\nFile a.txt\n"},
        // Row 2: a closing quote ends its token; what follows starts the next.
        {CommandLine, "\"a.txt\"a.txt", "File a.txt\nFile a.txt\n"},
        {CommandLine, "\"a.txt\"\"dir\"", "File a.txt\nFile dir\n"},
        {CommandLine, "\"b c.txt\"", "File b c.txt\n"},
        {ClipboardText, "\"d e\"dir", "File d e\nFile dir\n"},
        // Row 3: a blank separates on the command line only, outside quotes.
        {CommandLine, "a.txt dir", "File a.txt\nFile dir\n"},
        {CommandLine, "  a.txt    dir  ", "File a.txt\nFile dir\n"},
        {CommandLine, "b c.txt", ""},
        {ClipboardText, "b c.txt", "File b c.txt\n"},
        {ClipboardText, "a.txt dir", ""},
        // Row 4: a line feed separates clipboard lines and closes a quote.
        {ClipboardText, "a.txt\ndir\n", "File a.txt\nFile dir\n"},
        {ClipboardText, "\"a.txt\nb c.txt", "File b c.txt\n"},
        {ClipboardText, "\"x\na.txt\"b c.txt", "File a.txt\n"},
        {CommandLine, "a.t\nxt", "File a.txt\n"},
        {CommandLine, "\"a.t\nxt\"", "File a.txt\n"},
        // Row 5: CR, and TAB anywhere, are removed and separate nothing.
        {CommandLine, "a.t\txt", "File a.txt\n"},
        {ClipboardText, "a.t\txt", "File a.txt\n"},
        {CommandLine, "a.t\rxt", "File a.txt\n"},
        {ClipboardText, "a.txt\r\ndir\r\n", "File a.txt\nFile dir\n"},
        {ClipboardText, "a.txt\rdir", ""},
        {ClipboardText, "\td \te\t", "File d e\n"},
        // The end of the text ends the last token; an open quote stays in it.
        {CommandLine, "a.txt", "File a.txt\n"},
        {CommandLine, "\"a.txt", ""},
        {CommandLine, "a.txt \"a.txt b c.txt", "File a.txt\n"},
        {ClipboardText, "\"a.txt", ""},
        {ClipboardText, "\"a.txt\r\na.txt", "File a.txt\n"},
        // Nothing to take.
        {CommandLine, "", ""},
        {ClipboardText, "", ""},
        {CommandLine, "  \r\n\t  ", ""},
        {ClipboardText, "   \r\n\r\n  \n\n", ""},
        {CommandLine, "\"\" \"\"\"", ""},
    };
    ExpectTable(cases, sizeof(cases) / sizeof(cases[0]));
}

TEST_F(ScannerTest, Normalisation)
{
    static const ScanCase cases[] = {
        {CommandLine, "\"  a.txt  \"", "File a.txt\n"},
        {ClipboardText, "   dir\\   ", "File dir\n"},
        {ClipboardText, "  \"  dir\\ \"  ", "File dir\n"},
        // A directory loses one trailing backslash; one without is unchanged.
        {CommandLine, "dir\\ dir", "File dir\nFile dir\n"},
        {CommandLine, "C:\\ c:\\", "File C:\nFile c:\n"},
        {CommandLine, "dir/", "File dir/\n"},
        // The root of the current drive keeps its only character.
        {CommandLine, "\\", "File \\\n"},
        // Stored as written: relative, letter case, no duplicate check.
        {CommandLine, "./a.txt .\\DIR\\ A.TXT", "File ./a.txt\nFile .\\DIR\nFile A.TXT\n"},
        {CommandLine, "a.txt a.txt", "File a.txt\nFile a.txt\n"},
        // Options name no path and are no URL.
        {CommandLine, "/#c /#f /#o=%^P /#v /#h /#r=x /#t= /#f=", ""},
    };
    ExpectTable(cases, sizeof(cases) / sizeof(cases[0]));
}

// The five bytes before a quoted value keep the template and output files of
// the run out of the list, but only in their exact form.
TEST_F(ScannerTest, OptionFilesLookBack)
{
    static const ScanCase cases[] = {
        {CommandLine, "/#t=\"list.txt\"", ""},
        {CommandLine, "/#f=\"out.txt\"", ""},
        {CommandLine, "/#t=\"dir\"", ""},
        {CommandLine, "a.txt /#t=\"list.txt\" /#f=\"out.txt\" dir", "File a.txt\nFile dir\n"},
        {CommandLine, "ab/#t=\"list.txt\"", ""},
        {ClipboardText, "/#t=\"list.txt\"\r\nlist.txt", "File list.txt\n"},
        {ClipboardText, "a.txt\r\n/#f=\"out.txt\"", "File a.txt\n"},
        // Normalisation removed more than the quotes: the window moves off.
        {CommandLine, "/#t=\" list.txt\"", "File list.txt\n"},
        {CommandLine, "/#t=\"list.txt \"", "File list.txt\n"},
        {CommandLine, "/#f=\"dir\\\"", "File dir\n"},
        // Other introducers, and letter case, do not count.
        {CommandLine, "/#T=\"list.txt\"", "File list.txt\n"},
        {CommandLine, "/#F=\"out.txt\"", "File out.txt\n"},
        {CommandLine, "/#o=\"list.txt\"", "File list.txt\n"},
        {CommandLine, "/#t=list.txt", ""},
        // Too near the start for a window.
        {CommandLine, "\"list.txt\"", "File list.txt\n"},
        {CommandLine, "#t=\"a.txt\"", "File a.txt\n"},
        // URLs are not looked back at.
        {CommandLine, "/#t=\"http://h/x\"", "Url http://h/x\n"},
        // The base folder is no item, found as its option is.
        {CommandLine, "/#b=\"dir\" dir", "File dir\n"},
        {CommandLine, "/#B=\"dir\\\" a.txt", "File a.txt\n"},
        {CommandLine, "/#b=\" dir \"", ""},
        {CommandLine, "\"/#b=\"dir\"", ""},
        {CommandLine, "/#b=\"http://h/x\"", ""},
        {CommandLine, "/#b= \"dir\"", "File dir\n"},
        {ClipboardText, "/#b=\"dir\"", "File dir\n"},
    };
    ExpectTable(cases, sizeof(cases) / sizeof(cases[0]));
}

TEST_F(ScannerTest, UrlCandidates)
{
    static const ScanCase cases[] = {
        {CommandLine, "http://host/x", "Url http://host/x\n"},
        {CommandLine, "HTTP://HOST/X Ftp://s/p", "Url HTTP://HOST/X\nUrl Ftp://s/p\n"},
        {CommandLine, "MAILTO:someone@example.com", "Url MAILTO:someone@example.com\n"},
        {CommandLine, "FILE:///C:/x.txt", "Url FILE:///C:/x.txt\n"},
        {CommandLine, "ftp://server/pub/a.zip\t", "Url ftp://server/pub/a.zip\n"},
        {CommandLine, "https://host/x", ""},
        {CommandLine, "http:/x htt http:", ""},
        // A blank ends a URL on the command line unless it is quoted.
        {CommandLine, "http://h/a b", "Url http://h/a\n"},
        {CommandLine, "\"http://h/a b\"", "Url http://h/a b\n"},
        {ClipboardText, "http://h/a b\r\n  http://h/c  ", "Url http://h/a b\nUrl http://h/c\n"},
    };
    ExpectTable(cases, sizeof(cases) / sizeof(cases[0]));
}

// Stored texts stay below 260 characters; a directory is measured without
// its trailing backslash. The platform still resolves the 260-character
// texts, so only the scanner's limit drops them.
TEST_F(ScannerTest, LengthLimits)
{
    const std::string url259 = "http://h/" + std::string(250, 'a');
    ASSERT_EQ(259u, url259.size());
    struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {Padded(127, "a.txt"), "File " + Padded(127, "a.txt") + "\n"},
        {Padded(127, "ab.txt"), ""},
        {Padded(128, "dir"), "File " + Padded(128, "dir") + "\n"},
        {Padded(128, "dir\\"), "File " + Padded(128, "dir") + "\n"},
        {Padded(128, "dirs"), ""},
        {url259, "Url " + url259 + "\n"},
        {url259 + "a", ""},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.text.compare(0, 4, "http") == 0 || PathFileExistsA(c.text.c_str()))
            << "the platform does not resolve " << c.text.size() << " characters: " << Escaped(c.text);
        ExpectScan(CommandLine, c.text, c.expected);
    }
}

// A token keeps at most 519 bytes: the rest is dropped, a closing quote that
// finds the token full is not kept, and the separator still ends the token.
TEST_F(ScannerTest, TokenLimit)
{
    const std::string quoted512 = "\"" + std::string(512, ' ') + "a.txt\"";
    const std::string quoted513 = "\"" + std::string(513, ' ') + "a.txt\"";
    const std::string long600(600, 'x');
    struct {
        ScanMode mode;
        std::string text;
        const char* expected;
    } cases[] = {
        {ClipboardText, std::string(514, ' ') + "a.txt", "File a.txt\n"},
        {ClipboardText, std::string(515, ' ') + "a.txt", ""},
        {CommandLine, quoted512, "File a.txt\n"},
        {CommandLine, quoted513, ""},
        {CommandLine, quoted513 + "a.txt", "File a.txt\n"},
        {CommandLine, long600 + " a.txt", "File a.txt\n"},
        {CommandLine, "\"" + long600 + "\" a.txt", "File a.txt\n"},
        {CommandLine, "\"" + long600 + "\"a.txt", "File a.txt\n"},
        {ClipboardText, long600 + "\r\na.txt", "File a.txt\n"},
        {ClipboardText, "\"" + long600 + "\r\n\"a.txt\"", "File a.txt\n"},
    };
    for (const auto& c : cases) ExpectScan(c.mode, c.text, c.expected);
}

// The 1000th item ends the scan: the token after it may have been asked
// about, but is never taken, nor tested as a URL, which would have
// overwritten the URL components.
TEST_F(ScannerTest, CapacityEndsTheScan)
{
    std::string text, lines, expected, expectedLines;
    for (int i = 0; i < 500; ++i) text += "a.txt dir ", expected += "File a.txt\nFile dir\n";
    for (int i = 0; i < 500; ++i) lines += "b c.txt\r\nd e\r\n", expectedLines += "File b c.txt\nFile d e\n";
    lstrcpynA(urlComponents.host, "untouched", sizeof(urlComponents.host));
    ExpectScan(CommandLine, text + "http://late/x", expected);
    ExpectScan(ClipboardText, lines + "http://late/x", expectedLines);
    EXPECT_STREQ("untouched", urlComponents.host);
}

TEST_F(ScannerTest, EveryScanStartsAfresh)
{
    ScanItems("a.txt dir", CommandLine);
    ASSERT_EQ(2, itemList.count);
    ScanItems("nothing", CommandLine);
    EXPECT_EQ(0, itemList.count);
}

// Under code page 932 the second byte of KATAKANA LETTER SO is 0x5C, which is
// no backslash; under 1252 the same bytes end in a real backslash.
TEST_F(ScannerTest, DoubleByteNameEndingIn5C)
{
    const std::string so = "\x83\x5C";
    ASSERT_TRUE(CreateDirectoryA(scratch_.Join("d" + so).c_str(), nullptr));
    if (GetACP() == 932) {
        ExpectScan(CommandLine, "d" + so, "File d" + so + "\n");
        ExpectScan(CommandLine, "d" + so + "\\", "File d" + so + "\n");
        ExpectScan(ClipboardText, "d" + so + "\r\n", "File d" + so + "\n");
    } else {
        ExpectScan(CommandLine, "d" + so, "File d\x83\n");
        ExpectScan(ClipboardText, "d" + so + "\r\n", "File d\x83\n");
    }
}

// A 260-byte directory text is too long for PathAddBackslashA, which leaves
// it alone; its last byte 0x5C, half of a character, must not be cut off to
// bring it under the limit.
TEST_F(ScannerTest, LongDoubleByteNameEndingIn5C)
{
    if (GetACP() != 932) GTEST_SKIP() << "0x5C after 0x83 is a backslash outside code page 932";
    const std::string so = "\x83\x5C";
    ASSERT_TRUE(CreateDirectoryA(scratch_.Join("d" + so).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(scratch_.Join("dd" + so).c_str(), nullptr));
    ASSERT_TRUE(PathIsDirectoryA(Padded(128, "dd" + so).c_str()));
    ExpectScan(CommandLine, Padded(128, "d" + so), "File " + Padded(128, "d" + so) + "\n");
    ExpectScan(CommandLine, Padded(128, "dd" + so), "");
}

// The rule's table, each component alone and inside a path.
TEST(HoldsShortName, ComponentsOfTheShortForm)
{
    const struct {
        const wchar_t* component;
        bool shortForm;
    } rows[] = {{L"PROGRA~1", true},     {L"PROG~FBU", true},    {L"REPORT~1.DOC", true}, {L"~1", true},
                {L"report~.txt", false}, {L"LONGNAME~1", false}, {L"name~1.html", false}, {L"a.b~1.c", false}};
    for (const auto& row : rows) {
        for (const std::wstring& path : {std::wstring(row.component), L"C:\\x y\\" + std::wstring(row.component) + L"\\z.txt"})
            EXPECT_EQ(row.shortForm, HoldsShortName(path.c_str())) << harness::Utf8(path);
    }
}

TEST(CheckUrl, PrefixesAndTheCracker)
{
    static const struct {
        const char* text;
        int expected;
    } cases[] = {
        {"http://h/x", 0},   {"HtTp://h/x", 0},    {"ftp://h/x", 0},  {"FTP://h", 0},
        {"mailto:a@b", 0},   {"Mailto:a@b", 0},    {"file:///C:/x", 0}, {"FILE://h/x", 0},
        {"https://h/x", -1}, {"http:/h/x", -1},    {"ftp:/h", -1},    {"mailto", -1},
        {"file:/C:/x", -1},  {" http://h/x", -1},  {"gopher://h/", -1}, {"", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, CheckUrl(c.text)) << "input \"" << Escaped(c.text) << "\"";
}

// A text with the right prefix that the cracker refuses is no URL: its path
// does not fit the path buffer together with the NUL.
TEST(CheckUrl, RefusedByTheCracker)
{
    const std::string fits = "http://h/" + std::string(258, 'a');
    EXPECT_EQ(0, CheckUrl(fits.c_str()));
    EXPECT_EQ(-1, CheckUrl((fits + "a").c_str()));
}
