// Options and template sources: ParseOptions against real template and
// settings files in a scratch folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/options.h"
#include "app/program_paths.h"
#include "tests/support/harness.h"

using harness::Escaped;

namespace {

const std::string kArrow = "[\x81\xAB]";

class Options : public testing::Test {
protected:
    void SetUp() override
    {
        ini_ = scratch_.Join("Tavrel.ini");
        lstrcpynA(settingsFilePath, ini_.c_str(), sizeof(settingsFilePath));
        scratch_.File("tpl.txt", "from template file");
        scratch_.File("tpl two.txt", "from the other template file");
        scratch_.Folder("folder.txt");
    }

    void Parse(const std::string& tail)
    {
        memset(&runSettings, 0, sizeof(runSettings));
        memset(runSettings.templateText, 0xCC, sizeof(runSettings.templateText) - 1);
        memset(runSettings.lineBreakMarker, 0xCC, sizeof(runSettings.lineBreakMarker) - 1);
        tail_ = harness::WithFolder(tail, scratch_.path());
        ParseOptions(tail_.c_str());
    }

    void ExpectTemplate(const std::string& expected)
    {
        EXPECT_EQ(expected, std::string(runSettings.templateText))
            << "tail: " << Escaped(tail_) << "\n got: " << Escaped(runSettings.templateText)
            << "\n expected: " << Escaped(expected);
    }

