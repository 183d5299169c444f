// Saving the result text to a file: the one named by "/#f=" or one picked in
// the Save As dialog. Owns the replacement of that file. The new text is
// written as a file of its own beside the destination and takes its place
// only when every byte is on disk; whatever fails on the way, the
// destination is left with the old text or the new one, and a file that
// holds the only copy of either is never removed. Written once for a name of
// either kind of text; the bytes of the text are the caller's.
#include "output/save_output.h"

#include <windows.h>
#include <commdlg.h>

#include "app/program_texts.h"
#include "system/system_calls.h"
#include "system/system_function.h"
#include "system/system_text.h"
#include "system/text_rules.h"

constexpr int kFileNameBufferSize = 520;
// Room for the name, a dot, the process id in hex, a dash, an attempt number
// and an extension: the temporary file and the backup lie beside the
// destination under such names.
constexpr int kSideNameBufferSize = kFileNameBufferSize + 24;
constexpr int kSideNameAttempts = 100;

#ifndef _WIN64
static_assert(sizeof(OPENFILENAMEW) == 88, "the full 32-bit OPENFILENAMEW is 88 bytes");
#endif

static const wchar_t kDefaultExtension[] = L"txt";
// Room for the filter's names and patterns in either language.
constexpr int kFilterUnits = 128;

// The filter's bytes with every NUL of it, the closing one included.
static int FilterLength(const char* filter)
{
    int length = 0;
    while (filter[length]) length += lstrlenA(filter + length) + 1;
    return length + 1;
}

// The dialog is asked in Unicode: its ANSI form would hand back a look-alike
// of a name that the code page cannot hold, and the text would be written to
// that other file. A run in the code page refuses such a name, as a cancel.
static bool AskForFileName(wchar_t (&name)[kFileNameBufferSize])
{
    const char* filter = SaveAsFilter();
    wchar_t wideFilter[kFilterUnits];
    if (!TextToSystem(filter, FilterLength(filter), wideFilter, kFilterUnits)) return false;
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.lpstrFilter = wideFilter;
    dialog.lpstrFile = name;
    dialog.nMaxFile = kFileNameBufferSize;
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    dialog.lpstrDefExt = kDefaultExtension;
    auto getSaveFileName = LoadSystemFunctionAs<decltype(&GetSaveFileNameW)>("comdlg32.dll", "GetSaveFileNameW");
    return getSaveFileName && getSaveFileName(&dialog);
}

static bool AskForFileName(char (&fileName)[kFileNameBufferSize])
{
    wchar_t name[kFileNameBufferSize] = {};
    return AskForFileName(name) && NameFromSystem(name, fileName, kFileNameBufferSize);
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

template <typename Char>
static bool Exists(const Char* name)
{
    return FileAttributes(name) != INVALID_FILE_ATTRIBUTES;
}

template <typename Char>
static bool MovePatiently(const Char* from, const Char* to)
{
    return Patiently([&] { return MoveFileOver(from, to); });
}

template <typename Char>
static void DeletePatiently(const Char* name)
{
    Patiently([&] { return RemoveFile(name); });
}

template <typename Char>
struct SaveFiles {
    Char destination[kFileNameBufferSize];  // the full path
    int nameAt;                              // where the destination's own name starts in it
    DWORD length;                            // of the new text
    Char temp[kSideNameBufferSize];
    Char backup[kSideNameBufferSize];
};

// The file functions refuse a path of MAX_PATH units or more.
constexpr int kLongestPath = MAX_PATH - 1;

// A side file lies in the destination's folder, as the replace needs, under
// the destination's name with ".<pid>-<attempt>.<extension>". Those ten to
// fifteen characters more pass the path limit from a destination of about
// 245 characters on, which a plain write would still save: there it is
// "~<pid>-<attempt>.<extension>" in the same folder, which fits unless the
// folder's own path comes within that much of the limit. False when neither
// fits.
template <typename Char>
static bool FormSideName(Char (&name)[kSideNameBufferSize], const SaveFiles<Char>& files, int attempt, const Char* extension)
{
    DWORD pid = GetCurrentProcessId();
    int length = FormatSideName(name, kSideNameBufferSize, files.destination, TEXT_AS(Char, "."), pid, attempt, extension);
    if (length > 0 && length <= kLongestPath) return true;
    CopyText(name, files.destination, files.nameAt + 1);
    length = FormatSideName(name + files.nameAt, kSideNameBufferSize - files.nameAt, TEXT_AS(Char, ""), TEXT_AS(Char, "~"),
                            pid, attempt, extension);
    return length > 0 && files.nameAt + length <= kLongestPath;
}

enum DestinationState { DestinationAbsent, DestinationClaimed, DestinationRefused };

// Opening the destination for writing without sharing fails, as writing it
// in place would, when it is read-only, a folder or open in another program
// for longer than a moment. The handle keeps others out while the new file
// is written.
template <typename Char>
static DestinationState ClaimDestination(const Char* fileName, HANDLE* claim)
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
template <typename Char>
static bool WriteTempFile(SaveFiles<Char>& files, const char* text)
{
    HANDLE temp = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < kSideNameAttempts && temp == INVALID_HANDLE_VALUE; ++attempt) {
        if (!FormSideName(files.temp, files, attempt, TEXT_AS(Char, "tmp"))) return false;
        temp = CreateFileNamed(files.temp, GENERIC_WRITE, 0, CREATE_NEW);
        if (temp == INVALID_HANDLE_VALUE && !Exists(files.temp)) return false;
    }
    if (temp == INVALID_HANDLE_VALUE) return false;
    bool complete = WriteAll(temp, text, files.length);
    complete = CloseHandle(temp) && complete;
    if (!complete) DeletePatiently(files.temp);
    return complete;
}

