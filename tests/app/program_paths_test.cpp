// The program folder and the settings file path follow the exe's own path.
#include <gtest/gtest.h>

#include <string>

#include "app/program_paths.h"
#include "tests/support/harness.h"

using harness::Escaped;

TEST(FindProgramPaths, FolderAndSettingsFile)
{
    std::string longFolder = "C:\\" + std::string(240, 'f') + "\\";
    struct Case {
        std::string exe;
        std::string folder;
        std::string settings;
    } cases[] = {
        {"D:\\Tools\\x.exe", "D:\\Tools\\", "D:\\Tools\\x.ini"},
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
        FindProgramPaths(c.exe.c_str());
        EXPECT_EQ(c.folder, std::string(programFolder)) << "exe: " << Escaped(c.exe);
        EXPECT_EQ(c.settings, std::string(settingsFilePath)) << "exe: " << Escaped(c.exe);
    }
}
