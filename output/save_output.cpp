// Saving the result text to a file: the one named by "/#f=" or one picked in
// the Save As dialog. Owns the replacement of that file. The new text is
// written as a file of its own beside the destination and takes its place
// only when every byte is on disk; whatever fails on the way, the
// destination is left with the old text or the new one, and a file that
// holds the only copy of either is never removed. The save works on the
// name's exact UTF-16 form, in both kinds of run, through the Unicode file
// functions: the ANSI ones would hand paths back (the full path, a link's
// target) through best fit, and a relative name in a folder that the code
// page cannot hold would be written into a look-alike folder. The bytes of
// the text are the caller's.
#include "output/save_output.h"

#include <windows.h>
#include <commdlg.h>

#include "system/final_path.h"
#include "system/long_path.h"
#include "system/system_calls.h"
#include "system/system_function.h"
#include "system/system_text.h"
#include "system/text_rules.h"

const char* saveAsFilter;

constexpr int kFileNameBufferSize = 520;
// Room for the "\\?\UNC" prefix, the name, a dot, the process id in hex, a
// dash, an attempt number and an extension: the temporary file and the
// backup lie beside the destination under such names.
constexpr int kSideNameBufferSize = kFileNameBufferSize + 32;
// What a side name adds at most to the destination's: the dot, eight digits
// of the process id, the dash, two of the attempt, the dot and the extension.
constexpr int kSideSuffixLength = 16;
constexpr int kSideNameAttempts = 100;

#ifndef _WIN64
static_assert(sizeof(OPENFILENAMEW) == 88, "the full 32-bit OPENFILENAMEW is 88 bytes");
#endif

static const wchar_t kDefaultExtension[] = L"txt";
// Room for the filter's names and patterns in either language.
constexpr int kFilterUnits = 128;

// The filter's bytes with every NUL of it, the closing one included; none
// for no filter.
static int FilterLength(const char* filter)
{
    if (!filter) return 0;
    int length = 0;
    while (filter[length]) length += lstrlenA(filter + length) + 1;
    return length + 1;
}

// The dialog is asked in Unicode: its ANSI form would hand back a look-alike
// of a name that the code page cannot hold, and the text would be written to
// that other file. A run in the code page refuses such a name, as a cancel.
static bool AskForFileName(wchar_t (&name)[kFileNameBufferSize])
{
    wchar_t wideFilter[kFilterUnits];
    if (!TextToSystem(saveAsFilter, FilterLength(saveAsFilter), wideFilter, kFilterUnits)) return false;
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.lpstrFilter = saveAsFilter ? wideFilter : nullptr;
    dialog.lpstrFile = name;
    dialog.nMaxFile = kFileNameBufferSize;
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    dialog.lpstrDefExt = kDefaultExtension;
    auto getSaveFileName = LoadSystemFunctionAs<decltype(&GetSaveFileNameW)>("comdlg32.dll", "GetSaveFileNameW");
    return getSaveFileName && getSaveFileName(&dialog);
}

static bool AskForFileName(const char*, wchar_t (&name)[kFileNameBufferSize])
{
    char inCodePage[kFileNameBufferSize];
    return AskForFileName(name) && NameFromSystem(name, inCodePage, kFileNameBufferSize);
}

static bool AskForFileName(const wchar_t*, wchar_t (&name)[kFileNameBufferSize]) { return AskForFileName(name); }

// The "/#f=" value in UTF-16. In the code page it is converted once, back to
// the exact name that the user gave: a value that held a stand-in is empty.
static bool NamedFileName(const char* value, wchar_t (&name)[kFileNameBufferSize])
{
    return TextToSystem(value, (int)TextLength(value, kFileNameBufferSize) + 1, name, kFileNameBufferSize);
}

static bool NamedFileName(const wchar_t* value, wchar_t (&name)[kFileNameBufferSize])
{
    CopyText(name, value, kFileNameBufferSize);
    return true;
}

// Antivirus scanners, search indexers and sync clients open a file for a
// moment right after it is written or renamed; what they refuse meanwhile is
// granted again within a few hundred milliseconds.
constexpr DWORD kPatienceMs = 1000;
constexpr DWORD kPauseMs = 50;

