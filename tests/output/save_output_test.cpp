// Saving to a named file, in-process: SaveOutputToFile against real files and
// folders in a scratch folder. Writes that fail part-way are made by standing
// in for WriteFile in this exe's import table, the only way to get a full disk
// under Wine without a volume of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "output/save_output.h"
#include "tests/output/output_checks.h"
#include "tests/support/harness.h"

using harness::Escaped;
using output_checks::FolderListing;
using output_checks::SetOutput;

namespace {

const char kOldContent[] = "old content\r\nof the file";

int SaveTo(const std::string& path, const std::string& text)
{
    SetOutput(NamedFile, path);
    return SaveOutputToFile(text.c_str(), NamedFile);
}

TEST(SaveOutputToFile, WritesExactlyTheResultBytes)
{
    struct Case {
        const char* existing;  // null: no file yet
        std::string text;
    } cases[] = {
        {nullptr, "a\r\nb"},
        {nullptr, ""},
        {nullptr, "\x83\x65\x83\x4C\x83\x58\x83\x67\r\n\x95\x5C\r\n\xE9\xFF\x80"},
        // An existing file is replaced without a question, longer or shorter.
        {kOldContent, "new"},
        {kOldContent, ""},
        {"x", "a much longer text\r\nthan the file held before"},
    };
    for (const Case& c : cases) {
        harness::ScratchFolder scratch;
        std::string target = scratch.Join("out.txt");
        if (c.existing) harness::WriteBytes(target, c.existing);
        EXPECT_EQ(1, SaveTo(target, c.text)) << "text: " << Escaped(c.text);
        bool exists = false;
        std::string written = harness::ReadBytes(target, &exists);
        EXPECT_TRUE(exists);
        EXPECT_EQ(c.text, written) << "got: " << Escaped(written) << "\n expected: " << Escaped(c.text);
        EXPECT_EQ("out.txt", FolderListing(scratch.path()));
    }
}

// The longest path that the options keep: it is either written under its
// whole name or, past the system's path limit, not at all; never under a
// name cut short, which would leave a file in the scratch folder or in sub.
TEST(SaveOutputToFile, LongestPathThatTheOptionsKeep)
{
    harness::ScratchFolder scratch;
    scratch.Folder("sub");
    std::string target = scratch.path();
    while (target.size() < kQuotedValueMaxLength - 20) target += "\\sub\\..";
    target += "\\" + std::string(kQuotedValueMaxLength - target.size() - 5, 'n') + ".txt";
    ASSERT_EQ((size_t)kQuotedValueMaxLength, target.size());
    if (SaveTo(target, "long") == 1) {
        // Read where every "sub\.." cancels: the ANSI reader takes no path that long.
        EXPECT_EQ("long", harness::ReadBytes(scratch.Join(target.substr(target.rfind('\\') + 1))));
    } else {
        EXPECT_EQ("sub", FolderListing(scratch.path()));
        EXPECT_EQ("", FolderListing(scratch.Join("sub")));
    }
}

// Holds a file open the way another program might.
struct OpenFile {
    HANDLE handle;
    OpenFile(const std::string& path, DWORD share)
        : handle(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~OpenFile()
    {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

TEST(SaveOutputToFile, FailuresLeaveTheOldFileAndNothingElse)
{
    struct Case {
        const char* what;
        const char* target;  // in the scratch folder, which holds out.txt
        void (*prepare)(const harness::ScratchFolder& scratch, const std::string& target);
    } cases[] = {
        {"missing folder", "missing\\out.txt", nullptr},
        {"read-only file", "out.txt",
         [](const harness::ScratchFolder&, const std::string& target) {
             SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
         }},
        {"folder as target", "sub",
         [](const harness::ScratchFolder& scratch, const std::string&) { scratch.Folder("sub"); }},
        {"path ending in a separator", "sub\\",
         [](const harness::ScratchFolder& scratch, const std::string&) { scratch.Folder("sub"); }},
    };
    for (const Case& c : cases) {
        harness::ScratchFolder scratch;
        std::string old = scratch.File("out.txt", kOldContent);
        std::string target = scratch.Join(c.target);
        if (c.prepare) c.prepare(scratch, target);
        std::string listing = FolderListing(scratch.path());
        EXPECT_EQ(0, SaveTo(target, "new")) << c.what;
        EXPECT_EQ(kOldContent, harness::ReadBytes(old)) << c.what;
        EXPECT_EQ(listing, FolderListing(scratch.path())) << c.what;
        SetFileAttributesA(old.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

// The side names that the save would use first are taken by a folder and by
// a file of someone else's: the save passes over them and leaves them alone.
TEST(SaveOutputToFile, TakenSideNamesArePassedOver)
{
    harness::ScratchFolder scratch;
    std::string target = scratch.File("out.txt", kOldContent);
    char taken[600];
    snprintf(taken, sizeof(taken), "%s.%lx-0.tmp", target.c_str(), GetCurrentProcessId());
    CreateDirectoryA(taken, nullptr);
    snprintf(taken, sizeof(taken), "%s.%lx-0.bak", target.c_str(), GetCurrentProcessId());
    harness::WriteBytes(taken, "someone else's");
    std::string listing = FolderListing(scratch.path());
    EXPECT_EQ(1, SaveTo(target, "new"));
    EXPECT_EQ("new", harness::ReadBytes(target));
    EXPECT_EQ("someone else's", harness::ReadBytes(taken));
    EXPECT_EQ(listing, FolderListing(scratch.path()));
}

TEST(SaveOutputToFile, OpenTargetIsNotReplaced)
{
    struct Case {
        const char* what;
        DWORD share;
    } cases[] = {
        {"open without sharing", 0},
        // Writing in place would not share either, so a file open in any way
        // stays as it is.
        {"open with full sharing", FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE},
    };
    for (const Case& c : cases) {
        harness::ScratchFolder scratch;
        std::string target = scratch.File("out.txt", kOldContent);
        {
            OpenFile holder(target, c.share);
            ASSERT_NE(INVALID_HANDLE_VALUE, holder.handle) << c.what;
            EXPECT_EQ(0, SaveTo(target, "new")) << c.what;
        }
        EXPECT_EQ(kOldContent, harness::ReadBytes(target)) << c.what;
        EXPECT_EQ("out.txt", FolderListing(scratch.path())) << c.what;
    }
}

TEST(SaveOutputToFile, EmptyNameWritesNothing)
{
    harness::ScratchFolder scratch;
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof(previous), previous);
    ASSERT_TRUE(SetCurrentDirectoryA(scratch.path().c_str()));
    SetOutput(NamedFile, "");
    EXPECT_EQ(0, SaveOutputToFile("text", NamedFile));
    SetCurrentDirectoryA(previous);
    EXPECT_EQ("", FolderListing(scratch.path())) << "a file was left in the current folder";
}

using WriteFileFunction = decltype(&WriteFile);
WriteFileFunction realWriteFile;

// Half the bytes reach the file, then the disk is full.
BOOL WINAPI FailHalfway(HANDLE file, LPCVOID bytes, DWORD count, LPDWORD written, LPOVERLAPPED overlapped)
{
    realWriteFile(file, bytes, count / 2, written, overlapped);
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

// Half the bytes reach the file and the call still reports success.
BOOL WINAPI WriteHalf(HANDLE file, LPCVOID bytes, DWORD count, LPDWORD written, LPOVERLAPPED overlapped)
{
    return realWriteFile(file, bytes, count / 2, written, overlapped);
}

TEST(SaveOutputToFile, WriteThatStopsPartWayLeavesTheOldFile)
{
    struct Case {
        const char* what;
        WriteFileFunction standIn;
        bool existing;
    } cases[] = {
        {"write fails", FailHalfway, true},
        {"write falls short", WriteHalf, true},
        {"write fails, no file before", FailHalfway, false},
        {"write falls short, no file before", WriteHalf, false},
    };
    for (const Case& c : cases) {
        harness::ScratchFolder scratch;
        std::string target = scratch.Join("out.txt");
        if (c.existing) harness::WriteBytes(target, kOldContent);
        std::string listing = FolderListing(scratch.path());
        int result;
        {
            harness::ImportStandIn standIn("kernel32.dll", "WriteFile", (const void*)c.standIn);
            ASSERT_TRUE(standIn.active()) << "WriteFile is not in this exe's import table";
            realWriteFile = standIn.real<WriteFileFunction>();
            result = SaveTo(target, "new content that does not arrive whole");
        }
        EXPECT_EQ(0, result) << c.what;
        bool exists = false;
        std::string left = harness::ReadBytes(target, &exists);
        EXPECT_EQ(c.existing, exists) << c.what;
        if (c.existing) {
            EXPECT_EQ(kOldContent, left) << c.what << "\n got: " << Escaped(left);
        }
        EXPECT_EQ(listing, FolderListing(scratch.path())) << c.what;
    }
}

}  // namespace
