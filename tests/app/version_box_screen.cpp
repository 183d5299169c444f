// The version box and the help file, driven on a real screen: the test finds
// the windows that the started exe opens, reads them and closes them.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/robustness/checks.h"
#include "tests/support/harness.h"
#include "tests/support/own_texts.h"

using namespace harness;

namespace {

// A visible top-level window of another process, not among before, whose
// title starts with one of prefixes.
HWND WaitForTitle(std::initializer_list<const char*> prefixes, DWORD timeoutMs, const std::vector<HWND>& before)
{
    DWORD start = GetTickCount();
    do {
        for (HWND window : robustness::OtherWindows()) {
            char title[512] = {};
            GetWindowTextA(window, title, sizeof(title));
            if (std::find(before.begin(), before.end(), window) != before.end()) continue;
            for (const char* prefix : prefixes)
                if (strncmp(title, prefix, strlen(prefix)) == 0) return window;
        }
        Sleep(50);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

// Opening the help file starts its viewer from the process itself, and
// before the call returns: no waiting for a window tells the order.
bool HasStartedAProcess(DWORD processId)
{
    ULONGLONG created = robustness::CreationTime(processId);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    bool found = false;
    for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry))
        found = entry.th32ParentProcessID == processId && robustness::StartedAfter(entry.th32ProcessID, created);
    CloseHandle(snapshot);
    return found;
}

void CloseWindowAndItsProcess(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    PostMessageA(window, WM_CLOSE, 0, 0);
    if (process) {
        if (WaitForSingleObject(process, 5000) != WAIT_OBJECT_0) TerminateProcess(process, 1);
        CloseHandle(process);
    }
}

// What the button itself would tell its dialog: BM_CLICK may fail on a
// dialog that is not the active window.
void PressButton(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    ASSERT_NE(nullptr, button);
    PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
}

// The viewer of the help file, titled by the file's whole name, or without
// the extension where Explorer hides it ("Tavrel - Notepad").
HWND WaitForHelpViewer(const std::vector<HWND>& before)
{
    return WaitForTitle({"Tavrel.txt", "Tavrel - "}, 20000, before);
}

// The text that the viewer shows: in an Edit control, or in the Store
// Notepad's RichEditD2DPT.
std::string ShownText(HWND viewer)
{
    std::string shown;
    for (int i = 0; i < 50 && shown.empty(); ++i, Sleep(100)) {
        shown = ChildTexts(viewer, "Edit");
        if (shown.empty() && !RunningOnWine()) shown = ChildTexts(viewer, "RichEditD2DPT");
    }
    return shown;
}

// The copy's own help file, so that the window shows which file was opened.
const char kHelpText[] = "help file of this copy";

class VersionBox : public testing::Test {
protected:
    void SetUp() override
    {
        exe_ = CopyTavrelAs(scratch_.path(), "y.exe");
        WriteBytes(scratch_.Join("Tavrel.txt"), kHelpText);
        SetClipboardText(kClipboardSentinel);
    }

    HANDLE Start(const std::string& tail) { return StartProcess(exe_, "\"" + exe_ + "\" " + tail, scratch_.path()); }

    ScratchFolder scratch_;
    std::string exe_;
};

TEST_F(VersionBox, ShowsCaptionAndTextUntilOk)
{
    HANDLE process = Start("/#V");
    ASSERT_NE(nullptr, process);
    HWND box = WaitForWindow("#32770", GetProcessId(process));
    ASSERT_NE(nullptr, box) << "no version box appeared";
    char caption[64] = {};
    GetWindowTextA(box, caption, sizeof(caption));
    EXPECT_STREQ("Tavrel", caption);
    std::string text = ChildTexts(box, "Static");
    std::string expected = own_texts::InCodePage(own_texts::ForThisCodePage().versionBox);
    EXPECT_EQ(expected, text) << "code page " << GetACP() << ", got: " << Escaped(text) << ", expected "
                              << Escaped(expected);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(process, 300)) << "the box must wait for the user";
    PressButton(box, IDOK);
    EXPECT_EQ(0u, WaitForExit(process, 10000));
    CloseHandle(process);
    std::string clipboard;
    EXPECT_TRUE(ReadClipboardText(&clipboard));
    EXPECT_EQ(kClipboardSentinel, clipboard);
}

