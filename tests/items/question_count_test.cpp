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

int questions;
AttributesFunction realGetFileAttributes;
PathTestFunction realPathIsDirectory;
PathTestFunction realPathFileExists;

DWORD WINAPI CountedGetFileAttributes(LPCSTR path) { return ++questions, realGetFileAttributes(path); }
BOOL WINAPI CountedPathIsDirectory(LPCSTR path) { return ++questions, realPathIsDirectory(path); }
BOOL WINAPI CountedPathFileExists(LPCSTR path) { return ++questions, realPathFileExists(path); }

class QuestionCount : public InScratchFolder {};

TEST_F(QuestionCount, OnePerTokenNoneForTheLines)
{
    scratch_.File("a.txt");
    scratch_.Folder("dir");
    const char tail[] = "a.txt dir missing.txt http://server/x dir\\";
    const int tokens = 5;
    const std::string expected = "a.txt|a.txt\r\ndir\\|dir\r\nhttp://server/x|%^N\r\ndir\\|dir";

    harness::ImportStandIn attributes("kernel32.dll", "GetFileAttributesA", (const void*)CountedGetFileAttributes);
    harness::ImportStandIn isDirectory("shlwapi.dll", "PathIsDirectoryA", (const void*)CountedPathIsDirectory);
    harness::ImportStandIn exists("shlwapi.dll", "PathFileExistsA", (const void*)CountedPathFileExists);
    ASSERT_TRUE(attributes.active() && isDirectory.active() && exists.active()) << "a function is not imported";
    realGetFileAttributes = attributes.real<AttributesFunction>();
    realPathIsDirectory = isDirectory.real<PathTestFunction>();
    realPathFileExists = exists.real<PathTestFunction>();

    questions = 0;
    ScanItems(tail, CommandLine);
    EXPECT_EQ(tokens, questions) << "questions while scanning \"" << Escaped(tail) << "\"";
    questions = 0;
    runSettings.outputMode = Clipboard;
    lstrcpynA(runSettings.lineBreakMarker, kDefaultLineBreakMarker, sizeof(runSettings.lineBreakMarker));
    DeliverOutput("%^P|%^N");
    EXPECT_EQ(0, questions) << "questions while making the lines";
    std::string got;
    ASSERT_TRUE(harness::ReadClipboardText(&got));
    EXPECT_EQ(expected, got) << "tail \"" << Escaped(tail) << "\"\n  got      \"" << Escaped(got)
                             << "\"\n  expected \"" << Escaped(expected) << "\"";
}

}  // namespace
