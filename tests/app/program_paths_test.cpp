// The program folder and the settings file path follow the exe's own path.
#include <gtest/gtest.h>

#include <string>

#include "app/program_paths.h"
#include "system/final_path.h"
#include "tests/support/harness.h"

using namespace harness;

TEST(FindProgramPaths, FolderAndSettingsFile)
{
    std::string longFolder = "C:\\" + std::string(240, 'f') + "\\";
    struct Case {
        std::string exe;
        std::string folder;
        std::string settings;
    } cases[] = {
        {"D:\\Tools\\x.exe", "D:\\Tools\\", "D:\\Tools\\x.ini"},
        // "started|own": through a link, the folder is the file's, the settings the link's; no bar: npos + 1 is 0.
        {"C:\\Links\\y.exe|D:\\Apps\\Tavrel.exe", "D:\\Apps\\", "D:\\Apps\\y.ini"},
        {"D:\\Tools\\y.exe", "D:\\Tools\\", "D:\\Tools\\y.ini"},
        {"C:\\a.b\\Tavrel.final.exe", "C:\\a.b\\", "C:\\a.b\\Tavrel.final.ini"},
        {"C:\\Tools\\noext", "C:\\Tools\\", "C:\\Tools\\noext.ini"},
        {"\\\\server\\share\\t.exe", "\\\\server\\share\\", "\\\\server\\share\\t.ini"},
        // A settings path that would not fit is left empty, never cut.
        {longFolder + std::string(20, 'n') + ".exe", longFolder, ""},
    };
    for (const Case& c : cases) {
        memset(programFolder, 0xCC, sizeof(programFolder));
        memset(settingsFilePath, 0xCC, sizeof(settingsFilePath));
        FindProgramPaths(c.exe.substr(0, c.exe.find('|')).c_str(), c.exe.substr(c.exe.find('|') + 1).c_str());
        EXPECT_EQ(c.folder, std::string(programFolder)) << "exe: " << Escaped(c.exe);
        EXPECT_EQ(c.settings, std::string(settingsFilePath)) << "exe: " << Escaped(c.exe);
    }
}

// Wine shows no reparse bit on a link: the attribute query says it, and a ".." on the way shows what is resolved.
static DWORD WINAPI ReparsePointAttributes(LPCWSTR) { return FILE_ATTRIBUTE_REPARSE_POINT; }

TEST(PathPastOwnLink, OnlyTheExeFileItselfIsFollowed)
{
    ScratchFolder scratch;
    std::wstring started = Utf16(scratch.Join("links\\..\\real\\y.exe")), real = Utf16(scratch.File("real\\y.exe"));
    wchar_t out[MAX_PATH] = {}, expected[MAX_PATH] = {};
    GetLongPathNameW(real.c_str(), expected, MAX_PATH);
    EXPECT_TRUE(PathPastOwnLink(started.c_str(), out, MAX_PATH) && started == out) << Utf8(out);
    ImportStandIn attributes("kernel32.dll", "GetFileAttributesW", (const void*)ReparsePointAttributes);
    EXPECT_TRUE(PathPastOwnLink(started.c_str(), out, MAX_PATH) && !lstrcmpiW(expected, out)) << Utf8(out);
    EXPECT_FALSE(PathPastOwnLink(started.c_str(), out, 10));
}
