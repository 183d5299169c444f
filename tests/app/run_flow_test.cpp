// Whole runs of the built exe: where the template comes from, which items are
// taken, and that every run exits with 0.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/robustness/checks.h"
#include "tests/support/harness.h"

using namespace harness;

namespace {

class RunFlow : public testing::Test {
protected:
    void SetUp() override
    {
        a_ = scratch_.File("a.txt");
        b_ = scratch_.File("b b.txt");
        SetClipboardText(kClipboardSentinel);
    }

    // Runs exe with exactly commandLine and returns the clipboard text after it.
    std::string Run(const std::string& exe, const std::string& commandLine)
    {
        EXPECT_EQ(0u, RunProcess(exe, commandLine, scratch_.path())) << "command line: " << Escaped(commandLine);
        std::string text;
        EXPECT_TRUE(ReadClipboardText(&text));
        return text;
    }

    std::string RunTail(const std::string& tail, const std::string& exe = BuiltTavrelPath())
    {
        return Run(exe, "\"" + exe + "\" " + tail);
    }

    ScratchFolder scratch_;
    std::string a_, b_;
};

TEST_F(RunFlow, TwoQuotedFilesWithAnInlineTemplate)
{
    EXPECT_EQ("a.txt\r\nb b.txt", RunTail("\"" + a_ + "\" \"" + b_ + "\" /#o=%^N"));
}

TEST_F(RunFlow, QuotedExeFollowedDirectlyByAnOption)
{
    std::string exe = BuiltTavrelPath();
    EXPECT_EQ("a", Run(exe, "\"" + exe + "\"/#o=%^A \"" + a_ + "\""));
}

TEST_F(RunFlow, ACopyReadsTheSettingsFileOfItsOwnName)
{
    scratch_.Folder("tools");
    std::string y = CopyTavrelAs(scratch_.Join("tools"), "y.exe");
    WriteBytes(scratch_.Join("tools\\y.ini"), "<%^N>");
    WriteBytes(scratch_.Join("tools\\Tavrel.ini"), "wrong settings file");
    EXPECT_EQ("<a.txt>", RunTail("\"" + a_ + "\"", y));
    // The inline template shuts the settings file out; a template file wins over both.
    EXPECT_EQ("a", RunTail("/#o=%^A \"" + a_ + "\"", y));
    std::string tpl = scratch_.File("tpl.txt", "[%^E]");
    EXPECT_EQ("[.txt]", RunTail("/#t=\"" + tpl + "\" /#o=%^A \"" + a_ + "\"", y));
}

TEST_F(RunFlow, CommandLineItemsWinOverTheClipboard)
{
    SetClipboardText(b_ + "\r\n");
    EXPECT_EQ(a_, RunTail("/#c \"" + a_ + "\""));
}

TEST_F(RunFlow, ItemsSuppressTheVersionBoxAndHelp)
{
    // With an item the run ends by itself: a version box would wait for OK.
    std::string exe = BuiltTavrelPath();
    robustness::RunResult run = robustness::RunWatched(exe, "\"" + exe + "\" /#v /#h /#o=%^N \"" + a_ + "\"",
                                                       scratch_.path(), robustness::kStartedWindowMs);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(run.windows.empty()) << "first of " << run.windows.size() << ": " << run.windows[0];
    std::string text;
    EXPECT_TRUE(ReadClipboardText(&text));
    EXPECT_EQ("a.txt", text);
}

TEST_F(RunFlow, NoItemLeavesTheClipboardAlone)
{
    const std::string tails[] = {
        "",
        "/#o=%^N",
        "\"" + scratch_.Join("missing.txt") + "\"",
        "/#c",
        "/#t=\"" + a_ + "\"",
        "/#f=\"" + a_ + "\"",
    };
    for (const std::string& tail : tails) {
        SetClipboardText(kClipboardSentinel);
        EXPECT_EQ(kClipboardSentinel, RunTail(tail)) << "tail: " << Escaped(tail);
    }
    EXPECT_EQ("x", ReadBytes(a_)) << "a named template or output file is no item";
}

TEST_F(RunFlow, HugeCommandLineOfQuotesAndBlanks)
{
    std::string tail;
    for (int i = 0; i < 32000; ++i) tail += "\" \t"[i % 3];
    EXPECT_EQ(kClipboardSentinel, RunTail(tail));
    std::string longTail = "/#o=" + std::string(20000, 'o') + " /#r=" + std::string(5000, 'r') + " \"" + a_ + "\"";
    EXPECT_EQ(std::string(1299, 'o'), RunTail(longTail));
}

}  // namespace