static bool IsPassingRefusal(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// Makes the attempt again while it is refused in passing, for about a
// second; the last error is then the attempt's own.
template <typename Attempt>
static bool Patiently(Attempt attempt)
{
    DWORD start = GetTickCount();
    while (!attempt()) {
        if (!IsPassingRefusal(GetLastError()) || GetTickCount() - start >= kPatienceMs) return false;
        Sleep(kPauseMs);
    }
    return true;
}

static bool Exists(const wchar_t* name)
{
    return FileAttributes(name) != INVALID_FILE_ATTRIBUTES;
}

static bool MovePatiently(const wchar_t* from, const wchar_t* to)
{
    return Patiently([&] { return MoveFileOver(from, to); });
}

static void DeletePatiently(const wchar_t* name)
{
    Patiently([&] { return RemoveFile(name); });
}

struct SaveFiles {
    wchar_t destination[kSideNameBufferSize];  // the full path, in its long form past MAX_PATH
    int nameAt;                                // where its file name begins
    DWORD length;                              // of the new text
    wchar_t temp[kSideNameBufferSize];
    wchar_t backup[kSideNameBufferSize];
};

// A side file lies in the destination's folder, as the replace needs, under
// the destination's name with ".<pid>-<attempt>.<extension>". Where that
// would pass the 255 units that a file system allows for one name, from a
// name of about 240 units on, the side file is named
// ".<pid>-<attempt>.<extension>" alone. A side path past 259 units takes
// the "\\?\" form, as a plain write of the destination would still save
// there. False when it does not fit the buffer.
static bool FormSideName(wchar_t (&name)[kSideNameBufferSize], const SaveFiles& files, int attempt, const wchar_t* extension)
{
    wchar_t path[kSideNameBufferSize];
    CopyText(path, files.destination, kSideNameBufferSize);
    if (lstrlenW(path + files.nameAt) + kSideSuffixLength > kLongestName) path[files.nameAt] = 0;
    wchar_t side[kSideNameBufferSize];
    return FormatSideName(side, kSideNameBufferSize, path, GetCurrentProcessId(), attempt, extension) > 0 &&
           LongPathForm(side, name, kSideNameBufferSize) > 0;
}

enum DestinationState { DestinationAbsent, DestinationClaimed, DestinationRefused };

// Opening the destination for writing without sharing fails, as writing it
// in place would, when it is read-only, a folder or open in another program
// for longer than a moment. The handle keeps others out while the new file
// is written.
static DestinationState ClaimDestination(const wchar_t* fileName, HANDLE* claim)
{
    // A folder or a read-only file refuses for good: nothing to wait for.
    DWORD attributes = FileAttributes(fileName);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
        return DestinationRefused;
    bool claimed = Patiently([&] {
        *claim = CreateFileNamed(fileName, GENERIC_WRITE, 0, OPEN_EXISTING);
        return *claim != INVALID_HANDLE_VALUE;
    });
    if (claimed) return DestinationClaimed;
    return GetLastError() == ERROR_FILE_NOT_FOUND ? DestinationAbsent : DestinationRefused;
}

// False when any byte is missing: a write that reports fewer bytes than
// asked is as much a failure as one that reports an error.
static bool WriteAll(HANDLE file, const char* text, DWORD length)
{
    DWORD written = 0;
    if (!WriteFile(file, text, length, &written, nullptr) || written != length) return false;
    return FlushFileBuffers(file) != 0;
}

// The new file, under the first side name that nothing in the folder has
// yet; a name taken by a file or a folder is passed over. False when it
// could not be created or written whole; nothing of it is then left.
static bool WriteTempFile(SaveFiles& files, const char* text)
{
    HANDLE temp = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < kSideNameAttempts && temp == INVALID_HANDLE_VALUE; ++attempt) {
        if (!FormSideName(files.temp, files, attempt, L"tmp")) return false;
        temp = CreateFileNamed(files.temp, GENERIC_WRITE, 0, CREATE_NEW);
        if (temp == INVALID_HANDLE_VALUE && !Exists(files.temp)) return false;
    }
    if (temp == INVALID_HANDLE_VALUE) return false;
    bool complete = WriteAll(temp, text, files.length);
    complete = CloseHandle(temp) && complete;
    if (!complete) DeletePatiently(files.temp);
    return complete;
}

static bool FindFreeBackupName(SaveFiles& files)
{
    for (int attempt = 0; attempt < kSideNameAttempts; ++attempt) {
        if (!FormSideName(files.backup, files, attempt, L"bak")) return false;
        if (!Exists(files.backup)) return true;
    }
    return false;
}

