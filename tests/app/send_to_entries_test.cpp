// "/#i" and "/#i-" run by the built exe, copied outside %TEMP% (where the
// scratch folders are, and where "/#i" writes nothing), against the user's
// real Send To and Programs folders; the shortcuts read back through the
// shell's own object. Each run's message box is found and closed here.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/harness.h"

using namespace harness;

namespace {

struct Entry {
    const char* english;
    const char* japanese;
    const wchar_t* arguments;
    WORD key;  // 0 for a Send To entry; the key entry lies in Programs
};
const Entry kEntries[] = {
    {"Paths", u8"パス", L"/#u", 0},
    {"Names", u8"名前", L"/#u /#o=%^N", 0},
    {"Quoted paths on one line", u8"引用符付きパスを1行で", L"/#u /#j=\" \" /#o=%^Q", 0},
    {"Network paths", u8"ネットワークパス", L"/#u /#o=%^R", 0},
    {"Links for mail", u8"メール用リンク", L"/#u /#l /#o=%^N", 0},
    {"WSL paths", u8"WSLパス", L"/#u /#o=%^-W", 0},
    {"Copied files as paths", u8"コピーしたファイルのパス", L"/#u /#c", 0x0677},
};

std::wstring EntryPath(const Entry& entry, bool japanese)
{
    wchar_t* folder = nullptr;
    SHGetKnownFolderPath(entry.key ? FOLDERID_Programs : FOLDERID_SendTo, 0, nullptr, &folder);
    std::wstring path = std::wstring(folder) + L"\\" + Utf16(japanese ? entry.japanese : entry.english) + L" (Tavrel).lnk";
    CoTaskMemFree(folder);
    return path;
}

// Target, arguments, icon, working folder, description and key, or "" where none was read.
std::wstring ReadShortcut(const std::wstring& path)
{
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    wchar_t target[MAX_PATH] = {}, arguments[MAX_PATH] = {}, icon[MAX_PATH] = {}, folder[MAX_PATH] = {},
            description[MAX_PATH] = {};
    int index = -1;
    WORD key = 0;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, (void**)&link))) return L"";
    link->QueryInterface(IID_IPersistFile, (void**)&file);
    bool read = SUCCEEDED(file->Load(path.c_str(), STGM_READ));
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetArguments(arguments, MAX_PATH);
    link->GetIconLocation(icon, MAX_PATH, &index);
    link->GetWorkingDirectory(folder, MAX_PATH);
    link->GetDescription(description, MAX_PATH);
    link->GetHotkey(&key);
    file->Release();
    link->Release();
    if (!read) return L"";
    return std::wstring(target) + L"|" + arguments + L"|" + icon + L"," + std::to_wstring(index) + L"|" + folder + L"|" +
           description + L"|" + std::to_wstring(key);
}

void WriteShortcut(const std::wstring& path, const std::wstring& target)
{
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, (void**)&link);
    link->QueryInterface(IID_IPersistFile, (void**)&file);
    link->SetPath(target.c_str());
    EXPECT_TRUE(SUCCEEDED(file->Save(path.c_str(), TRUE))) << Utf8(path);
    file->Release();
    link->Release();
}

class SendToEntries : public testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        CreateDirectoryA(folder_.c_str(), nullptr);
        exe_ = CopyTavrelAs(folder_, "Tavrel.exe");
        japanese_ = GetACP() == 932;
    }
    void TearDown() override
    {
        for (const Entry& entry : kEntries)
            for (bool japanese : {false, true}) DeleteFileW(EntryPath(entry, japanese).c_str());
        RemoveTree(folder_);
        CoUninitialize();
    }

    // Runs exe with tail, closes its message box and returns the box's text,
    // "no box" when none appeared, or "exit code N" when the run did not end with 0.
    std::string Run(const std::string& tail, const std::string& exe = "")
    {
        std::string path = exe.empty() ? exe_ : exe;
        HANDLE process = StartProcess(path, "\"" + path + "\" " + tail, folder_);
        HWND box = nullptr;
        for (int i = 0; i < 300 && !box && WaitForSingleObject(process, 0) == WAIT_TIMEOUT; ++i)
            box = WaitForWindow("#32770", GetProcessId(process), 50);
        wchar_t text[2048] = {};
        GetWindowTextW(GetDlgItem(box, 0xFFFF), text, 2048);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        DWORD code = WaitForExit(process);
        return code ? "exit code " + std::to_string(code) : box ? Utf8(text) : "no box";
    }

    std::string folder_ = BuildFolder() + "entries-" + std::to_string(GetCurrentProcessId());
    std::string exe_;
    bool japanese_ = false;
};

