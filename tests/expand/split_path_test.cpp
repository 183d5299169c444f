// Path splitting, table-driven: the four parts of every case, exact bytes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "expand/split_path.h"
#include "tests/support/harness.h"

using harness::Escaped;

namespace {

struct SplitCase {
    std::string path;
    const char* drive;
    const char* folder;
    const char* name;
    const char* extension;
};

void ExpectSplit(const SplitCase& c)
{
    PathParts parts;
    memset(&parts, 0xCC, sizeof(parts));
    SplitPath(c.path.c_str(), &parts);
    std::string got = std::string(parts.drive) + "|" + parts.folder + "|" + parts.name + "|" + parts.extension;
    std::string expected = std::string(c.drive) + "|" + c.folder + "|" + c.name + "|" + c.extension;
    EXPECT_EQ(expected, got) << "path: " << Escaped(c.path) << "\n got: " << Escaped(got)
                             << "\n expected: " << Escaped(expected);
}

}  // namespace

TEST(SplitPath, WorkedExamples)
{
    const SplitCase cases[] = {
        {"C:\\Work\\Report.final.txt", "C:", "\\Work\\", "Report.final", ".txt"},
        {"C:\\Work\\Sub", "C:", "\\Work\\", "Sub", ""},
        {"C:\\Work\\Sub\\", "C:", "\\Work\\Sub\\", "", ""},
        {"C:\\", "C:", "\\", "", ""},
        {"C:", "C:", "", "", ""},
        {"C:Report.txt", "C:", "", "Report", ".txt"},
        {"Report.txt", "", "", "Report", ".txt"},
        {"//Server/Share/a.txt", "", "//Server/Share/", "a", ".txt"},
        {"/docs/guide.html", "", "/docs/", "guide", ".html"},
        {"C:\\Work.old\\Notes", "C:", "\\Work.old\\", "Notes", ""},
        {"C:/Work/.profile", "C:", "/Work/", "", ".profile"},
        {"C:\\Work\\file.", "C:", "\\Work\\", "file", "."},
        {"C:\\Work\\..", "C:", "\\Work\\..", "", ""},
    };
    for (const SplitCase& c : cases) ExpectSplit(c);
}

TEST(SplitPath, EdgeCases)
{
    const SplitCase cases[] = {
        {"", "", "", "", ""},
        {"C:\\Work\\.", "C:", "\\Work\\.", "", ""},
        {"..", "", "..", "", ""},
        {"C:..", "C:", "..", "", ""},
        // A stem of dots belongs to the folder; the last dot still starts the extension.
        {"C:\\Work\\...", "C:", "\\Work\\..", "", "."},
        {"C:/Work/a.txt", "C:", "/Work/", "a", ".txt"},
        {"C:\\x\\a.txt:s", "C:", "\\x\\", "a", ".txt:s"},
        {"x:y\\z", "x:", "y\\", "z", ""},
        {"ab:c.d", "", "", "ab:c", ".d"},
        {"\\\\Server\\Share\\", "", "\\\\Server\\Share\\", "", ""},
        {"  C:\\a b\\c d .e f", "", "  C:\\a b\\", "c d ", ".e f"},
        {"C:\\*.?", "C:", "\\", "*", ".?"},
        {"a.b.c", "", "", "a.b", ".c"},
    };
    for (const SplitCase& c : cases) ExpectSplit(c);
}

TEST(SplitPath, OnlyTheFirst260BytesCount)
{
    // 3 + 250 + 1 = 254 bytes of folder and drive, then a 10-byte name: the
    // cut after byte 260 leaves "name.t" of "name.txtxx".
    std::string folder = "C:\\" + std::string(250, 'f') + "\\";
    ExpectSplit({folder + "name.txtxx", "C:", ("\\" + std::string(250, 'f') + "\\").c_str(), "name", ".t"});
}

TEST(SplitPath, PartsKeepAt255Bytes)
{
    // A 258-byte folder loses its end, final separator included.
    std::string longFolder = "\\" + std::string(256, 'd') + "\\";
    ExpectSplit({longFolder + "a", "", ("\\" + std::string(254, 'd')).c_str(), "a", ""});
    std::string longName(258, 'n');
    ExpectSplit({longName, "", "", std::string(255, 'n').c_str(), ""});
    ExpectSplit({"." + std::string(258, 'e'), "", "", "", ("." + std::string(254, 'e')).c_str()});
}

TEST(SplitPath, DoubleByteCharactersUnderCodePage932)
{
    if (GetACP() != 932) GTEST_SKIP() << "needs the Japanese code page";
    // The folder name is one character whose second byte is a backslash.
    const char omote[] = "\x95\x5C";
    ExpectSplit({std::string("C:\\") + omote + "\\a.txt", "C:", (std::string("\\") + omote + "\\").c_str(), "a",
                 ".txt"});
    ExpectSplit({std::string("C:\\") + omote, "C:", "\\", omote, ""});
    // A second byte of 0x2E or 0x3A is no dot and no colon.
    ExpectSplit({"\x81\x2E" "a", "", "", "\x81\x2E" "a", ""});
    ExpectSplit({"\x81\x3A" "b", "", "", "\x81\x3A" "b", ""});
    // A double-byte character that would straddle byte 260 is cut whole.
    std::string path = std::string(259, 'a') + omote;
    ExpectSplit({path, "", "", std::string(255, 'a').c_str(), ""});
    std::string name = std::string(254, 'n') + omote;
    ExpectSplit({name, "", "", std::string(254, 'n').c_str(), ""});
}

TEST(SplitPath, SecondByteIsASeparatorUnderSingleByteCodePages)
{
    if (GetACP() == 932) GTEST_SKIP() << "checks a single-byte code page";
    ExpectSplit({"C:\\\x95\\a.txt", "C:", "\\\x95\\", "a", ".txt"});
}

TEST(SplitPath, LoneLeadByteAtTheEndStaysInTheName)
{
    ExpectSplit({"C:\\a\x81", "C:", "\\", "a\x81", ""});
}
