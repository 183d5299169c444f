// "/#i" and "/#i-" run by the built exe, copied outside %TEMP% (where "/#i" writes nothing), against the
// user's real Send To and Programs; the shortcuts read back through the shell's object, each box read and closed.
#include <gtest/gtest.h>

#include "system/shell_objects.h"
#include "system/shortcut_files.h"
#include "tests/support/harness.h"

using namespace harness;

namespace {

// The names in English and Japanese; only the entry in Programs has a key.
const struct Entry { const char* names[2]; const wchar_t* arguments; WORD key; } kEntries[] = {
    {{"Paths", u8"パス"}, L"/#u", 0},
    {{"Names", u8"名前"}, L"/#u /#o=%^N", 0},
    {{"Quoted paths on one line", u8"引用符付きパスを1行で"}, L"/#u /#j=\" \" /#o=%^Q", 0},
    {{"Network paths", u8"ネットワークパス"}, L"/#u /#o=%^R", 0},
    {{"Links for mail", u8"メール用リンク"}, L"/#u /#l /#o=%^N", 0},
    {{"WSL paths", u8"WSLパス"}, L"/#u /#o=%^-W", 0},
    {{"Copied files as paths", u8"コピーしたファイルのパス"}, L"/#u /#c", 0x0677},
};

std::wstring EntryPath(const Entry& entry, bool japanese)
{
    wchar_t path[MAX_PATH] = {};
    ShortcutPath(entry.key ? ProgramsFolder : SendToFolder, Utf16(entry.names[japanese]).c_str(), path, MAX_PATH);
    return path;
}

// "target|arguments|icon,index|working folder|description|key", or "" when there is none.
std::string ReadShortcut(const std::wstring& path)
{
    IShellLinkW* link;
    IPersistFile* file;
    wchar_t s[5][MAX_PATH] = {};
    int index = -1;
    WORD key = 0;
    bool read = NewShellLink(&link, &file) && SUCCEEDED(file->Load(path.c_str(), STGM_READ)) &&
                SUCCEEDED(link->GetPath(s[0], MAX_PATH, nullptr, SLGP_RAWPATH) | link->GetArguments(s[1], MAX_PATH) |
                          link->GetIconLocation(s[2], MAX_PATH, &index) | link->GetWorkingDirectory(s[3], MAX_PATH) |
                          link->GetDescription(s[4], MAX_PATH) | link->GetHotkey(&key));
    if (link) file->Release(), link->Release();
    std::wstring all = std::wstring(s[0]) + L"|" + s[1] + L"|" + s[2] + L"," + std::to_wstring(index) + L"|" + s[3];
    return read ? Utf8(all + L"|" + s[4] + L"|" + std::to_wstring(key)) : "";
}

// The text of the run's box (as the code page holds it), "no box", or the exit code that was not 0.
std::string RunForBox(const std::string& tail, const std::string& exe)
{
    HANDLE process = StartProcess(exe, "\"" + exe + "\" " + tail, BuildFolder());
    HWND box = nullptr;
    for (int i = 0; i < 300 && !box && WaitForSingleObject(process, 0) == WAIT_TIMEOUT; ++i)
        box = WaitForWindow("#32770", GetProcessId(process), 50);
    std::string text = box ? Utf8(FromCodePage(ChildTexts(box, "Static"))) : "no box";
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    DWORD code = WaitForExit(process);
    return code ? "exit code " + std::to_string(code) : text;
}

TEST(SendToEntries, WrittenTwiceRemovedBesideOthersAndNeverByAccident)
{
    // Outside the temporary folder, in the build folder that the suites of other Wine prefixes share, whose
    // process ids repeat: the folder is one that this run made.
    std::string folder;
    for (DWORD n = GetTickCount(); folder.empty() || !CreateDirectoryA(folder.c_str(), nullptr); ++n)
        folder = BuildFolder() + "entries-" + std::to_string(n);
    std::string exe = CopyTavrelAs(folder, "Tavrel.exe");
    std::wstring wide = Utf16(exe);
    bool ja = GetACP() == 932;
    for (const char* tail : {"/#i", " /#I\t"}) {
        EXPECT_NE(std::string::npos, RunForBox(tail, exe).find(ja ? u8"キー Ctrl+Alt+F8:" : "Key Ctrl+Alt+F8:")) << tail;
        for (const Entry& e : kEntries)
            EXPECT_EQ(Utf8(wide + L"|" + e.arguments + L"|" + wide + L",0||Tavrel|" + std::to_wstring(e.key)),
                      ReadShortcut(EntryPath(e, ja)) + ReadShortcut(EntryPath(e, !ja))) << tail;
    }
    // A user's own shortcut and a table name that leads to another program stay; the other language's goes.
    std::wstring own = EntryPath(kEntries[0], false) + L".mine.lnk";
    WriteShortcut(own.c_str(), wide.c_str(), L"", 0);
    WriteShortcut(EntryPath(kEntries[0], !ja).c_str(), L"C:\\windows\\notepad.exe", L"", 0);
    WriteShortcut(EntryPath(kEntries[1], !ja).c_str(), wide.c_str(), L"", 0);
    RunForBox("/#i-", exe);
    for (const Entry& e : kEntries) EXPECT_EQ("", ReadShortcut(EntryPath(e, ja))) << e.names[0];
    EXPECT_EQ("", ReadShortcut(EntryPath(kEntries[1], !ja)));
    EXPECT_TRUE(ReadShortcut(EntryPath(kEntries[0], !ja)).size() && ReadShortcut(own).size());
    DeleteFileW(own.c_str());
    EXPECT_EQ(ja ? u8"削除するものはありませんでした。\r\n" : "Nothing to remove.\r\n", RunForBox("/#i-", exe));
    EXPECT_NE(std::string::npos, RunForBox("/#i", CopyTavrelAs(ScratchFolder().path(), "Tavrel.exe")).find("zip"));
    for (const char* tail : {"http://example.com/#intro", "C:\\x.txt /#i", "/#i C:\\x.txt", "/#ix", "/#o=/#i",
                             "\"/#i\"", "/#i--", "/#u /#i"})
        EXPECT_EQ("no box", RunForBox(tail, exe)) << "tail: " << tail;
    for (const Entry& e : kEntries) EXPECT_EQ("", ReadShortcut(EntryPath(e, ja))) << e.names[0];
    // A folder of the first entry's name is named in the box; the rest are written.
    CreateDirectoryW(EntryPath(kEntries[0], ja).c_str(), nullptr);
    std::string box = RunForBox("/#i", exe);
    RemoveDirectoryW(EntryPath(kEntries[0], ja).c_str());
    EXPECT_NE(std::string::npos, box.find(kEntries[0].names[ja] + std::string(" (Tavrel).lnk"))) << box;
    EXPECT_NE("", ReadShortcut(EntryPath(kEntries[6], ja)));
    for (const Entry& e : kEntries) DeleteFileW(EntryPath(e, ja).c_str()), DeleteFileW(EntryPath(e, !ja).c_str());
    RemoveTree(folder);
}

}  // namespace