TEST_F(SendToEntries, WrittenTwiceThenRemovedBesideOthers)
{
    std::wstring exe = Utf16(exe_);
    for (const char* tail : {"/#i", " /#I\t"}) {
        EXPECT_NE(std::string::npos, Run(tail).find(japanese_ ? u8"キー Ctrl+Alt+F8:" : "Key Ctrl+Alt+F8:")) << tail;
        for (const Entry& entry : kEntries) {
            std::wstring expected =
                exe + L"|" + entry.arguments + L"|" + exe + L",0||Tavrel|" + std::to_wstring(entry.key);
            EXPECT_EQ(Utf8(expected), Utf8(ReadShortcut(EntryPath(entry, japanese_)))) << entry.english;
            EXPECT_EQ("", Utf8(ReadShortcut(EntryPath(entry, !japanese_)))) << entry.english;
        }
    }
    // A user's own shortcut and one of the names that leads to another
    // program stay; the other language's entry to this exe goes.
    std::wstring own = EntryPath(kEntries[0], false) + L".mine.lnk";
    WriteShortcut(own, exe);
    WriteShortcut(EntryPath(kEntries[0], !japanese_), L"C:\\windows\\notepad.exe");
    WriteShortcut(EntryPath(kEntries[1], !japanese_), exe);
    Run("/#i-");
    for (const Entry& entry : kEntries) EXPECT_EQ("", Utf8(ReadShortcut(EntryPath(entry, japanese_)))) << entry.english;
    EXPECT_EQ("", Utf8(ReadShortcut(EntryPath(kEntries[1], !japanese_))));
    EXPECT_NE("", Utf8(ReadShortcut(EntryPath(kEntries[0], !japanese_))));
    EXPECT_NE("", Utf8(ReadShortcut(own)));
    DeleteFileW(own.c_str());
    EXPECT_EQ(japanese_ ? u8"削除するものはありませんでした。\r\n" : "Nothing was there to remove.\r\n", Run("/#i-"));
}

TEST_F(SendToEntries, FromTheTemporaryFolderOrWithABlockedNameInTheBox)
{
    ScratchFolder scratch;
    std::string inTemporary = CopyTavrelAs(scratch.path(), "Tavrel.exe");
    EXPECT_NE(std::string::npos, Run("/#i", inTemporary).find("zip"));
    for (const Entry& entry : kEntries) EXPECT_EQ("", Utf8(ReadShortcut(EntryPath(entry, japanese_)))) << entry.english;
    // A folder of the first entry's name: it is named in the box, the rest are written.
    std::wstring blocked = EntryPath(kEntries[0], japanese_);
    CreateDirectoryW(blocked.c_str(), nullptr);
    std::string box = Run("/#i");
    RemoveDirectoryW(blocked.c_str());
    EXPECT_NE(std::string::npos, box.find(Utf8(blocked.substr(blocked.rfind(L'\\') + 1)))) << box;
    EXPECT_NE(L"", ReadShortcut(EntryPath(kEntries[6], japanese_)));
}

TEST_F(SendToEntries, AnyOtherTailWritesNothing)
{
    const char* tails[] = {"http://example.com/#intro", "C:\\x.txt /#i", "/#i C:\\x.txt", "/#ix", "/#o=/#i",
                           "\"/#i\"", "/#i--", "/#i-/#i", "/#u /#i"};
    for (const char* tail : tails) {
        EXPECT_EQ("no box", Run(tail)) << "tail: " << tail;
        for (const Entry& entry : kEntries)
            EXPECT_EQ("", Utf8(ReadShortcut(EntryPath(entry, japanese_)))) << "tail: " << tail;
    }
}

}  // namespace
