// Helpers of the item collection tests: the list read back as text, a scratch
// folder made the current directory so that cases can name files relatively,
// and a drive letter mapped to a folder.
#pragma once
#include <windows.h>
#include <winioctl.h>
#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "items/item_list.h"
#include "items/path_questions.h"
#include "tests/support/harness.h"

// The ways of asking the scanner's questions, which must all give the same items: in the
// scanning thread, by the pool from the first question, by a pool whose threads cannot start.
constexpr struct AskingWay {
    const char* name;
    QuestionPool pool;
    bool noThreads;
} kAskingWays[] = {{"in one thread", {0, 0, 0}, false}, {"by the pool", {kMostPoolThreads, 0, 0}, false},
                   {"by a pool without threads", {kMostPoolThreads, 0, 0}, true}};

inline HANDLE WINAPI NoThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, void*, DWORD, DWORD*) { return 0; }

// The way in force for the life of the object.
struct AskedIn {
    explicit AskedIn(const AskingWay& way)
        : saved(questionPool), threads("kernel32.dll", "CreateThread", (void*)(way.noThreads ? NoThread : CreateThread))
    {
        questionPool = way.pool;
    }
    ~AskedIn() { questionPool = saved; }
    QuestionPool saved;
    harness::ImportStandIn threads;
};

// One line per item, "File <text>" or "Url <text>", each ending in LF; no
// item text can hold an LF, so the lines cannot run into each other.
inline std::string ListedItems()
{
    std::string listed;
    for (int i = 0; i < itemList.count && i < kItemCapacity; ++i) {
        listed += itemList.items[i].kind == File ? "File " : itemList.items[i].kind == Url ? "Url " : "Kind? ";
        listed += itemList.items[i].text;
        listed += '\n';
    }
    return listed;
}

// Fills the list with a state no scan produces, so that a scan that leaves
// the list alone can be told from one that empties it.
inline void PoisonItemList()
{
    itemList.count = 3;
    for (int i = 0; i < 3; ++i) {
        itemList.items[i].kind = Url;
        lstrcpynA(itemList.items[i].text, "poison", kItemTextSize);
    }
}

// A scratch folder that is the current directory for the life of a test.
class InScratchFolder : public testing::Test {
protected:
    void SetUp() override
    {
        GetCurrentDirectoryA(sizeof(savedFolder_), savedFolder_);
        ASSERT_TRUE(SetCurrentDirectoryA(scratch_.path().c_str())) << scratch_.path();
    }
    // Back out of the folder before it is removed.
    void TearDown() override { SetCurrentDirectoryA(savedFolder_); }

    harness::ScratchFolder scratch_;

private:
    char savedFolder_[MAX_PATH] = {};
};

// The first letter from D: on that both the mask of logical drives and
// GetDriveType call free, '\0' when there is none: Wine keeps a removed
// letter in the mask, with no root folder behind it.
inline char FreeDriveLetter()
{
    DWORD used = GetLogicalDrives();
    for (char letter = 'D'; letter <= 'Z'; ++letter) {
        char root[] = {letter, ':', '\\', '\0'};
        if (!(used & (1u << (letter - 'A'))) && GetDriveTypeA(root) == DRIVE_NO_ROOT_DIR) return letter;
    }
    return '\0';
}

// A drive letter mapped to a folder for the life of the object. Windows maps
// it with DefineDosDeviceA. Wine accepts that call but its file system does
// not follow it, so there the drive is defined through Wine's mount manager,
// the way its configuration program does it.
class MappedDrive {
public:
    MappedDrive(char letter, const std::string& folder) : letter_(letter)
    {
        // Wine keeps the letter among the logical drives after a removal, but
        // with no root folder behind it.
        if (GetDriveTypeA((Name() + "\\").c_str()) != DRIVE_NO_ROOT_DIR) return;
        mapped_ = harness::RunningOnWine() ? DefineWineDrive(folder.c_str()) : DefineWindowsDrive(folder.c_str());
    }
    ~MappedDrive()
    {
        if (!mapped_) return;
        if (harness::RunningOnWine()) DefineWineDrive(nullptr);
        else DefineDosDeviceA(DDD_REMOVE_DEFINITION, Name().c_str(), nullptr);
    }
    MappedDrive(const MappedDrive&) = delete;
    MappedDrive& operator=(const MappedDrive&) = delete;
    bool mapped() const { return mapped_; }

private:
    // Wine's request to define (with a Unix folder) or remove (without) a drive.
    struct WineUnixDrive {
        ULONG size;
        ULONG type;
        ULONG fsType;
        DWORD serial;
        ULONGLONG unixDevice;
        WCHAR letter;
        USHORT mountPointOffset;
        USHORT deviceOffset;
        USHORT labelOffset;
    };

    std::string Name() const { return std::string(1, letter_) + ":"; }

    bool DefineWindowsDrive(const char* folder) { return DefineDosDeviceA(0, Name().c_str(), folder) != 0; }

    bool DefineWineDrive(const char* folder)
    {
        typedef char*(CDECL * UnixNameOf)(const WCHAR*);
        auto unixNameOf = (UnixNameOf)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
        if (!unixNameOf) return false;
        char request[sizeof(WineUnixDrive) + 2 * MAX_PATH] = {};
        WineUnixDrive* drive = (WineUnixDrive*)request;
        drive->size = sizeof(WineUnixDrive);
        drive->letter = (WCHAR)(letter_ - 'A' + 'a');
        if (folder) {
            WCHAR wide[MAX_PATH];
            MultiByteToWideChar(CP_ACP, 0, folder, -1, wide, MAX_PATH);
            char* unixFolder = unixNameOf(wide);
            if (!unixFolder || strlen(unixFolder) >= sizeof(request) - sizeof(WineUnixDrive)) return false;
            drive->type = DRIVE_FIXED;
            drive->mountPointOffset = sizeof(WineUnixDrive);
            strcpy(request + sizeof(WineUnixDrive), unixFolder);
            drive->size += (ULONG)strlen(unixFolder) + 1;
            HeapFree(GetProcessHeap(), 0, unixFolder);
        }
        HANDLE manager = CreateFileA("\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (manager == INVALID_HANDLE_VALUE) return false;
        const DWORD kDefineUnixDrive = CTL_CODE(0x6d, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
        DWORD returned = 0;
        bool done = DeviceIoControl(manager, kDefineUnixDrive, request, drive->size, nullptr, 0, &returned, nullptr);
        CloseHandle(manager);
        return done;
    }

    char letter_;
    bool mapped_ = false;
};
