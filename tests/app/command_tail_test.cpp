// The command-line tail, case by case against the rules in command_tail.cpp.
#include <gtest/gtest.h>

#include "app/command_tail.h"
#include "tests/support/harness.h"

using harness::Escaped;

TEST(CommandLineTail, FollowsTheFourRules)
{
    struct Case {
        const char* commandLine;
        const char* tail;
    } cases[] = {
        {"", ""},
        {"Tavrel.exe", ""},
        {"Tavrel.exe   ", ""},
        {"  \t Tavrel.exe a b", "a b"},
        {"Tavrel.exe \t a  \"b c\" ", "a  \"b c\" "},
        {"\"C:\\Program Files\\Tavrel.exe\" /#v", "/#v"},
        // A quoted path followed directly by an option: the tail starts with it.
        {"\"C:\\Tools\\Tavrel.exe\"/#o=%^N x", "/#o=%^N x"},
        {"\"C:\\Tools\\Tavrel.exe\"", ""},
        // An unclosed quote: the name runs to the end.
        {"\"C:\\Tools\\Tavrel.exe /#v", ""},
        // A TAB ends the name, inside quotes too; its quote is then not skipped.
        {"\"C:\\Tools\tx.exe\" a", "x.exe\" a"},
        {"Tavrel.exe\ta\tb", "a\tb"},
        // An unquoted name is not ended by a quote.
        {"Tav\"rel.exe\" a", "a"},
        {"C:\\x.exe \"a b\"", "\"a b\""},
    };
    for (const Case& c : cases) {
        const char* got = CommandLineTail(c.commandLine);
        EXPECT_STREQ(c.tail, got) << "command line: " << Escaped(c.commandLine) << "\n got: " << Escaped(got)
                                  << "\n expected: " << Escaped(c.tail);
    }
}

TEST(CommandLineTail, PointsIntoTheCommandLine)
{
    const char* line = "x.exe a";
    EXPECT_EQ(line + 6, CommandLineTail(line));
}
