// What every robustness run is held to: it ends by itself with exit code 0
// within its time limit, no window appears (a crash shows Wine's crash
// dialog, from a debugger process of its own), what it delivers stays within
// 1000 lines of at most 3899 bytes, and every file but the one it was asked
// to write keeps its bytes.
#pragma once
#include <windows.h>
#include <tlhelp32.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/robustness/scenario.h"
#include "tests/support/harness.h"

namespace robustness {

// 3899 bytes, or 65,535 UTF-16 units in a run with "/#u"; between two lines
// at most a "/#j=" value of one-unit markers, each a CR LF.
inline size_t LineLimit(const Scenario& scenario) { return scenario.unicodeMode ? 65535 : 3899; }
inline size_t ResultLimit(const Scenario& scenario)
{
    return kManyItems * LineLimit(scenario) + (kManyItems - 1) * 2 * kItemSeparatorMaxLength;
}
const DWORD kRunLimitMs = 30000;
// A window closed by the watch is given this long to let its process end.
const DWORD kAfterWindowMs = 5000;
// A program that a run starts, such as the help file's viewer, shows its
// window within this long after the run has ended.
const DWORD kStartedWindowMs = 3000;

struct RunResult {
    DWORD exitCode = 0;
    bool timedOut = false;
    std::vector<std::string> windows;
};

namespace detail {
struct WindowList {
    DWORD self;
    bool visibleOnly;
    std::vector<HWND> found;
};

inline BOOL CALLBACK AddOtherWindow(HWND window, LPARAM param)
{
    WindowList* list = (WindowList*)param;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != list->self && (!list->visibleOnly || IsWindowVisible(window))) list->found.push_back(window);
    return TRUE;
}
}  // namespace detail

// Top-level windows of every process but this test's: the visible ones, or
// all, hidden ones included.
inline std::vector<HWND> OtherWindows(bool visibleOnly = true)
{
    detail::WindowList list = {GetCurrentProcessId(), visibleOnly, {}};
    EnumWindows(detail::AddOtherWindow, (LPARAM)&list);
    return list.found;
}

inline std::string Describe(HWND window)
{
    char className[128] = {};
    char title[256] = {};
    GetClassNameA(window, className, sizeof(className));
    GetWindowTextA(window, title, sizeof(title));
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return "window of class \"" + std::string(className) + "\" titled \"" + harness::Escaped(title) +
           "\" (process " + std::to_string(owner) + ")";
}

// A process's creation time, 0 when it cannot be asked (it has ended).
inline ULONGLONG CreationTime(DWORD processId)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process) return 0;
    FILETIME created, exited, kernel, user;
    ULONGLONG time = 0;
    if (GetProcessTimes(process, &created, &exited, &kernel, &user))
        time = ((ULONGLONG)created.dwHighDateTime << 32) | created.dwLowDateTime;
    CloseHandle(process);
    return time;
}

// Windows reuses process ids: a process whose parent id names a process
// created at parentCreated was started by it only if created after it.
inline bool StartedAfter(DWORD processId, ULONGLONG parentCreated)
{
    ULONGLONG created = CreationTime(processId);
    return created != 0 && parentCreated != 0 && created >= parentCreated;
}

// The processes whose windows the watch may close, by id with their creation
// times: the started process, every process that it or one of them started,
// and the crash dialog's process (Windows' WerFault is started by a service,
// not by the process that crashed) if it started after the run.
struct Family {
    std::map<DWORD, ULONGLONG> members;
    ULONGLONG started = 0;
};

inline bool IsCrashReporter(const char* exeName)
{
    return lstrcmpiA(exeName, "WerFault.exe") == 0 || lstrcmpiA(exeName, "winedbg.exe") == 0;
}

