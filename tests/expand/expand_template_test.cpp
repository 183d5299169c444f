// ExpandTemplate with File items: the line-break pass, the nine File
// placeholders and their values, names that form or hold tokens, the
// 3899-byte bound and the backslash of "%^P", in-process and through the
// built exe.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <string>

#include "app/options.h"
#include "expand/expand_template.h"
#include "tests/support/harness.h"

using harness::Escaped;

namespace {

const char kPoison = '\xCC';
const int kGuardSize = 64;

// The line, with a guard behind the caller's 3900 bytes that must stay as poisoned.
std::string Expand(const std::string& templateText, const std::string& item)
{
    struct {
        char line[kLineBufferSize];
        char guard[kGuardSize];
    } out;
    memset(&out, kPoison, sizeof(out));
    ExpandTemplate(templateText.c_str(), item.c_str(), File, out.line);
    EXPECT_EQ(std::string(kGuardSize, kPoison), std::string(out.guard, kGuardSize)) << "wrote past the line";
    EXPECT_LT(strnlen(out.line, kLineBufferSize), (size_t)kLineBufferSize) << "no NUL in the line";
    return std::string(out.line, strnlen(out.line, kLineBufferSize));
}

void SetMarker(const char* marker)
{
    lstrcpynA(runSettings.lineBreakMarker, marker, sizeof(runSettings.lineBreakMarker));
}

struct Case {
    std::string templateText;
    std::string item;
    std::string expected;
};

void ExpectLine(const Case& c)
{
    std::string got = Expand(c.templateText, c.item);
    EXPECT_TRUE(c.expected == got) << "template \"" << Escaped(c.templateText) << "\" item \"" << Escaped(c.item)
                                   << "\"\n  got      \"" << Escaped(got) << "\"\n  expected \""
                                   << Escaped(c.expected) << "\"";
}

class ExpandTemplateTest : public testing::Test {
protected:
    void SetUp() override { SetMarker(kDefaultLineBreakMarker); }
    void TearDown() override { SetMarker(kDefaultLineBreakMarker); }
};

const char kFile[] = "C:\\Work\\Report.final.txt";

// The values of the nine placeholders for a file (which need not exist) and
// for a real directory.
TEST_F(ExpandTemplateTest, FileValues)
{
    const Case cases[] = {
        {"%^P", kFile, "C:\\Work\\Report.final.txt"},
        {"%^-P", kFile, "C:\\Work\\Report.final.txt"},
        {"%^D", kFile, "C:\\Work\\"},
        {"%^-D", kFile, "C:\\Work"},
        {"%^F", kFile, "Work"},
        {"%^N", kFile, "Report.final.txt"},
        {"%^E", kFile, ".txt"},
        {"%^A", kFile, "Report.final"},
        {"%^B", kFile, "C:\\Work\\Report.final"},
        {"%^A (%^E) in %^-D", kFile, "Report.final (.txt) in C:\\Work"},
    };
    for (const Case& c : cases) ExpectLine(c);
}

TEST_F(ExpandTemplateTest, DirectoryValues)
{
    harness::ScratchFolder scratch;
    const std::string work = scratch.Folder("Work");
    const std::string sub = scratch.Folder("Work\\Sub");
    const Case cases[] = {
        {"%^P", sub, sub + "\\"},        {"%^-P", sub, sub},     {"%^D", sub, work + "\\"},
        {"%^-D", sub, work},             {"%^F", sub, "Work"},   {"%^N", sub, "Sub"},
        {"%^E", sub, ""},                {"%^A", sub, "Sub"},    {"%^B", sub, sub},
        {"\"%^P\"|%^-P", sub, "\"" + sub + "\\\"|" + sub},
    };
    for (const Case& c : cases) ExpectLine(c);
}

// "%^P" asks the file system at the time of the expansion.
TEST_F(ExpandTemplateTest, DirectoryBackslashFollowsTheFileSystem)
{
    harness::ScratchFolder scratch;
    const std::string dir = scratch.Folder("gone");
    ExpectLine({"%^P", dir, dir + "\\"});
    RemoveDirectoryA(dir.c_str());
    ExpectLine({"%^P", dir, dir});
    const std::string file = scratch.File("became");
    ExpectLine({"%^P", file, file});
    DeleteFileA(file.c_str());
    CreateDirectoryA(file.c_str(), nullptr);
    ExpectLine({"%^P", file, file + "\\"});
}

TEST_F(ExpandTemplateTest, EdgeCases)
{
    const Case cases[] = {
        {"", kFile, ""},
        {"no placeholders, 100% ^ plain", kFile, "no placeholders, 100% ^ plain"},
        {"x%^Ay", kFile, "xReport.finaly"},
        {"%^n|%^N|%^-d|%^-D|%^a", kFile, "Report.final.txt|Report.final.txt|C:\\Work|C:\\Work|Report.final"},
        {"%^N[\x81\xAB]%^D", kFile, "Report.final.txt\r\nC:\\Work\\"},
        // The marker is replaced before any value is inserted.
        {"%^N", "C:\\Work\\a[\x81\xAB]b.txt", "a[\x81\xAB]b.txt"},
        {"%^-P %^P", kFile, "C:\\Work\\Report.final.txt C:\\Work\\Report.final.txt"},
        {"%^D|%^-D|%^F|%^B", "C:\\Report.txt", "C:\\|C:||C:\\Report"},
        {"%^-P|%^D|%^-D|%^F|%^N|%^E|%^A|%^B", "C:", "C:|C:|C:|||||C:"},
        {"[%^D|%^-D|%^F|%^B]", "Report.txt", "[|||Report]"},
        {"x\\%^-D", "Report.txt", "x\\"},
        {"%^A|%^E", "C:\\Work\\.profile", "|.profile"},
        {"%^A|%^E|%^N", "C:\\Work\\file.", "file|.|file."},
        {"%^F", "C:\\Work.old\\Notes.txt", "Work"},
        {"%^D|%^-D|%^F", "C:/Work/a.txt", "C:/Work/|C:/Work/|"},
        {"%^F", "\\\\Server\\Share\\a.txt", "Share"},
        {"%^G%^J%^K%^L%^-L%^H%^I", kFile, "%^G%^J%^K%^L%^-L%^H%^I"},
        {"\"%^P\"", "C:\\My Files\\a b.txt", "\"C:\\My Files\\a b.txt\""},
        {"%^-X %^ % ^ %^- %", kFile, "%^-X %^ % ^ %^- %"},
    };
    for (const Case& c : cases) ExpectLine(c);
}

TEST_F(ExpandTemplateTest, DriveRootItemGetsItsBackslash) { ExpectLine({"%^P", "C:", "C:\\"}); }

TEST_F(ExpandTemplateTest, MarkerInAnyCase)
{
    SetMarker("[BR]");
    ExpectLine({"a[br]b[Br]c[BR]", kFile, "a\r\nb\r\nc\r\n"});
    ExpectLine({"%^N[br]", "C:\\x\\[BR].txt", "[BR].txt\r\n"});
    SetMarker("\n");
    ExpectLine({"a\nb\r\nc", kFile, "a\r\nb\r\r\nc"});
}

// With the marker LF CR every replacement swaps an LF and a CR and may form
// the marker again: each run of CR and LF bytes ends with its CRs first. A
// byte that is the second of a double-byte character belongs to no run.
TEST_F(ExpandTemplateTest, MarkerThatFormsItselfAgain)
{
    const bool japanese = GetACP() == 932;
    SetMarker("\n\r");
    const Case cases[] = {
        {"a\n\n\r\rb\n\r|%^E", kFile, "a\r\r\n\nb\r\n|.txt"},
        {std::string(1300, '\n') + std::string(1299, '\r'), kFile, std::string(1299, '\r') + std::string(1300, '\n')},
        {"\x81\n\r\n", kFile, japanese ? "\x81\n\r\n" : "\x81\r\n\n"},
    };
    for (const Case& c : cases) ExpectLine(c);
}

// Values that later passes, or the same pass with the value's neighbours,
// read as tokens again: replaced as by a search that starts again at the
// beginning after every replacement.
TEST_F(ExpandTemplateTest, ValuesThatFormTokens)
{
    const Case cases[] = {
        {"%^P", "C:\\Work\\50%^E.txt", "C:\\Work\\50.txt.txt"},
        {"%%^N", "C:\\x\\^N", "^N"},
        {"%%%^N|", "C:\\x\\^N", "^N|"},
        {"%^%^N", "C:\\x\\E.txt", ".txt.txt"},
        {"%^%^N", "C:\\x\\-P", "%^-P"},
        {"%^%^N", "C:\\x\\B", "C:\\x\\B"},
        {"%^-%^N", "C:\\x\\D", "%^-D"},
        {"%^N^N", "C:\\x\\%", "%"},
    };
    for (const Case& c : cases) ExpectLine(c);
}

// A value that holds its own token is inserted once for every occurrence in
// the line; the copy it brings along stays.
TEST_F(ExpandTemplateTest, ValuesThatHoldTheirToken)
{
    const Case cases[] = {
        {"%^N", "C:\\Work\\a%^N.txt", "a%^N.txt"},
        {"%^N|%^n", "C:\\Work\\a%^n.txt", "a%^n.txt|a%^n.txt"},
        {"%^N", "C:\\Work\\%^n", "%^n"},
        {"%^P", "C:\\Work\\a%^N.txt", "C:\\Work\\aa%^N.txt.txt"},
        {"%%^N", "C:\\Work\\^N%^N", "%^N%^N"},
        {"%^B", "C:\\%^b\\x", "C:\\%^b\\x"},
        {"%^P", "C:\\a%^D\\b.txt", "C:\\aC:\\a%^D\\\\b.txt"},
    };
    for (const Case& c : cases) ExpectLine(c);
}

// A replacement that would make the line longer than 3899 bytes is not made,
// and its pass ends there; later passes go on.
TEST_F(ExpandTemplateTest, LineBound)
{
    const std::string item = "C:\\" + std::string(193, 'n') + ".txt";  // 200 bytes
    std::string manyPaths;
    for (int i = 0; i < 865; ++i) manyPaths += "%^P";
    std::string expected = ".txt";
    for (int i = 0; i < 6; ++i) expected += item;
    for (int i = 6; i < 865; ++i) expected += "%^P";
    ExpectLine({"%^E" + manyPaths, item, expected});

    SetMarker("|");
    std::string breaks = "\r\n";
    for (int i = 1; i < 1300; ++i) breaks += "\r\n";
    ExpectLine({std::string(2599, '|'), item, breaks + std::string(1299, '|')});
}

// PathAddBackslashA writes behind the text, so a 259-byte directory has no
// room for the backslash. The paths reach their length through ".\" steps.
TEST_F(ExpandTemplateTest, DirectoryWithoutRoomForTheBackslash)
{
    harness::ScratchFolder scratch;
    scratch.Folder("d");
    scratch.Folder("dd");
    for (size_t length : {258u, 259u}) {
        std::string item = scratch.path() + "\\";
        while (length - item.size() > 2) item += ".\\";
        item += std::string(length - item.size(), 'd');
        ASSERT_TRUE(PathIsDirectoryA(item.c_str())) << item;
        ExpectLine({"%^P|%^-P", item, (length == 258 ? item + "\\" : item) + "|" + item});
    }
}

TEST_F(ExpandTemplateTest, DoubleByteCharacters)
{
    const bool japanese = GetACP() == 932;
    const std::string table = "C:\\\x95\x5C\\a.txt";  // a folder whose second byte is 0x5C under 932
    const Case cases[] = {
        // Under 932 the lead byte 0x81 takes the '%' as its second byte.
        {"\x81%^N", kFile, japanese ? "\x81%^N" : "\x81Report.final.txt"},
        {"\x95\x5C%^N", kFile, "\x95\x5CReport.final.txt"},
        {"%^D|%^-D|%^F", table, std::string("C:\\\x95\x5C\\|C:\\\x95\x5C|") + (japanese ? "\x95\x5C" : "")},
        {"%^N", "C:\\x\\\x83\x41%^n", "\x83\x41%^n"},
    };
    for (const Case& c : cases) ExpectLine(c);
}

// Markers of other bytes go to the platform, which folds the letters of the
// code page: accented ones under 1252, full-width ones under 932.
TEST_F(ExpandTemplateTest, MarkerLettersOfTheCodePage)
{
    const bool japanese = GetACP() == 932;
    SetMarker("\x82\x60");
    ExpectLine({"x\x82\x81y\x82\x60", kFile, japanese ? "x\r\ny\r\n" : "x\x82\x81y\r\n"});
    SetMarker("[\xC9]");
    ExpectLine({"[\xE9]|[\xC9]", kFile, japanese ? "[\xE9]|\r\n" : "\r\n|\r\n"});
}

// A folder cut at its 255-byte limit right after a double-byte character
// whose second byte is 0x5C: "%^-D" and "%^F" must not take that byte for
// a backslash and leave a lone lead byte.
TEST_F(ExpandTemplateTest, FolderCutAfterTrailByteBackslash)
{
    if (GetACP() != 932) GTEST_SKIP() << "0x95 0x5C is one character only under code page 932";
    const std::string stem = std::string(252, 'a') + "\x95\x5C";
    const std::string item = "C:\\" + stem + "\\n";
    ASSERT_EQ(259u, item.size());
    ExpectLine({"%^-D|%^F|%^N", item, "C:\\" + stem + "|" + stem + "|n"});
}

TEST(ExpandThroughTheExe, FileAndDirectoryLines)
{
    harness::ScratchFolder scratch;
    const std::string work = scratch.Folder("Work");
    const std::string file = scratch.File("Work\\Report.final.txt");
    const std::string sub = scratch.Folder("Work\\Sub");
    harness::SetClipboardText(harness::kClipboardSentinel);
    const std::string tail = "\"" + file + "\" \"" + sub + "\" /#r=<> /#o=%^A(%^E)in%^-D<>%^P<>%^R|%^S";
    ASSERT_EQ(0u, harness::RunTavrel(tail, scratch.path())) << tail;
    std::string got;
    ASSERT_TRUE(harness::ReadClipboardText(&got));
    auto slashed = [](std::string path) { return std::replace(path.begin(), path.end(), '\\', '/'), path; };
    const std::string expected = "Report.final(.txt)in" + work + "\r\n" + file + "\r\n" + file + "|" + slashed(file) +
                                 "\r\n" + "Sub()in" + work + "\r\n" + sub + "\\\r\n" + sub + "\\|" + slashed(sub) + "/";
    EXPECT_EQ(expected, got) << "tail " << Escaped(tail) << "\n  got      \"" << Escaped(got)
                             << "\"\n  expected \"" << Escaped(expected) << "\"";
}

}  // namespace
