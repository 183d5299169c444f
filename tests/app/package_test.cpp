// The release zip, unpacked by tests/package_unpack.sh into the folder named
// by TAVREL_UNPACKED: it holds what a user needs and runs from where it lies.
// Disabled in the ordinary run; the package check runs it explicitly.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <string>

#include "tests/support/harness.h"

using namespace harness;

TEST(Package, DISABLED_RunsFromTheUnpackedZip)
{
    const char* unpacked = getenv("TAVREL_UNPACKED");
    ASSERT_NE(nullptr, unpacked) << "TAVREL_UNPACKED names no folder";
    std::string folder = unpacked;
    for (const char* name : {"Tavrel.exe", "Tavrel.txt", "Quoted.ini", "LICENSE.txt", "Add to Send To.cmd",
                             "Remove from Send To.cmd"})
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

// The files that a user double-clicks: each starts the exe beside it with its
// option, in CR LF lines as cmd.exe reads them; alone, as Explorer extracts
// one from inside the zip, it asks for the zip to be extracted and starts
// nothing.
TEST(Package, DISABLED_SendToFilesNeedTheExeBesideThem)
{
    const char* unpacked = getenv("TAVREL_UNPACKED");
    ASSERT_NE(nullptr, unpacked) << "TAVREL_UNPACKED names no folder";
    char system[MAX_PATH];
    ASSERT_NE(0u, GetSystemDirectoryA(system, MAX_PATH));
    std::string cmd = std::string(system) + "\\cmd.exe";
    const struct {
        const char* name;
        const char* option;
    } files[] = {{"Add to Send To.cmd", "/#i"}, {"Remove from Send To.cmd", "/#i-"}};
    for (const auto& row : files) {
        std::string bytes = ReadBytes(std::string(unpacked) + "\\" + row.name);
        std::string last = std::string("start \"\" \"%~dp0Tavrel.exe\" ") + row.option + "\r\n";
        EXPECT_EQ(last, bytes.substr(bytes.size() - std::min(bytes.size(), last.size())))
            << row.name << ": " << Escaped(bytes);
        for (size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 1))
            EXPECT_TRUE(at > 0 && bytes[at - 1] == '\r') << row.name << ": a line ends in LF alone at byte " << at;

        ScratchFolder alone;
        std::string copy = alone.File(row.name, bytes);
        std::string said = alone.Join("said.txt");
        std::string line = "cmd.exe /d /s /c \"\"" + copy + "\" <NUL >\"" + said + "\" 2>&1\"";
        EXPECT_EQ(1u, RunProcess(cmd, line, alone.path())) << line;
        std::string output = ReadBytes(said);
        EXPECT_NE(std::string::npos, output.find("Extract the zip first")) << line << "\nprinted: " << output;
    }
}
