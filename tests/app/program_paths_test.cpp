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
        std::string own;  // past the exe file's own link
        std::string folder;
        std::string settings;
    } cases[] = {
        {"D:\\Tools\\x.exe", "", "D:\\Tools\\", "D:\\Tools\\x.ini"},
        // Started through a link named for a copy: the folder of the file, the settings of the copy.
        {"C:\\Links\\y.exe", "D:\\Apps\\Tavrel\\Tavrel.exe", "D:\\Apps\\Tavrel\\", "D:\\Apps\\Tavrel\\y.ini"},
        {"D:\\Tools\\y.exe", "", "D:\\Tools\\", "D:\\Tools\\y.ini"},
        {"C:\\a.b\\Tavrel.final.exe", "", "C:\\a.b\\", "C:\\a.b\\Tavrel.final.ini"},
        {"C:\\Tools\\noext", "", "C:\\Tools\\", "C:\\Tools\\noext.ini"},
        {"\\\\server\\share\\t.exe", "", "\\\\server\\share\\", "\\\\server\\share\\t.ini"},
        // A settings path that would not fit is left empty, never cut.
        {longFolder + std::string(20, 'n') + ".exe", "", longFolder, ""},
    };
    for (const Case& c : cases) {
        memset(programFolder, 0xCC, sizeof(programFolder));
        memset(settingsFilePath, 0xCC, sizeof(settingsFilePath));
        FindProgramPaths(c.exe.c_str(), (c.own.empty() ? c.exe : c.own).c_str());
        EXPECT_EQ(c.folder, std::string(programFolder)) << "exe: " << Escaped(c.exe);
        EXPECT_EQ(c.settings, std::string(settingsFilePath)) << "exe: " << Escaped(c.exe);
    }
}

// Wine shows no reparse bit on a link: the attribute query says it, and the
// path's folder on the way (a "..") shows what the final path resolves.
static DWORD WINAPI ReparsePointAttributes(LPCWSTR) { return FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT; }

TEST(PathPastOwnLink, OnlyTheExeFileItselfIsFollowed)
{
    ScratchFolder scratch;
    scratch.File("real\\y.exe");
    scratch.Folder("links");
    std::wstring started = Utf16(scratch.Join("links\\..\\real\\y.exe"));
    wchar_t longFolder[MAX_PATH] = {}, out[MAX_PATH] = {};
    GetLongPathNameW(Utf16(scratch.path()).c_str(), longFolder, MAX_PATH);
    EXPECT_TRUE(PathPastOwnLink(started.c_str(), out, MAX_PATH) && started == out) << Utf8(out);
    ImportStandIn attributes("kernel32.dll", "GetFileAttributesW", (const void*)ReparsePointAttributes);
    ASSERT_TRUE(attributes.active());
    EXPECT_TRUE(PathPastOwnLink(started.c_str(), out, MAX_PATH));
    EXPECT_EQ(0, lstrcmpiW((std::wstring(longFolder) + L"\\real\\y.exe").c_str(), out)) << Utf8(out);
    EXPECT_FALSE(PathPastOwnLink(started.c_str(), out, 10));
}
