// Test support shared by every test exe: scratch folders of real files, the
// real clipboard, and running the built Tavrel.exe as a separate process with
// an exact command line.
#pragma once
#include <windows.h>

#include <string>

namespace harness {

// True under Wine, false on Windows itself: the few tests that need Wine's
// own means (its mount manager, its drive Z:) skip elsewhere with a reason.
bool RunningOnWine();

// The folder of the running test exe, ending in a backslash; the built
// Tavrel.exe and Tavrel.txt lie in the same folder.
std::string BuildFolder();
std::string BuiltTavrelPath();

// A fresh empty folder under %TEMP%, removed with everything in it when the
// object goes away. path() ends without a backslash.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }
    // relative is joined with a backslash; parents are created as needed.
    std::string File(const std::string& relative, const std::string& bytes = "x") const;
    std::string Folder(const std::string& relative) const;
    std::string Join(const std::string& relative) const { return path_ + "\\" + relative; }

private:
    std::string path_;
};

// A path of the code page as the file functions take it: a full path of
// from units or more in the "\\?\" form, which Windows needs past 247
// units for a folder and past 259 for a file, and Wine does not.
std::wstring SystemPath(const std::string& path, size_t from = 248);
void RemoveTree(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
// The whole file, or nullopt-like: *exists tells whether it could be read.
std::string ReadBytes(const std::string& path, bool* exists = nullptr);
bool PathExists(const std::string& path);

// Copies the built exe as name (for example "y.exe") into folder, with
// Tavrel.txt beside it; returns the copy's full path.
std::string CopyTavrelAs(const std::string& folder, const std::string& name);

constexpr DWORD kTimedOut = 0xFFFFFFFE;

// UTF-8 as UTF-16. With utf8 set, the functions below take their paths and
// texts in UTF-8 and hand them to the system in Unicode, as Explorer and
// Unicode programs do: names that no code page holds.
std::wstring Utf16(const std::string& utf8);
std::string Utf8(const std::wstring& wide);
// A text of the code page as UTF-16.
std::wstring FromCodePage(const std::string& text);

// Starts exePath with exactly commandLine (CreateProcessA) in workFolder and
// waits at most timeoutMs; returns its exit code, or kTimedOut after killing it.
DWORD RunProcess(const std::string& exePath, const std::string& commandLine, const std::string& workFolder,
                 DWORD timeoutMs = 30000, bool utf8 = false);
// Starts exePath with exactly commandLine and returns the process handle
// without waiting (null when it could not start); the caller closes it.
HANDLE StartProcess(const std::string& exePath, const std::string& commandLine, const std::string& workFolder,
                    bool utf8 = false);
// Waits for the process and returns its exit code, or kTimedOut after killing it.
DWORD WaitForExit(HANDLE process, DWORD timeoutMs = 30000);
// Runs the built exe (or exePath) with the quoted exe path, a blank and tail.
DWORD RunTavrel(const std::string& tail, const std::string& workFolder, const std::string& exePath = "",
                bool utf8 = false);

// How long the program, or a step of it, may take to give up on a clipboard
// that another program holds: it waits a quarter of a second, and the rest is
// room for starting a process on a busy machine. With the suites side by side
// on two loaded cores a whole run took 1.65 s; one that waited for the holder
// would take the run's 30 s.
constexpr DWORD kGiveUpOnHeldClipboardMs = 5000;

// Told when the harness could not set up what a caller asked for, so that a
// check never runs against a state that was not there. The test exes make it
// fail the running test; by default it is printed to stderr.
extern void (*ReportSetUpFailure)(const std::string& what);

// Opens the clipboard, waiting up to two seconds for the programs that look
// at every change (clipboard listeners) to let go of it; false when it stays held.
bool OpenClipboardForTest();
// The clipboard's CF_TEXT bytes up to their NUL; false when it offers none.
bool ReadClipboardText(std::string* text, bool utf8 = false);
// Reports a failure to open the clipboard or to put text on it.
void SetClipboardText(const std::string& text, bool utf8 = false);
// Leaves a bitmap and no text on the clipboard.
void SetClipboardBitmapOnly();
void ClearClipboard();
// A text put on the clipboard so that a test can see it was left alone.
extern const char kClipboardSentinel[];

// The first visible top-level window of class className (for example
// "#32770" for a dialog) that belongs to processId and is not except, polled
// for up to timeoutMs; null when none appears.
HWND WaitForWindow(const char* className, DWORD processId, DWORD timeoutMs = 15000, HWND except = nullptr);
// The texts of a window's child controls of class className, in Z order.
std::string ChildTexts(HWND parent, const char* className);

// Stands in for one function that this exe imports from dllName (for example
// "kernel32.dll"), for as long as it lives: the product code linked into the
// test exe calls through the same import table. active() is false when the
// exe does not import that function.
class ImportStandIn {
public:
    ImportStandIn(const char* dllName, const char* functionName, const void* standIn);
    ~ImportStandIn();
    ImportStandIn(const ImportStandIn&) = delete;
    ImportStandIn& operator=(const ImportStandIn&) = delete;
    bool active() const { return slot_ != nullptr; }
    // The function that was there before, to call from the stand-in.
    template <typename Function>
    Function real() const
    {
        return reinterpret_cast<Function>(real_);
    }

private:
    const void** slot_;
    const void* real_;
};

// text with every "{dir}" replaced by folder.
std::string WithFolder(std::string text, const std::string& folder);

// Printable form of bytes for failure messages: non-printables as \xNN.
std::string Escaped(const std::string& bytes);

}  // namespace harness