// Whether the destination holds the new text, as far as its size tells: a
// move or a replace reported done is not enough, as a scanner may have taken
// the new file away meanwhile, and a failed replace may have left either
// text in place. The backup, the old text's copy, is removed only when it
// does; otherwise it may be the only copy left.
static bool ConfirmInPlace(const SaveFiles& files)
{
    WIN32_FILE_ATTRIBUTE_DATA found;
    if (!FileData(files.destination, &found) ||
        (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || found.nFileSizeHigh || found.nFileSizeLow != files.length)
        return false;
    if (files.backup[0]) DeletePatiently(files.backup);
    return true;
}

// A replace that failed may have stopped part-way, with the old file moved
// to the backup name and the new one not yet in its place (or, as without a
// backup name, with the old file gone). The files are read as they stand,
// whatever the error said: the new file goes into place, or else the old one
// goes back; when neither can move, both stay where they are.
static bool SettleFailedReplace(const SaveFiles& files)
{
    if (Exists(files.destination)) {
        if (!Exists(files.temp)) return ConfirmInPlace(files);
        DeletePatiently(files.temp);
        return false;
    }
    if (MovePatiently(files.temp, files.destination)) return ConfirmInPlace(files);
    if (Exists(files.backup) && MovePatiently(files.backup, files.destination)) DeletePatiently(files.temp);
    return false;
}

// File systems that have no replace of their own (network shares such as
// \\wsl$) answer so, having moved nothing.
static bool IsReplaceMissing(DWORD error) { return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION; }

enum SaveOutcome { Saved, NotSaved, DestinationIsLink };

// The written new file takes the destination's place. The old file goes to
// a backup name first, so that no step of the replace can lose it.
static SaveOutcome PutInPlace(SaveFiles& files, DestinationState state)
{
    if (state == DestinationAbsent) {
        if (MovePatiently(files.temp, files.destination)) return ConfirmInPlace(files) ? Saved : NotSaved;
        DeletePatiently(files.temp);
        return NotSaved;
    }
    bool replaced = Patiently([&] { return ReplaceFileKeeping(files.destination, files.temp, files.backup); });
    if (replaced) return ConfirmInPlace(files) ? Saved : NotSaved;
    DWORD error = GetLastError();
    if (Exists(files.destination) && Exists(files.temp) && !Exists(files.backup)) {
        // Without a replace, a move over the old file is the one step left
        // that cannot lose it: the file system does it whole or not at all.
        if (IsReplaceMissing(error) && MoveFileOver(files.temp, files.destination)) {
            files.backup[0] = 0;
            return ConfirmInPlace(files) ? Saved : NotSaved;
        }
        if (error == ERROR_SYMLINK_NOT_SUPPORTED) {
            DeletePatiently(files.temp);
            return DestinationIsLink;
        }
    }
    return SettleFailedReplace(files) ? Saved : NotSaved;
}

// The new text written beside the destination, then put in its place.
static SaveOutcome SaveBeside(const wchar_t* fileName, const char* text, DWORD textLength)
{
    SaveFiles files = {};
    int length = LongPathForm(fileName, files.destination, kSideNameBufferSize, &files.nameAt);
    if (!length || files.nameAt >= length) return NotSaved;
    files.length = textLength;
    HANDLE claim;
    DestinationState state = ClaimDestination(files.destination, &claim);
    if (state == DestinationRefused) return NotSaved;
    bool written = WriteTempFile(files, text);
    bool named = written && (state == DestinationAbsent || FindFreeBackupName(files));
    if (state == DestinationClaimed) CloseHandle(claim);
    if (written && !named) DeletePatiently(files.temp);
    return named ? PutInPlace(files, state) : NotSaved;
}

static bool ReplaceFileContent(const wchar_t* fileName, const char* text, DWORD length)
{
    wchar_t name[kSideNameBufferSize];
    if (!fileName[0] || !LongPathForm(fileName, name, kSideNameBufferSize)) return false;
    SaveOutcome outcome = SaveBeside(name, text, length);
    if (outcome == DestinationIsLink) {
        // Replacing the link would make it a file of its own: the link stays
        // one, and the file it leads to gets the new text.
        wchar_t target[kFileNameBufferSize];
        outcome = FinalPathOf(name, target, kFileNameBufferSize) ? SaveBeside(target, text, length) : NotSaved;
    }
    return outcome == Saved;
}

// A run in the code page writes its bytes as they are; a run in Unicode
// writes UTF-8, in a block of its own.
struct FileBytes {
    HGLOBAL block;
    const char* text;
    DWORD length;
};

static FileBytes BytesToWrite(const char* text) { return {nullptr, text, (DWORD)lstrlenA(text)}; }

static FileBytes BytesToWrite(const wchar_t* text)
{
    DWORD length = 0;
    HGLOBAL block = Utf8FromText(text, &length);
    FileBytes bytes = {block, nullptr, length};
    if (block) bytes.text = (const char*)GlobalLock(block);
    return bytes;
}

template <typename Char>
int SaveOutputToFile(const Char* resultText, OutputMode mode)
{
    wchar_t fileName[kFileNameBufferSize] = {};
    bool named = mode == AskForFile ? AskForFileName(resultText, fileName)
                                    : NamedFileName(SettingsOf(resultText).outputFilePath, fileName);
    if (!named) return 0;
    FileBytes bytes = BytesToWrite(resultText);
    bool saved = bytes.text && ReplaceFileContent(fileName, bytes.text, bytes.length);
    if (bytes.block) {
        GlobalUnlock(bytes.block);
        GlobalFree(bytes.block);
    }
    if (!saved) return 0;
    MessageBeep(MB_ICONASTERISK);
    return 1;
}

template int SaveOutputToFile(const char*, OutputMode);
template int SaveOutputToFile(const wchar_t*, OutputMode);