inline void AddDescendants(Family* family)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    std::vector<PROCESSENTRY32> processes;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        processes.push_back(entry);
    CloseHandle(snapshot);
    for (bool grew = true; grew;) {
        grew = false;
        for (const PROCESSENTRY32& process : processes) {
            if (family->members.count(process.th32ProcessID)) continue;
            auto parent = family->members.find(process.th32ParentProcessID);
            bool child = parent != family->members.end() && StartedAfter(process.th32ProcessID, parent->second);
            bool reporter = IsCrashReporter(process.szExeFile) && CreationTime(process.th32ProcessID) >= family->started;
            if (child || reporter) {
                family->members[process.th32ProcessID] = CreationTime(process.th32ProcessID);
                grew = true;
            }
        }
    }
}

inline bool InFamily(const Family& family, HWND window)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    auto member = family.members.find(owner);
    return member != family.members.end() && member->second == CreationTime(owner);
}

// What the watch of one run knows. A window that was there before the start
// is never reported and never touched: on a real desktop it may be
// Explorer's or the console that runs the tests.
struct Watch {
    std::set<HWND> before;
    Family family;
    std::set<HWND> reported;
    std::set<HWND> closed;
};

// Every window that appeared since the start is reported, whoever owns it.
// The family's get cancel for a dialog and close for anything else (Wine's
// crash dialog then lets the crashed process end with its exception code),
// also when their process is known as the family's only after the window
// was first seen.
inline void CloseNewWindows(Watch* watch, RunResult* result)
{
    AddDescendants(&watch->family);
    for (HWND window : OtherWindows()) {
        if (watch->before.count(window)) continue;
        if (watch->reported.insert(window).second) result->windows.push_back(Describe(window));
        if (!InFamily(watch->family, window) || !watch->closed.insert(window).second) continue;
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
}

// watchAfterExitMs: a program that the run started, such as the help file's
// viewer, may show its window only after the run has ended.
inline RunResult RunWatched(const std::string& exe, const std::string& commandLine, const std::string& folder,
                            DWORD watchAfterExitMs = 0, bool utf8 = false)
{
    RunResult result;
    Watch watch;
    for (HWND window : OtherWindows(false)) watch.before.insert(window);
    HANDLE process = harness::StartProcess(exe, commandLine, folder, utf8);
    if (!process) {
        result.exitCode = GetLastError() | 0x80000000u;
        return result;
    }
    watch.family.started = CreationTime(GetProcessId(process));
    watch.family.members[GetProcessId(process)] = watch.family.started;
    DWORD start = GetTickCount();
    DWORD limit = kRunLimitMs;
    while (WaitForSingleObject(process, 50) == WAIT_TIMEOUT) {
        CloseNewWindows(&watch, &result);
        if (!result.windows.empty()) limit = std::min(limit, GetTickCount() - start + kAfterWindowMs);
        if (GetTickCount() - start >= limit) {
            result.timedOut = true;
            TerminateProcess(process, harness::kTimedOut);
            WaitForSingleObject(process, 5000);
            break;
        }
    }
    for (DWORD end = GetTickCount(); GetTickCount() - end < watchAfterExitMs; Sleep(50))
        CloseNewWindows(&watch, &result);
    CloseNewWindows(&watch, &result);
    GetExitCodeProcess(process, &result.exitCode);
    CloseHandle(process);
    return result;
}

// Relative path to bytes; a folder's path ends in a backslash and has no bytes.
using Snapshot = std::map<std::string, std::string>;

inline void AddToSnapshot(const std::string& root, const std::string& relative, Snapshot* snapshot)
{
    WIN32_FIND_DATAA found;
    std::string folder = relative.empty() ? root : root + "\\" + relative;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        std::string path = relative.empty() ? name : relative + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            (*snapshot)[path + "\\"] = "";
            AddToSnapshot(root, path, snapshot);
        } else {
            (*snapshot)[path] = harness::ReadBytes(root + "\\" + path);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

inline Snapshot TakeSnapshot(const std::string& root)
{
    Snapshot snapshot;
    AddToSnapshot(root, "", &snapshot);
    return snapshot;
}

inline bool SamePath(const std::string& a, const std::string& b)
{
    return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

inline void CompareSnapshots(const Snapshot& before, const Snapshot& after, const std::string& root,
                             const std::string& outputFile, std::vector<std::string>* faults)
{
    for (const auto& entry : before) {
        auto now = after.find(entry.first);
        if (now == after.end()) faults->push_back("removed: " + harness::Escaped(entry.first));
        else if (now->second != entry.second && !SamePath(root + "\\" + entry.first, outputFile))
            faults->push_back("changed without being named as the output file: " + harness::Escaped(entry.first));
    }
    for (const auto& entry : after) {
        if (!before.count(entry.first) && !SamePath(root + "\\" + entry.first, outputFile))
            faults->push_back("created without being named as the output file: " + harness::Escaped(entry.first));
    }
}

// The lines of the items: where every template starts with the sentinel, an
// item's line starts with it too (the default template "%^P" gives one line
// per item and no sentinel).
inline std::vector<std::string> ItemLines(const std::string& result, bool sentinel)
{
    bool marked = sentinel && !result.empty() && result[0] == kSentinel;
    std::string separator = marked ? std::string("\r\n") + kSentinel : "\r\n";
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at; (at = result.find(separator, start)) != std::string::npos; start = at + 2)
        lines.push_back(result.substr(start, at - start));
    lines.push_back(result.substr(start));
    return lines;
}

// Bytes, or in a run in Unicode UTF-16 units of the UTF-8 text.
inline size_t Units(const std::string& text, const Scenario& scenario)
{
    if (!scenario.unicodeMode) return text.size();
    size_t units = 0;
    for (unsigned char c : text) units += (c & 0xC0) != 0x80 ? 1 + (c >= 0xF0) : 0;
    return units;
}

inline void CheckDelivered(const std::string& where, const std::string& result, const Scenario& scenario,
                           std::vector<std::string>* faults)
{
    if (Units(result, scenario) > ResultLimit(scenario)) {
        faults->push_back(where + " got " + std::to_string(result.size()) + " bytes, more than 1000 lines can hold");
        return;
    }
    if (!scenario.unicodeMode && FindNoCase(result, "lookalike") != std::string::npos)
        faults->push_back(where + " holds the look-alike of a name that the code page cannot hold");
    if (!scenario.sentinel) return;
    std::vector<std::string> lines = ItemLines(result, true);
    if (lines.size() > (size_t)kManyItems) faults->push_back(where + " got " + std::to_string(lines.size()) + " item lines");
    if (scenario.knownItems >= 0 && lines.size() != (size_t)scenario.knownItems)
        faults->push_back(where + " got " + std::to_string(lines.size()) + " item lines, expected " +
                          std::to_string(scenario.knownItems));
    for (size_t i = 0; i < lines.size(); ++i) {
        if (Units(lines[i], scenario) > LineLimit(scenario)) {
            faults->push_back(where + ": item line " + std::to_string(i + 1) + " has " + std::to_string(lines[i].size()) +
                              " bytes");
            break;
        }
    }
}

// The clipboard as it was set before the run tells a run that delivered
// nothing to it from one that did.
inline void CheckOutput(const Scenario& scenario, const std::string& clipboardBefore, const Snapshot& before,
                        const std::string& root, std::vector<std::string>* faults)
{
    std::string clipboard;
    bool toClipboard = false;
    if (!harness::ReadClipboardText(&clipboard, scenario.unicodeMode)) {
        if (scenario.fileListBlock.empty()) faults->push_back("the clipboard holds no text after the run");
    }
    else if (clipboard != clipboardBefore) {
        toClipboard = true;
        CheckDelivered("the clipboard", clipboard, scenario, faults);
    }
    bool toFile = false;
    if (!scenario.outputFile.empty()) {
        bool exists = false;
        std::string written = harness::ReadBytes(scenario.outputFile, &exists);
        std::string relative = scenario.outputFile.substr(root.size() + 1);
        auto old = before.find(relative);
        toFile = exists && (old == before.end() || old->second != written);
        if (toFile) CheckDelivered("the output file", written, scenario, faults);
    }
    if (scenario.mustDeliver && !toClipboard && !toFile) faults->push_back("nothing was delivered");
}

}  // namespace robustness
