// The clipboard source end to end: the built exe runs with "/#c" in a scratch
// folder of real files, and the test reads the real clipboard back. Without
// an item the clipboard must be left exactly as it was; with items it holds
// their lines (the default template "%^P").
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/items/clipboard_holder.h"
#include "tests/support/harness.h"

using harness::Escaped;

namespace {

class ClipboardRun : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"a.txt", "b c.txt"}) scratch_.File(name);
        scratch_.Folder("dir");
    }

    void Run(const std::string& tail)
    {
        EXPECT_EQ(0u, harness::RunTavrel(tail, scratch_.path())) << "tail " << Escaped(tail);
    }

    void ExpectClipboard(const std::string& clipboard, const std::string& expected)
    {
        std::string got;
        EXPECT_TRUE(harness::ReadClipboardText(&got)) << "clipboard was \"" << Escaped(clipboard) << "\"";
        EXPECT_EQ(expected, got) << "clipboard was \"" << Escaped(clipboard) << "\"\n  got      \"" << Escaped(got)
                                 << "\"\n  expected \"" << Escaped(expected) << "\"";
    }

    harness::ScratchFolder scratch_;
};

}  // namespace

TEST_F(ClipboardRun, BitmapOnlyIsLeftAlone)
{
    harness::SetClipboardBitmapOnly();
    Run("/#c");
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
}

TEST_F(ClipboardRun, Texts)
{
    static const struct {
        const char* clipboard;
        const char* expected;
    } cases[] = {
        // No item: the clipboard stays as it was.
        {"", ""},
        {"nothing here\r\nnor here\r\n", "nothing here\r\nnor here\r\n"},
        {"a.txt\rdir\r", "a.txt\rdir\r"},
        // One item per line, in order, blanks inside a line kept.
        {"b c.txt\r\n   a.txt   \r\n\r\ndir\\\r\nhttp://h/x y", "b c.txt\r\na.txt\r\ndir\\\r\nhttp://h/x y"},
        {"\"a.txt\" and more\r\n\"b c.txt", "a.txt"},
    };
    for (const auto& c : cases) {
        harness::SetClipboardText(c.clipboard);
        Run("/#c");
        ExpectClipboard(c.clipboard, c.expected);
    }
}

TEST_F(ClipboardRun, MoreThanAThousandLines)
{
    std::string text;
    std::string expected;
    for (int i = 0; i < 1005; ++i) {
        const char* name = i % 2 ? "b c.txt" : "a.txt";
        text += std::string(name) + "\r\n";
        if (i < 1000) expected += std::string(i ? "\r\n" : "") + name;
    }
    harness::SetClipboardText(text);
    Run("/#c");
    ExpectClipboard("1005 lines", expected);
}

// Items on the command line come first: the clipboard is not read.
TEST_F(ClipboardRun, CommandLineItemsWin)
{
    harness::SetClipboardText("b c.txt\r\ndir");
    Run("a.txt /#c");
    ExpectClipboard("b c.txt\r\ndir", "a.txt");
    harness::SetClipboardText("b c.txt\r\ndir");
    Run("/#c nothing.txt");
    ExpectClipboard("b c.txt\r\ndir", "b c.txt\r\ndir\\");
}

// Another program keeps the clipboard open: the run ends without an item and
// without hanging, and that program's text is still there afterwards.
TEST_F(ClipboardRun, HeldByAnotherProcess)
{
    const std::string text = std::string(harness::kClipboardSentinel) + "\r\na.txt\r\n";
    harness::SetClipboardText(text);
    ClipboardHolder holder;
    ASSERT_TRUE(holder.holding());
    DWORD start = GetTickCount();
    Run("/#c");
    EXPECT_LT(GetTickCount() - start, harness::kGiveUpOnHeldClipboardMs) << "waited too long";
    holder.Release();
    ExpectClipboard(text, text);
}