TEST_F(VersionBox, HelpOpensOnlyAfterTheBoxIsClosed)
{
    std::vector<HWND> before = robustness::OtherWindows();
    HANDLE process = Start("/#h /#v");
    ASSERT_NE(nullptr, process);
    HWND box = WaitForWindow("#32770", GetProcessId(process));
    ASSERT_NE(nullptr, box) << "no version box appeared";
    EXPECT_FALSE(HasStartedAProcess(GetProcessId(process))) << "help opened before the box was closed";
    PressButton(box, IDOK);
    HWND help = WaitForHelpViewer(before);
    ASSERT_NE(nullptr, help) << "the help file was not opened";
    // The viewer shows the copy's own Tavrel.txt, not y.txt or another file.
    EXPECT_EQ(kHelpText, ShownText(help));
    EXPECT_EQ(0u, WaitForExit(process, 10000));
    CloseHandle(process);
    CloseWindowAndItsProcess(help);
}

TEST_F(VersionBox, NothingShownWithoutOptions)
{
    robustness::RunResult run = robustness::RunWatched(exe_, "\"" + exe_ + "\" ", scratch_.path(),
                                                       robustness::kStartedWindowMs);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(run.windows.empty()) << "first of " << run.windows.size() << ": " << run.windows[0];
    std::string clipboard;
    EXPECT_TRUE(ReadClipboardText(&clipboard));
    EXPECT_EQ(kClipboardSentinel, clipboard);
}

// A box of another process, standing before the run as Explorer's windows do.
TEST_F(VersionBox, WatchLeavesAlonePriorWindowsOfOtherProcesses)
{
    HANDLE other = Start("/#V");
    ASSERT_NE(nullptr, other);
    HWND box = WaitForWindow("#32770", GetProcessId(other));
    ASSERT_NE(nullptr, box) << "no version box appeared";
    robustness::RunResult run = robustness::RunWatched(exe_, "\"" + exe_ + "\" ", scratch_.path(), 500);
    EXPECT_TRUE(run.windows.empty()) << "first of " << run.windows.size() << ": " << run.windows[0];
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(other, 500)) << "the box of the other process was closed";
    PressButton(box, IDOK);
    EXPECT_EQ(0u, WaitForExit(other, 10000));
    CloseHandle(other);
}

}  // namespace

namespace {

TEST_F(VersionBox, ShownWhenTheClipboardGivesNoItem)
{
    SetClipboardText("no such file\r\nnor this one");
    HANDLE process = Start("/#c /#v");
    ASSERT_NE(nullptr, process);
    HWND box = WaitForWindow("#32770", GetProcessId(process));
    ASSERT_NE(nullptr, box) << "no version box appeared";
    PressButton(box, IDOK);
    EXPECT_EQ(0u, WaitForExit(process, 10000));
    CloseHandle(process);
    std::string clipboard;
    EXPECT_TRUE(ReadClipboardText(&clipboard));
    EXPECT_EQ("no such file\r\nnor this one", clipboard);
}

}  // namespace

namespace {

// The manual in the release zip of this code page (the Japanese one under
// 932), unpacked by tests/package_unpack.sh into the folder named by
// TAVREL_UNPACKED, as the exe beside it opens it. Disabled in the ordinary
// run; the package check runs it explicitly.
TEST(PackageHelp, DISABLED_OpensTheManualOfThisCodePage)
{
    const char* unpacked = getenv("TAVREL_UNPACKED");
    ASSERT_NE(nullptr, unpacked) << "TAVREL_UNPACKED names no folder";
    std::string folder = unpacked;
    std::string manual = ReadBytes(folder + "\\Tavrel.txt");
    std::string title = own_texts::InCodePage(own_texts::ForThisCodePage().manualTitle);
    EXPECT_EQ(title, manual.substr(0, manual.find("\r\n"))) << "code page " << GetACP();
    size_t lineFeeds = 0, lineEnds = 0;
    for (size_t i = 0; i < manual.size(); ++i) {
        lineFeeds += manual[i] == '\n';
        lineEnds += manual.compare(i, 2, "\r\n") == 0;
    }
    EXPECT_EQ(lineEnds, lineFeeds) << "a line of the manual ends without CR LF";

    std::string exe = folder + "\\Tavrel.exe";
    std::vector<HWND> before = robustness::OtherWindows();
    HANDLE process = StartProcess(exe, "\"" + exe + "\" /#h", folder);
    ASSERT_NE(nullptr, process);
    HWND help = WaitForHelpViewer(before);
    ASSERT_NE(nullptr, help) << "the help file was not opened";
    // The viewer shows the manual's first part, decoded in this code page.
    std::string shown = ShownText(help);
    EXPECT_EQ(title, shown.substr(0, shown.find("\r\n")));
    EXPECT_GT(shown.size(), 2000u);
    EXPECT_EQ(0, manual.compare(0, 2000, shown, 0, 2000)) << "shown: " << Escaped(shown.substr(0, 200));
    EXPECT_EQ(0u, WaitForExit(process, 10000));
    CloseHandle(process);
    CloseWindowAndItsProcess(help);
}

}  // namespace
