// Every platform call of the save, made to fail in turn by standing in for
// it in this exe's import table. Where Windows documents that a failing
// ReplaceFileW has already moved files, the stand-in moves them the same way
// before it fails. Each row checks what the user is left with: the
// destination's bytes, the stray files beside it, and whether the beep said
// that the new text is in place. The stand-ins refuse a plain path past 259
// units, as Windows does and Wine does not, so that the rows of long
// destinations show the "\\?\" form where it is needed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "output/save_output.h"
#include "tests/output/output_checks.h"
#include "tests/support/harness.h"

using output_checks::FolderListing;
using output_checks::SetOutput;

namespace {

const char kOld[] = "old text\r\nof the file";
const char kNew[] = "new text";

// Calls firstCall to firstCall + calls - 1 of function fail with error; with
// clearsAfterMs they fail only for that long after the first failure.
struct Fault {
    const char* function = nullptr;
    int firstCall = 0;
    int calls = 0;
    DWORD error = 0;
    DWORD clearsAfterMs = 0;
    bool movesOldToBackup = false;  // ReplaceFileW: the old file is under the backup name
    bool removesOld = false;        // ReplaceFileW: the old file is gone, as without a backup name
    bool removesNew = false;        // ReplaceFileW: the new file is gone, quarantined or deleted
};

constexpr int kAlways = 1000;

struct ActiveFault {
    const Fault* fault;
    int callCount;
    DWORD firstFailure;
};
ActiveFault active[2];
int beeps;

// The fault when this call of function is one that fails (the error is then
// set), else null.
const Fault* Fails(const char* function)
{
    for (ActiveFault& a : active) {
        if (!a.fault || strcmp(a.fault->function, function) != 0) continue;
        int call = ++a.callCount;
        if (call < a.fault->firstCall || call >= a.fault->firstCall + a.fault->calls) return nullptr;
        if (!a.firstFailure) a.firstFailure = GetTickCount();
        if (a.fault->clearsAfterMs && GetTickCount() - a.firstFailure >= a.fault->clearsAfterMs) return nullptr;
        SetLastError(a.fault->error);
        return a.fault;
    }
    return nullptr;
}

// The platform's own functions, as the import table held them before the
// stand-ins took their slots.
decltype(&CreateFileW) realCreateFile;
decltype(&WriteFile) realWriteFile;
decltype(&FlushFileBuffers) realFlush;
decltype(&CloseHandle) realClose;
decltype(&ReplaceFileW) realReplace;
decltype(&MoveFileExW) realMove;
decltype(&DeleteFileW) realDelete;

bool TooLong(LPCWSTR name)
{
    if (!name || wcslen(name) < MAX_PATH || !wcsncmp(name, L"\\\\?\\", 4)) return false;
    SetLastError(ERROR_PATH_NOT_FOUND);
    return true;
}

HANDLE WINAPI CreateFileStandIn(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                DWORD disposition, DWORD flags, HANDLE templateFile)
{
    if (TooLong(name) || Fails("CreateFileW")) return INVALID_HANDLE_VALUE;
    return realCreateFile(name, access, share, security, disposition, flags, templateFile);
}

BOOL WINAPI WriteFileStandIn(HANDLE file, LPCVOID bytes, DWORD count, LPDWORD written, LPOVERLAPPED overlapped)
{
    const Fault* fault = Fails("WriteFile");
    if (!fault) return realWriteFile(file, bytes, count, written, overlapped);
    realWriteFile(file, bytes, count / 2, written, overlapped);
    SetLastError(fault->error);
    return FALSE;
}

BOOL WINAPI FlushStandIn(HANDLE file) { return Fails("FlushFileBuffers") ? FALSE : realFlush(file); }

// A handle that fails to close is closed all the same, as on Windows; what
// was not yet on disk may be lost.
BOOL WINAPI CloseStandIn(HANDLE handle)
{
    BOOL closed = realClose(handle);
    return Fails("CloseHandle") ? FALSE : closed;
}

BOOL WINAPI ReplaceStandIn(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags, LPVOID exclude,
                           LPVOID reserved)
{
    if (TooLong(replaced) || TooLong(replacement) || TooLong(backup)) return FALSE;
    const Fault* fault = Fails("ReplaceFileW");
    if (!fault) return realReplace(replaced, replacement, backup, flags, exclude, reserved);
    if (fault->movesOldToBackup) realMove(replaced, backup, 0);
    if (fault->removesOld) realDelete(replaced);
    if (fault->removesNew) realDelete(replacement);
    SetLastError(fault->error);
    return FALSE;
}

BOOL WINAPI MoveStandIn(LPCWSTR from, LPCWSTR to, DWORD flags)
{
    return TooLong(from) || TooLong(to) || Fails("MoveFileExW") ? FALSE : realMove(from, to, flags);
}
BOOL WINAPI DeleteStandIn(LPCWSTR name) { return TooLong(name) || Fails("DeleteFileW") ? FALSE : realDelete(name); }
BOOL WINAPI BeepStandIn(UINT) { return ++beeps, TRUE; }

struct StandIns {
    harness::ImportStandIn create{"kernel32.dll", "CreateFileW", (const void*)CreateFileStandIn};
    harness::ImportStandIn write{"kernel32.dll", "WriteFile", (const void*)WriteFileStandIn};
    harness::ImportStandIn flush{"kernel32.dll", "FlushFileBuffers", (const void*)FlushStandIn};
    harness::ImportStandIn close{"kernel32.dll", "CloseHandle", (const void*)CloseStandIn};
    harness::ImportStandIn replace{"kernel32.dll", "ReplaceFileW", (const void*)ReplaceStandIn};
    harness::ImportStandIn move{"kernel32.dll", "MoveFileExW", (const void*)MoveStandIn};
    harness::ImportStandIn remove{"kernel32.dll", "DeleteFileW", (const void*)DeleteStandIn};
    harness::ImportStandIn beep{"user32.dll", "MessageBeep", (const void*)BeepStandIn};
    bool AllActive() const
    {
        return create.active() && write.active() && flush.active() && close.active() && replace.active() &&
               move.active() && remove.active() && beep.active();
    }
};

enum Left { Old, New, Nothing };
const char* const kLeftNames[] = {"the old text", "the new text", "no file"};

TEST(SaveFaults, DestinationKeepsTheOldOrTheNewText)
{
    const DWORD sharing = ERROR_SHARING_VIOLATION;
    struct Row {
        const char* what;
        bool existing;  // the destination held the old text before the save
        Fault faults[2];
        Left left;
        const char* strays;  // beside the destination
    } rows[] = {
        {"nothing fails", true, {{"CloseHandle", 1, 0}}, New, ""},
        {"nothing fails, no file before", false, {{"CloseHandle", 1, 0}}, New, ""},
        {"claim refused for good", true, {{"CreateFileW", 1, kAlways, ERROR_ACCESS_DENIED}}, Old, ""},
        {"claim refused for 300 ms", true, {{"CreateFileW", 1, kAlways, sharing, 300}}, New, ""},
        {"temporary file not created", true, {{"CreateFileW", 2, 1, ERROR_ACCESS_DENIED}}, Old, ""},
        {"temporary file not created, no file before", false, {{"CreateFileW", 2, 1, ERROR_DISK_FULL}}, Nothing, ""},
        {"write fails", true, {{"WriteFile", 1, kAlways, ERROR_DISK_FULL}}, Old, ""},
        {"flush fails", true, {{"FlushFileBuffers", 1, kAlways, ERROR_DISK_FULL}}, Old, ""},
        {"close fails", true, {{"CloseHandle", 1, kAlways, ERROR_NETNAME_DELETED}}, Old, ""},
        {"replace: old file not removable", true, {{"ReplaceFileW", 1, kAlways, ERROR_UNABLE_TO_REMOVE_REPLACED}}, Old, ""},
        {"replace: names kept", true, {{"ReplaceFileW", 1, kAlways, ERROR_UNABLE_TO_MOVE_REPLACEMENT}}, Old, ""},
        {"replace: old file gone", true,
         {{"ReplaceFileW", 1, kAlways, ERROR_UNABLE_TO_MOVE_REPLACEMENT, 0, false, true}}, New, ""},
        {"replace: old file under the backup name", true,
         {{"ReplaceFileW", 1, kAlways, ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, 0, true}}, New, ""},
        {"replace stops part-way, new file cannot move", true,
         {{"ReplaceFileW", 1, kAlways, ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, 0, true}, {"MoveFileExW", 1, 1, ERROR_DISK_FULL}},
         Old, ""},
        {"replace stops part-way, nothing can move", true,
         {{"ReplaceFileW", 1, kAlways, ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, 0, true},
          {"MoveFileExW", 1, kAlways, ERROR_DISK_FULL}},
         Nothing, "~bak | ~tmp"},
        {"replace: new file quarantined", true,
         {{"ReplaceFileW", 1, kAlways, ERROR_UNABLE_TO_MOVE_REPLACEMENT, 0, false, false, true}}, Old, ""},
        {"replace not supported: moved over", true, {{"ReplaceFileW", 1, kAlways, ERROR_NOT_SUPPORTED}}, New, ""},
        {"replace an invalid function: moved over", true, {{"ReplaceFileW", 1, kAlways, ERROR_INVALID_FUNCTION}}, New, ""},
        {"replace not supported, the one move fails", true,
         {{"ReplaceFileW", 1, kAlways, ERROR_NOT_SUPPORTED}, {"MoveFileExW", 1, 1, ERROR_ACCESS_DENIED}}, Old, ""},
        // Wine makes no symbolic links: the destination answers as one does, and leads to itself.
        {"symbolic link: saved beside its target", true, {{"ReplaceFileW", 1, 1, ERROR_SYMLINK_NOT_SUPPORTED}}, New, ""},
        {"symbolic link not resolved", true,
         {{"ReplaceFileW", 1, 1, ERROR_SYMLINK_NOT_SUPPORTED}, {"CreateFileW", 3, 1, ERROR_ACCESS_DENIED}}, Old, ""},
        {"replace refused for 300 ms", true, {{"ReplaceFileW", 1, kAlways, sharing, 300}}, New, ""},
        {"replace refused for good", true, {{"ReplaceFileW", 1, kAlways, sharing}}, Old, ""},
        {"move fails, no file before", false, {{"MoveFileExW", 1, kAlways, ERROR_DISK_FULL}}, Nothing, ""},
        {"move refused for 300 ms, no file before", false, {{"MoveFileExW", 1, kAlways, sharing, 300}}, New, ""},
        {"backup held for 300 ms", true, {{"DeleteFileW", 1, kAlways, sharing, 300}}, New, ""},
        // The backup then holds the only copy of the old text.
        {"backup not removable", true, {{"DeleteFileW", 1, kAlways, ERROR_ACCESS_DENIED}}, New, "~bak"},
    };
    // A path of 259 units, whose side paths only the "\\?\" form reaches;
    // names of 249 and 253 units, whose side names would pass the 255 units
    // of one name, in a folder of 6 units (a path of up to 259) and in one
    // of 250 (a path that only the "\\?\" form reaches).
    struct Destination {
        const char* folder;  // "": the scratch folder
        int folderLength;    // the folder made that long under the scratch folder
        int nameLength;      // of the name without ".txt"; 0: out.txt
        int pathLength = 0;  // the name made to give the path that length
    } destinations[] = {{"", 0, 0},           {"", 0, 0, 259},      {"C:\\sv", 0, 245},
                        {"C:\\sv", 0, 249}, {"", 250, 245},       {"", 250, 249}};
    char sideName[300];
    int survived = 0, count = 0;
    for (const Destination& destination : destinations) for (const Row& row : rows) {
        harness::ScratchFolder scratch;
        std::string folder = destination.folder[0] ? destination.folder : scratch.path();
        if (destination.folderLength) folder += "\\" + std::string(destination.folderLength - folder.size() - 1, 'f');
        int nameLength = destination.pathLength ? destination.pathLength - (int)folder.size() - 5 : destination.nameLength;
        std::string name = nameLength ? std::string(nameLength, 'n') + ".txt" : "out.txt";
        std::string target = folder + "\\" + name;
        // A refusal waited out shows nothing of the names, and Wine's final
        // path of a handle holds no more than MAX_PATH units.
        bool waits = false;
        for (const Fault& fault : row.faults)
            waits |= fault.error == ERROR_SHARING_VIOLATION || fault.error == ERROR_ACCESS_DENIED;
        bool wineLink = harness::RunningOnWine() && target.size() >= MAX_PATH && strstr(row.what, "symbolic link");
        if (nameLength && (waits || wineLink)) continue;
        ++count;
        CreateDirectoryW(harness::SystemPath(folder).c_str(), nullptr);
        if (row.existing) harness::WriteBytes(target, kOld);
        int result;
        {
            StandIns standIns;
            ASSERT_TRUE(standIns.AllActive()) << "a save function is not in this exe's import table";
            realCreateFile = standIns.create.real<decltype(realCreateFile)>();
            realWriteFile = standIns.write.real<decltype(realWriteFile)>();
            realFlush = standIns.flush.real<decltype(realFlush)>();
            realClose = standIns.close.real<decltype(realClose)>();
            realReplace = standIns.replace.real<decltype(realReplace)>();
            realMove = standIns.move.real<decltype(realMove)>();
            realDelete = standIns.remove.real<decltype(realDelete)>();
            active[0] = {&row.faults[0], 0, 0};
            active[1] = {row.faults[1].function ? &row.faults[1] : nullptr, 0, 0};
            beeps = 0;
            SetOutput(NamedFile, target);
            result = SaveOutputToFile(kNew, NamedFile);
            active[0] = active[1] = {};
        }
        bool exists = false;
        std::string got = harness::ReadBytes(target, &exists);
        Left left = !exists ? Nothing : got == kNew ? New : got == kOld ? Old : Nothing;
        // Side names are written "~tmp" and "~bak" in the table.
        std::string strays = " | " + FolderListing(folder) + " | ";
        if (exists) strays.replace(strays.find(" | " + name + " | "), name.size() + 3, "");
        strays = strays.size() > 6 ? strays.substr(3, strays.size() - 6) : "";
        bool cut = name.size() + 16 > 255;
        snprintf(sideName, sizeof(sideName), "%s.%lx-0.", cut ? "" : name.c_str(), GetCurrentProcessId());
        for (size_t at; (at = strays.find(sideName)) != std::string::npos;) strays.replace(at, strlen(sideName), "~");
        std::string expectedStrays = row.strays;
        bool ok = exists == (row.left != Nothing) && left == row.left && strays == expectedStrays &&
                  result == (left == New) && beeps == (left == New ? 1 : 0);
        EXPECT_TRUE(ok) << row.what << "\n at " << target << "\n destination: got " << (exists ? harness::Escaped(got) : "no file")
                        << ", expected " << kLeftNames[row.left] << "\n strays: got \"" << strays
                        << "\", expected \"" << expectedStrays << "\"\n result " << result << ", beeps " << beeps;
        survived += ok;
        // Stray copies keep their texts: the backup the old one, the temporary file the new one.
        if (ok && strays.find("~bak") != std::string::npos) {
            EXPECT_EQ(kOld, harness::ReadBytes(folder + "\\" + sideName + "bak")) << row.what;
        }
        if (ok && strays.find("~tmp") != std::string::npos) {
            EXPECT_EQ(kNew, harness::ReadBytes(folder + "\\" + sideName + "tmp")) << row.what;
        }
        if (destination.folder[0]) harness::RemoveTree(folder);
    }
    printf("%d save faults survived of %d\n", survived, count);
}

}  // namespace
