// Other processes at the clipboard: a holder that keeps it open, as a
// clipboard manager or a slow program does, until the test lets it go, and a
// probe that tells whether another process can open it right now. Both are
// this test exe started again with an option that its start-up answers
// before any case runs (see clipboard_source_test.cpp).
#pragma once
#include <windows.h>
#include <stdio.h>

#include <string>

#include "tests/support/harness.h"

constexpr char kHoldClipboardOption[] = " --hold-clipboard ";
constexpr char kProbeClipboardOption[] = " --probe-clipboard";

inline std::string OwnExePath()
{
    char path[MAX_PATH * 2] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    return path;
}

// True when another process opens the clipboard as patiently as the program
// does (items/clipboard_open.cpp), past the moment that clipboard listeners
// hold it after each change. A clipboard left open by the code under test
// still fails this: this process, which holds it, waits for the answer.
inline bool ClipboardIsFree()
{
    std::string exe = OwnExePath();
    return harness::RunProcess(exe, "\"" + exe + "\"" + kProbeClipboardOption, "") == 0;
}

// Holds the clipboard until Release, or by itself lets go letGoAfterMs after
// it has taken it.
class ClipboardHolder {
public:
    explicit ClipboardHolder(DWORD letGoAfterMs = INFINITE)
    {
        static int counter = 0;
        char name[80];
        snprintf(name, sizeof(name), "tavrel-clipboard-holder-%lu-%d", GetCurrentProcessId(), ++counter);
        ready_ = CreateEventA(nullptr, TRUE, FALSE, (std::string(name) + "-ready").c_str());
        release_ = CreateEventA(nullptr, TRUE, FALSE, (std::string(name) + "-release").c_str());
        std::string exe = OwnExePath();
        std::string line = "\"" + exe + "\"" + kHoldClipboardOption + name + " " + std::to_string(letGoAfterMs);
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
            return;
        CloseHandle(process.hThread);
        process_ = process.hProcess;
        HANDLE either[] = {ready_, process_};
        holding_ = WaitForMultipleObjects(2, either, FALSE, 10000) == WAIT_OBJECT_0;
    }
    ~ClipboardHolder() { Release(); }
    ClipboardHolder(const ClipboardHolder&) = delete;
    ClipboardHolder& operator=(const ClipboardHolder&) = delete;

    bool holding() const { return holding_; }

    // Lets the clipboard go and waits until the holder has ended.
    void Release()
    {
        if (release_) SetEvent(release_);
        if (process_) {
            WaitForSingleObject(process_, 10000);
            CloseHandle(process_);
            process_ = nullptr;
        }
        if (ready_) CloseHandle(ready_);
        if (release_) CloseHandle(release_);
        ready_ = release_ = nullptr;
        holding_ = false;
    }

private:
    HANDLE ready_ = nullptr;
    HANDLE release_ = nullptr;
    HANDLE process_ = nullptr;
    bool holding_ = false;
};
