// What every robustness run is held to: it ends by itself with exit code 0
// within its time limit, no window appears (a crash shows Wine's crash
// dialog, from a debugger process of its own), what it delivers stays within
// 1000 lines of at most 3899 bytes, and every file but the one it was asked
// to write keeps its bytes.
#pragma once
#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/robustness/scenario.h"
#include "tests/support/harness.h"

namespace robustness {

const size_t kLineLimit = 3899;
// Between two lines at most a "/#j=" value of one-unit markers, each a CR LF.
const size_t kResultLimit = kManyItems * kLineLimit + (kManyItems - 1) * 2 * kItemSeparatorMaxLength;
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
    std::vector<HWND> found;
};

inline BOOL CALLBACK AddOtherWindow(HWND window, LPARAM param)
{
    WindowList* list = (WindowList*)param;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != list->self && IsWindowVisible(window)) list->found.push_back(window);
    return TRUE;
}
}  // namespace detail

// Visible top-level windows of every process but this test's.
inline std::vector<HWND> OtherWindows()
{
    detail::WindowList list = {GetCurrentProcessId(), {}};
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

// Cancel for a dialog, close for anything else: Wine's crash dialog then lets
// the crashed process end with its exception code.
inline void CloseNewWindows(std::set<HWND>* seen, RunResult* result)
{
    for (HWND window : OtherWindows()) {
        if (!seen->insert(window).second) continue;
        result->windows.push_back(Describe(window));
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
    HANDLE process = harness::StartProcess(exe, commandLine, folder, utf8);
    if (!process) {
        result.exitCode = GetLastError() | 0x80000000u;
        return result;
    }
    std::set<HWND> seen;
    DWORD start = GetTickCount();
    DWORD limit = kRunLimitMs;
    while (WaitForSingleObject(process, 50) == WAIT_TIMEOUT) {
        CloseNewWindows(&seen, &result);
        if (!result.windows.empty()) limit = std::min(limit, GetTickCount() - start + kAfterWindowMs);
        if (GetTickCount() - start >= limit) {
            result.timedOut = true;
            TerminateProcess(process, harness::kTimedOut);
            WaitForSingleObject(process, 5000);
            break;
        }
    }
    for (DWORD end = GetTickCount(); GetTickCount() - end < watchAfterExitMs; Sleep(50))
        CloseNewWindows(&seen, &result);
    CloseNewWindows(&seen, &result);
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
    if (Units(result, scenario) > kResultLimit) {
        faults->push_back(where + " got " + std::to_string(result.size()) + " bytes, more than 1000 lines of 3899 can hold");
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
        if (Units(lines[i], scenario) > kLineLimit) {
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