    harness::ScratchFolder scratch_;
    std::string ini_;
    std::string tail_;
};

TEST_F(Options, TemplateSourcesInOrderOfPrecedence)
{
    struct Case {
        const char* tail;
        const char* settingsFile;  // null: no settings file
        std::string expected;
        size_t settingsLength = std::string::npos;  // for a file with a NUL
    } cases[] = {
        {"", nullptr, "%^P"},
        {"", "from settings", "from settings"},
        {"/#o=%^N", "from settings", "%^N"},
        {"/#t=\"{dir}\\tpl.txt\" /#o=%^N", "from settings", "from template file"},
        {"/#T=\"{dir}\\tpl.txt\"", nullptr, "from template file"},
        {"/#t=\"{dir}\\tpl two.txt\"", nullptr, "from the other template file"},
        // A template file that fails leaves no trace.
        {"/#t=\"{dir}\\missing.txt\" /#o=%^N", "from settings", "%^N"},
        {"/#t=\"{dir}\\missing.txt\"", "from settings", "from settings"},
        {"/#t=\"{dir}\\folder.txt\"", "from settings", "from settings"},
        {"/#t=\"\" /#o=%^A", nullptr, "%^A"},
        {"/#t=\"{dir}\\tpl.txt", "from settings", "from settings"},
        // Without its quote the option is no option at all.
        {"/#t={dir}\\tpl.txt", "from settings", "from settings"},
        // An empty inline value keeps %^P and still shuts out the settings file.
        {"/#o=", "from settings", "%^P"},
        {"/#o= x", "from settings", "%^P"},
        {"a /#o=%^A", "from settings", "%^A"},
        {"/#o=%^A b /#o=%^B", nullptr, "%^A"},
        {"/#O=%^D", nullptr, "%^D"},
        {"/#o=\"%^P\"\tx y", nullptr, "\"%^P\"\tx"},
        {"", "", ""},
        {"", "before\0after", "before", 12},
        {"", "line one\r\nline two\r\n", "line one\r\nline two\r\n"},
    };
    for (const Case& c : cases) {
        if (c.settingsFile) harness::WriteBytes(ini_, std::string(c.settingsFile, c.settingsLength == std::string::npos ? strlen(c.settingsFile) : c.settingsLength));
        else DeleteFileA(ini_.c_str());
        Parse(c.tail);
        ExpectTemplate(c.expected);
    }
}

TEST_F(Options, TemplateByteLimits)
{
    std::string inline1299(1299, 'i');
    Parse("/#o=" + inline1299 + "cut off");
    ExpectTemplate(inline1299);
    Parse("/#o=" + inline1299.substr(1) + "\x95\x5C");
    ExpectTemplate(inline1299.substr(1) + (GetACP() == 932 ? "" : "\x95"));

    std::string file2599(2599, 'f');
    harness::WriteBytes(ini_, file2599);
    Parse("");
    ExpectTemplate(file2599);

    harness::WriteBytes(ini_, file2599 + "g");
    Parse("");
    ExpectTemplate("%^P");

    scratch_.File("big.txt", std::string(2600, 'b'));
    Parse("/#t=\"{dir}\\big.txt\" /#o=%^E");
    ExpectTemplate("%^E");
}

TEST_F(Options, TemplateFileHeldWithoutSharingIsNotRead)
{
    std::string path = scratch_.File("locked.txt", "locked");
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    Parse("/#t=\"{dir}\\locked.txt\" /#o=%^N");
    CloseHandle(held);
    ExpectTemplate("%^N");
}

TEST_F(Options, FailedLoadKeepsTheTemplate)
{
    Parse("/#o=%^B");
    EXPECT_EQ(0, LoadTemplateFile(scratch_.Join("folder.txt").c_str()));
    EXPECT_EQ(0, LoadTemplateFile(scratch_.Join("missing.txt").c_str()));
    ExpectTemplate("%^B");
    EXPECT_EQ(1, LoadTemplateFile(scratch_.Join("tpl.txt").c_str()));
    ExpectTemplate("from template file");
}

TEST_F(Options, OutputDestination)
{
    std::string path518 = "C:\\" + std::string(515, 'p');
    struct Case {
        std::string tail;
        OutputMode mode;
        std::string path;
        std::string base = "";
    } cases[] = {
        {"", Clipboard, ""},
        {"/#f=\"C:\\out.txt\"", NamedFile, "C:\\out.txt"},
        {"/#F=\"C:\\a b\\out.txt\" /#f", NamedFile, "C:\\a b\\out.txt"},
        {"/#f=\"C:\\one.txt\" /#f=\"C:\\two.txt\"", NamedFile, "C:\\one.txt"},
        {"/#f=\"C:\\tab\there.txt\"", NamedFile, "C:\\tab\there.txt"},
        // Not accepted: no Save As dialog either.
        {"/#f=\"\"", Clipboard, ""},
        {"/#f=\"C:\\out.txt", Clipboard, ""},
        {"/#f=\"" + path518 + "\"", NamedFile, path518},
        {"/#f=\"" + path518 + "x\"", Clipboard, ""},
        // A bare /#f, or /#f= without its quote, asks for the file.
        {"/#f", AskForFile, ""},
        {"/#F", AskForFile, ""},
        {"/#f=C:\\out.txt", AskForFile, ""},
        {"http://server/page/#files", AskForFile, ""},
        // The base folder: kept as written when it could be an item.
        {"/#b=\"C:\\proj\" /#B=\"x\"", Clipboard, "", "C:\\proj"},
        {"/#B=\"..\\a b\\\"", Clipboard, "", "..\\a b\\"},
        {"/#b=\"C:\\proj", Clipboard, ""},
        {"/#b=\"\"", Clipboard, ""},
        {"/#b=\"" + path518.substr(0, 259) + "\"", Clipboard, "", path518.substr(0, 259)},
        {"/#b=\"" + path518.substr(0, 260) + "\"", Clipboard, ""},
    };
    for (const Case& c : cases) {
        Parse(c.tail);
        EXPECT_EQ(c.mode, runSettings.outputMode) << "tail: " << Escaped(c.tail);
        EXPECT_EQ(c.path, std::string(runSettings.outputFilePath)) << "tail: " << Escaped(c.tail);
        EXPECT_EQ(c.base, std::string(runSettings.baseFolder)) << "tail: " << Escaped(c.tail);
    }
}

// The separator rows: null where "/#j=" is ignored and CR LF stays.
TEST_F(Options, LineBreakMarker)
{
    std::string full(259, 'j'), cut = std::string(258, 'j') + (GetACP() == 932 ? "" : "\x95");
    struct Case {
        std::string tail;
        std::string marker;
        const char* separator = nullptr;
    } cases[] = {
        {"", kArrow},
        {"/#r=[BR] x", "[BR]"},
        {"/#R=<> x", "<>"},
        // Ended by a blank, one byte is too short; ended by the tail it is enough.
        {"/#r=| x", kArrow},
        {"x /#r=|", "|"},
        {"/#r= x", kArrow},
        {"x /#r=", kArrow},
        {"/#r=0123456789abc x", "0123456789"},
        {"/#r=0123456789", "0123456789"},
        {"/#r=0123456789 x", "0123456789"},
        {"/#r=\"\t\" x", "\"\t\""},
        {"/#r=ab /#r=cd", "ab"},
        // Under 932 the cut moves back to the start of the character it would split.
        {"/#r=ABCDEFGHI\x95\x5C x", GetACP() == 932 ? "ABCDEFGHI" : "ABCDEFGHI\x95"},
        {"/#j=\", [BR]\" /#r=[BR]", "[BR]", ", [BR]"},
        {"/#J=\"\"", kArrow, ""},
        {"/#j=\"a\" /#j=\"b\"", kArrow, "a"},
        {"/#j=\";", kArrow},
        {"/#j=\"" + std::string(300, 'j') + "\"", kArrow, full.c_str()},
        {"/#j=\"" + std::string(258, 'j') + "\x95\x5C\"", kArrow, cut.c_str()},
    };
    for (const Case& c : cases) {
        Parse(c.tail);
        EXPECT_EQ(c.marker, std::string(runSettings.lineBreakMarker))
            << "tail: " << Escaped(c.tail) << "\n got: " << Escaped(runSettings.lineBreakMarker);
        EXPECT_EQ(c.separator != nullptr, runSettings.itemSeparatorGiven != 0) << "tail: " << Escaped(c.tail);
        EXPECT_EQ(c.separator ? c.separator : "", std::string(runSettings.itemSeparator)) << "tail: " << Escaped(c.tail);
    }
}

TEST_F(Options, Switches)
{
    struct Case {
        const char* tail;
        int clipboard, version, help, sort = 0;
    } cases[] = {
        {"", 0, 0, 0},
        {"/#c", 1, 0, 0},
        {"/#V /#H", 0, 1, 1},
        {"x/#cy", 1, 0, 0},
        {"http://server/a/#help", 0, 0, 1},
        {"/#o=/#v", 0, 1, 0},
        {"/#S", 0, 0, 0, 1},
        {"http://server/a/#section", 0, 0, 0, 1},
    };
    for (const Case& c : cases) {
        Parse(c.tail);
        EXPECT_EQ(c.clipboard, runSettings.clipboardSource) << c.tail;
        EXPECT_EQ(c.version, runSettings.showVersion) << c.tail;
        EXPECT_EQ(c.help, runSettings.showHelp) << c.tail;
        EXPECT_EQ(c.sort, runSettings.sortItems) << c.tail;
    }
}

TEST_F(Options, HugeCommandLinesStayBounded)
{
    std::string quotes;
    for (int i = 0; i < 32000; ++i) quotes += "\" \t"[i % 3];
    Parse("/#t=" + quotes);
    ExpectTemplate("%^P");
    Parse("/#f=\"" + std::string(32000, 'x'));
    EXPECT_EQ(Clipboard, runSettings.outputMode);
    Parse("/#o=" + std::string(32000, 'o'));
    ExpectTemplate(std::string(1299, 'o'));
    Parse("/#r=" + std::string(32000, 'r'));
    EXPECT_EQ(std::string(10, 'r'), std::string(runSettings.lineBreakMarker));
}

}  // namespace
