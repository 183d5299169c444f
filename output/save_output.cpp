// Saving the result text to a file: the one named by "/#f=" or one picked in
// the Save As dialog. Owns the replacement of that file, which is written as a
// new file beside it and put in its place only when every byte is on disk, so
// that a failed save leaves the old file exactly as it was.
#include "output/save_output.h"

#include <windows.h>
#include <commdlg.h>
#include <stdio.h>

#include "app/system_function.h"

constexpr int kFileNameBufferSize = 520;
// Room for the name, a dot, the process id in hex and ".tmp".
constexpr int kTempNameBufferSize = kFileNameBufferSize + 16;

#ifndef _WIN64
static_assert(sizeof(OPENFILENAMEA) == 88, "the full 32-bit OPENFILENAMEA is 88 bytes");
#endif

// Text files, then all files; the display names are Shift-JIS. The literal's
// own NUL ends the list.
static const char kSaveAsFilter[] =
    "\x83\x65\x83\x4C\x83\x58\x83\x67\x83\x74\x83\x40\x83\x43\x83\x8B(*.txt)\0*.txt\0"
    "\x91\x53\x82\xC4\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B(*.*)\0*.*\0";

static const char kDefaultExtension[] = "txt";

static bool AskForFileName(char (&fileName)[kFileNameBufferSize])
{
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.lpstrFilter = kSaveAsFilter;
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = sizeof(fileName);
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    dialog.lpstrDefExt = kDefaultExtension;
    auto getSaveFileName = LoadSystemFunctionAs<decltype(&GetSaveFileNameA)>("comdlg32.dll", "GetSaveFileNameA");
    return getSaveFileName && getSaveFileName(&dialog) != 0;
}

enum DestinationState { DestinationAbsent, DestinationClaimed, DestinationRefused };

// Opening the destination for writing without sharing fails, as writing it
// in place would, when it is read-only, a folder or open in another process.
// The handle keeps others out while the new file is written.
static DestinationState ClaimDestination(const char* fileName, HANDLE* claim)
{
    *claim = CreateFileA(fileName, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (*claim != INVALID_HANDLE_VALUE) return DestinationClaimed;
    return GetLastError() == ERROR_FILE_NOT_FOUND ? DestinationAbsent : DestinationRefused;
}

// A name beside the destination, so that the new file lies on the same volume
// and can take the destination's place by a rename.
static bool FormTempName(const char* fileName, char (&tempName)[kTempNameBufferSize])
{
    int n = _snprintf(tempName, sizeof(tempName), "%s.%lx.tmp", fileName, GetCurrentProcessId());
    return n > 0 && n < (int)sizeof(tempName);
}

// False when any byte is missing: a write that reports fewer bytes than
// asked is as much a failure as one that reports an error.
static bool WriteAll(HANDLE file, const char* text, DWORD length)
{
    DWORD written = 0;
    if (!WriteFile(file, text, length, &written, nullptr) || written != length) return false;
    return FlushFileBuffers(file) != 0;
}

static bool MoveIntoPlace(const char* tempName, const char* fileName, DestinationState state)
{
    if (state == DestinationClaimed) {
        if (ReplaceFileA(fileName, tempName, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) return true;
        // With no backup name the old file may already be gone when the new
        // one could not be renamed; the new one is then all there is to keep.
        if (GetLastError() != ERROR_UNABLE_TO_MOVE_REPLACEMENT) return false;
    }
    return MoveFileExA(tempName, fileName, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// False when the new file could not be created; *complete then tells
// whether every byte reached it.
static bool WriteTempFile(const char* tempName, const char* text, bool* complete)
{
    HANDLE temp = CreateFileA(tempName, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (temp == INVALID_HANDLE_VALUE) return false;
    *complete = WriteAll(temp, text, (DWORD)lstrlenA(text));
    *complete = CloseHandle(temp) && *complete;
    return true;
}

static bool ReplaceFileContent(const char* fileName, const char* text)
{
    char tempName[kTempNameBufferSize];
    if (!fileName[0] || !FormTempName(fileName, tempName)) return false;
    HANDLE claim;
    DestinationState state = ClaimDestination(fileName, &claim);
    if (state == DestinationRefused) return false;
    bool complete = false;
    bool created = WriteTempFile(tempName, text, &complete);
    if (state == DestinationClaimed) CloseHandle(claim);
    if (!created) return false;
    if (complete && MoveIntoPlace(tempName, fileName, state)) return true;
    DeleteFileA(tempName);
    return false;
}

int SaveOutputToFile(const char* resultText, OutputMode mode)
{
    char fileName[kFileNameBufferSize] = {};
    if (mode == AskForFile) {
        if (!AskForFileName(fileName)) return 0;
    } else {
        lstrcpynA(fileName, runSettings.outputFilePath, sizeof(fileName));
    }
    if (!ReplaceFileContent(fileName, resultText)) return 0;
    MessageBeep(MB_ICONASTERISK);
    return 1;
}
