// The scanner's two worked examples, rebuilt on real files: D: stands for
// the first free drive letter, mapped to a scratch folder, and the paths on
// C: lie in another scratch folder written where the examples write "C:".
#include <windows.h>
#include <shlwapi.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "items/item_list.h"
#include "tests/items/items_support.h"
#include "tests/support/harness.h"

using harness::Escaped;

namespace {

class WorkedExamples : public testing::Test {
protected:
    void SetUp() override
    {
        cRoot_ = scratch_.Folder("C");
        scratch_.File("D\\tpl\\list.txt", "<%^P>");
        scratch_.Folder("D\\Music");
        for (const char* name : {"Data\\report.doc", "My Files\\a b.txt", "x.txt"}) scratch_.File("C\\" + std::string(name));
        letter_ = FreeDriveLetter();
        if (!letter_) GTEST_SKIP() << "no drive letter is free on this machine";
        drive_.reset(new MappedDrive(letter_, scratch_.Join("D")));
        if (!drive_->mapped()) GTEST_SKIP() << letter_ << ": cannot be mapped";
        ASSERT_TRUE(PathFileExistsA(OnC("D:\\tpl\\list.txt").c_str()));
    }
    void TearDown() override { drive_.reset(); }

    // "C:\" in the examples' texts stands for the scratch folder C, and
    // "D:\" for the mapped letter.
    std::string OnC(std::string text) const
    {
        for (size_t at = 0; (at = text.find("D:\\", at)) != std::string::npos; ++at) text[at] = letter_;
        for (size_t at = 0; (at = text.find("C:\\", at)) != std::string::npos; at += cRoot_.size() + 1)
            text.replace(at, 3, cRoot_ + "\\");
        return text;
    }

    void ExpectScan(ScanMode mode, const std::string& text, const std::string& expected)
    {
        ScanItems(text.c_str(), mode);
        std::string got = ListedItems();
        EXPECT_EQ(expected, got) << "input \"" << Escaped(text) << "\"\n  got      \"" << Escaped(got)
                                 << "\"\n  expected \"" << Escaped(expected) << "\"";
    }

    harness::ScratchFolder scratch_;
    std::string cRoot_;
    char letter_ = 'D';
    std::unique_ptr<MappedDrive> drive_;
};

const char kCommandLineExample[] =
    "/#t=\"D:\\tpl\\list.txt\" C:\\Data\\report.doc \"C:\\My Files\\a b.txt\" C:\\Data\\ D:\\nothing.txt "
    "ftp://server/pub/a.zip /#c";

const char kClipboardExample[] =
    "C:\\My Files\\a b.txt\r\n"
    "   D:\\Music\\   \r\n"
    "\r\n"
    "\"C:\\x.txt\" and more\r\n"
    "ftp://server/pub/a.zip\t\r\n"
    "C:\\Data\\report.doc";

}  // namespace

TEST_F(WorkedExamples, CommandLine)
{
    ExpectScan(CommandLine, OnC(kCommandLineExample),
               OnC("File C:\\Data\\report.doc\n"
                   "File C:\\My Files\\a b.txt\n"
                   "File C:\\Data\n"
                   "Url ftp://server/pub/a.zip\n"));
}

TEST_F(WorkedExamples, ClipboardText)
{
    ExpectScan(ClipboardText, OnC(kClipboardExample),
               OnC("File C:\\My Files\\a b.txt\n"
                   "File D:\\Music\n"
                   "File C:\\x.txt\n"
                   "Url ftp://server/pub/a.zip\n"
                   "File C:\\Data\\report.doc\n"));
}

// The same through the built exe: the template file named on the command line
// is used and is no item; the directory gets its backslash back from "%^P".
TEST_F(WorkedExamples, CommandLineEndToEnd)
{
    harness::SetClipboardText(harness::kClipboardSentinel);
    std::string tail = OnC(kCommandLineExample);
    ASSERT_EQ(0u, harness::RunTavrel(tail, scratch_.path())) << Escaped(tail);
    std::string got;
    ASSERT_TRUE(harness::ReadClipboardText(&got));
    std::string expected = OnC("<C:\\Data\\report.doc>\r\n<C:\\My Files\\a b.txt>\r\n<C:\\Data\\>\r\n"
                               "<ftp://server/pub/a.zip>");
    EXPECT_EQ(expected, got) << "tail " << Escaped(tail) << "\n  got      \"" << Escaped(got)
                             << "\"\n  expected \"" << Escaped(expected) << "\"";
}

TEST_F(WorkedExamples, ClipboardTextEndToEnd)
{
    std::string text = OnC(kClipboardExample);
    harness::SetClipboardText(text);
    ASSERT_EQ(0u, harness::RunTavrel("/#c", scratch_.path()));
    std::string got;
    ASSERT_TRUE(harness::ReadClipboardText(&got));
    std::string expected = OnC("C:\\My Files\\a b.txt\r\nD:\\Music\\\r\nC:\\x.txt\r\nftp://server/pub/a.zip\r\n"
                               "C:\\Data\\report.doc");
    EXPECT_EQ(expected, got) << "clipboard " << Escaped(text) << "\n  got      \"" << Escaped(got)
                             << "\"\n  expected \"" << Escaped(expected) << "\"";
}
