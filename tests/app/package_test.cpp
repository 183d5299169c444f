// The release zip, unpacked by tests/package_unpack.sh into the folder named
// by TAVREL_UNPACKED: it holds what a user needs and runs from where it lies.
// Disabled in the ordinary run; the package check runs it explicitly.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>

#include "tests/support/harness.h"

using namespace harness;

TEST(Package, DISABLED_RunsFromTheUnpackedZip)
{
    const char* unpacked = getenv("TAVREL_UNPACKED");
    ASSERT_NE(nullptr, unpacked) << "TAVREL_UNPACKED names no folder";
    std::string folder = unpacked;
    for (const char* name : {"Tavrel.exe", "Tavrel.txt", "Quoted.ini", "LICENSE.txt"})
        EXPECT_TRUE(PathExists(folder + "\\" + name)) << name << " is missing from the zip";
    EXPECT_EQ("\"%^P\"", ReadBytes(folder + "\\Quoted.ini"));

    ScratchFolder scratch;
    std::string file = scratch.File("a b.txt");
    std::string exe = folder + "\\Tavrel.exe";
    SetClipboardText(kClipboardSentinel);
    EXPECT_EQ(0u, RunProcess(exe, "\"" + exe + "\" /#o=%^N \"" + file + "\"", scratch.path()));
    std::string text;
    EXPECT_TRUE(ReadClipboardText(&text));
    EXPECT_EQ("a b.txt", text);

    // A copy named after the sample settings file takes its template.
    std::string quoted = folder + "\\Quoted.exe";
    ASSERT_TRUE(CopyFileA(exe.c_str(), quoted.c_str(), FALSE));
    EXPECT_EQ(0u, RunProcess(quoted, "\"" + quoted + "\" \"" + file + "\"", scratch.path()));
    EXPECT_TRUE(ReadClipboardText(&text));
    EXPECT_EQ("\"" + file + "\"", text);
    DeleteFileA(quoted.c_str());
}