template <typename Char>
static bool FindFreeBackupName(SaveFiles<Char>& files)
{
    for (int attempt = 0; attempt < kSideNameAttempts; ++attempt) {
        if (!FormSideName(files.backup, files, attempt, TEXT_AS(Char, "bak"))) return false;
        if (!Exists(files.backup)) return true;
    }
    return false;
}

// Whether the destination holds the new text, as far as its size tells: a
// move or a replace reported done is not enough, as a scanner may have taken
// the new file away meanwhile, and a failed replace may have left either
// text in place. The backup, the old text's copy, is removed only when it
// does; otherwise it may be the only copy left.
template <typename Char>
static bool ConfirmInPlace(const SaveFiles<Char>& files)
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
template <typename Char>
static bool SettleFailedReplace(const SaveFiles<Char>& files)
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
template <typename Char>
static SaveOutcome PutInPlace(SaveFiles<Char>& files, DestinationState state)
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
template <typename Char>
static SaveOutcome SaveBeside(const Char* fileName, const char* text, DWORD textLength)
{
    SaveFiles<Char> files = {};
    Char* name = nullptr;
    DWORD length = FullPathName(fileName, kFileNameBufferSize, files.destination, &name);
    if (!length || length >= (DWORD)kFileNameBufferSize || !name) return NotSaved;
    files.nameAt = (int)(name - files.destination);
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

// The file that the symbolic link fileName leads to, as a path that the file
// functions take: the system writes it with "\\?\" before a drive and
// "\\?\UNC\" for the "\\" of a share.
template <typename Char>
static bool FindLinkTarget(const Char* fileName, Char (&target)[kFileNameBufferSize])
{
    HANDLE file = CreateFileNamed(fileName, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return false;
    Char path[kFileNameBufferSize];
    DWORD length = FinalPathName(file, path, kFileNameBufferSize);
    CloseHandle(file);
    if (!length || length >= (DWORD)kFileNameBufferSize) return false;
    const Char* plain = path;
    if (StartsWithNoCase(path, TEXT_AS(Char, "\\\\?\\UNC\\"))) {
        path[6] = '\\';
        plain = path + 6;
    } else if (StartsWithNoCase(path, TEXT_AS(Char, "\\\\?\\"))) {
        plain = path + 4;
    }
    CopyText(target, plain, kFileNameBufferSize);
    return true;
}

template <typename Char>
static bool ReplaceFileContent(const Char* fileName, const char* text, DWORD length)
{
    if (!fileName[0] || TextLength(fileName, kFileNameBufferSize) >= (size_t)kFileNameBufferSize) return false;
    SaveOutcome outcome = SaveBeside(fileName, text, length);
    if (outcome == DestinationIsLink) {
        // Replacing the link would make it a file of its own: the link stays
        // one, and the file it leads to gets the new text.
        Char target[kFileNameBufferSize];
        outcome = FindLinkTarget(fileName, target) ? SaveBeside(target, text, length) : NotSaved;
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
    Char fileName[kFileNameBufferSize] = {};
    if (mode == AskForFile) {
        if (!AskForFileName(fileName)) return 0;
    } else {
        CopyText(fileName, SettingsOf(resultText).outputFilePath, kFileNameBufferSize);
    }
    FileBytes bytes = BytesToWrite(resultText);
    bool saved = bytes.text && ReplaceFileContent((const Char*)fileName, bytes.text, bytes.length);
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
