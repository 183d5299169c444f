// The file system is asked one question per token, by the scanner, and none
// again while the lines are made: on a network share every question is a
// round trip. The functions that ask are counted in this exe's import table,
// through which the product code linked into it calls them.
#include <windows.h>
#include <shlwapi.h>
#include <gtest/gtest.h>

#include <string>

#include "app/options.h"
#include "output/deliver_output.h"
#include "tests/items/items_support.h"
#include "tests/support/harness.h"

using harness::Escaped;

namespace {

using AttributesFunction = DWORD(WINAPI*)(LPCSTR);
using PathTestFunction = BOOL(WINAPI*)(LPCSTR);

// Counted from the pool's threads too; the slow drive answers after delayMs.
volatile LONG questions;
DWORD delayMs;
AttributesFunction realGetFileAttributes;
PathTestFunction realPathIsDirectory;
PathTestFunction realPathFileExists;

DWORD WINAPI CountedGetFileAttributes(LPCSTR path)
{
    return InterlockedIncrement(&questions), Sleep(delayMs), realGetFileAttributes(path);
}
BOOL WINAPI CountedPathIsDirectory(LPCSTR path) { return InterlockedIncrement(&questions), realPathIsDirectory(path); }
BOOL WINAPI CountedPathFileExists(LPCSTR path) { return InterlockedIncrement(&questions), realPathFileExists(path); }
// What "%^T" could ask: none of it for a plain file or folder.
HANDLE WINAPI CountedCreateFile(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE)
{
    return InterlockedIncrement(&questions), INVALID_HANDLE_VALUE;
}
DWORD WINAPI CountedFinalPath(HANDLE, LPWSTR, DWORD, DWORD) { return InterlockedIncrement(&questions), 0; }
DWORD WINAPI CountedProfile(LPCWSTR, LPCWSTR, LPCWSTR, LPWSTR, DWORD, LPCWSTR) { return InterlockedIncrement(&questions), 0; }

class QuestionCount : public InScratchFolder {};

TEST_F(QuestionCount, OnePerTokenNoneForTheLines)
{
    scratch_.File("a.txt");
    scratch_.Folder("dir");
    const char tail[] = "a.txt dir missing.txt http://server/x dir\\";
    const int tokens = 5;
    const std::string expected = "a.txt|a.txt|a.txt\r\ndir\\|dir|dir\\\r\nhttp://server/x|%^N|%^T\r\ndir\\|dir|dir\\";

    harness::ImportStandIn attributes("kernel32.dll", "GetFileAttributesA", (const void*)CountedGetFileAttributes);
    harness::ImportStandIn isDirectory("shlwapi.dll", "PathIsDirectoryA", (const void*)CountedPathIsDirectory);
    harness::ImportStandIn exists("shlwapi.dll", "PathFileExistsA", (const void*)CountedPathFileExists);
    harness::ImportStandIn create("kernel32.dll", "CreateFileW", (const void*)CountedCreateFile);
    harness::ImportStandIn finalPath("kernel32.dll", "GetFinalPathNameByHandleW", (const void*)CountedFinalPath);
    harness::ImportStandIn profile("kernel32.dll", "GetPrivateProfileStringW", (const void*)CountedProfile);
    ASSERT_TRUE(attributes.active() && isDirectory.active() && exists.active() && create.active() && finalPath.active() &&
                profile.active())
        << "a function is not imported";
    realGetFileAttributes = attributes.real<AttributesFunction>();
    realPathIsDirectory = isDirectory.real<PathTestFunction>();
    realPathFileExists = exists.real<PathTestFunction>();

    for (const AskingWay& way : kAskingWays) {
        AskedIn asked(way);
        questions = 0;
        ScanItems(tail, CommandLine);
        EXPECT_EQ(tokens, questions) << "questions asked " << way.name << " while scanning \"" << Escaped(tail) << "\"";
    }
    questions = 0;
    runSettings.outputMode = Clipboard;
    lstrcpynA(runSettings.lineBreakMarker, kDefaultLineBreakMarker, sizeof(runSettings.lineBreakMarker));
    DeliverOutput("%^P|%^N|%^T");
    EXPECT_EQ(0, questions) << "questions while making the lines";
    std::string got;
    ASSERT_TRUE(harness::ReadClipboardText(&got));
    EXPECT_EQ(expected, got) << "tail \"" << Escaped(tail) << "\"\n  got      \"" << Escaped(got)
                             << "\"\n  expected \"" << Escaped(expected) << "\"";
}

// 200 tokens on a drive that answers after 10 ms, the pool as it ships: the
// scan takes a fraction of the delays' sum, however loaded the machine.
TEST_F(QuestionCount, SlowDriveAskedConcurrently)
{
    std::string tail;
    for (int i = 0; i < 200; ++i) tail += i % 10 ? " a.txt" : " missing.txt";
    scratch_.File("a.txt");
    harness::ImportStandIn attributes("kernel32.dll", "GetFileAttributesA", (const void*)CountedGetFileAttributes);
    realGetFileAttributes = attributes.real<AttributesFunction>();
    LARGE_INTEGER start, end, frequency;
    questions = 0, delayMs = 10, QueryPerformanceCounter(&start);
    ScanItems(tail.c_str(), CommandLine);
    QueryPerformanceCounter(&end), QueryPerformanceFrequency(&frequency), delayMs = 0;
    double ratio = (end.QuadPart - start.QuadPart) / (frequency.QuadPart * 0.01 * 200);
    EXPECT_TRUE(questions == 200 && itemList.count == 180) << questions << " questions, " << itemList.count << " items";
    EXPECT_LT(ratio, 0.5) << "share of the 200 delays one after another that the scan took";
}

}  // namespace
