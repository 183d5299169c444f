#include "tests/support/harness.h"

#include <stdio.h>
#include <string.h>

#include "expand/split_path.h"

namespace harness {

const char kClipboardSentinel[] = "clipboard sentinel \x01\x7f";

bool RunningOnWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

static void PrintSetUpFailure(const std::string& what) { fprintf(stderr, "set-up failed: %s\n", what.c_str()); }
void (*ReportSetUpFailure)(const std::string& what) = PrintSetUpFailure;

std::string BuildFolder()
{
    char path[MAX_PATH * 2] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string BuiltTavrelPath() { return BuildFolder() + "Tavrel.exe"; }

ScratchFolder::ScratchFolder()
{
    static int counter = 0;
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof(temp), temp);
    char name[MAX_PATH];
    snprintf(name, sizeof(name), "%stavrel-%lu-%d-%lu", temp, GetCurrentProcessId(), ++counter, GetTickCount());
    path_ = name;
    CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

// Creates every folder on the way to path; a backslash that is the second
// byte of a double-byte character separates nothing.
static void CreateParents(const std::string& path)
{
    for (size_t at = 3; at < path.size(); at += IsAnsiLeadByte((unsigned char)path[at]) ? 2 : 1)
        if (path[at] == '\\') CreateDirectoryW(SystemPath(path.substr(0, at)).c_str(), nullptr);
}

std::string ScratchFolder::File(const std::string& relative, const std::string& bytes) const
{
    std::string path = Join(relative);
    CreateParents(path);
    WriteBytes(path, bytes);
    return path;
}

std::string ScratchFolder::Folder(const std::string& relative) const
{
    std::string path = Join(relative);
    CreateParents(path + "\\");
    return path;
}

// In Unicode, so that names that the code page cannot hold go too.
static void RemoveTree(const std::wstring& path)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring child = path + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(child);
            else DeleteFileW(child.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

std::wstring FromCodePage(const std::string& text)
{
    std::wstring wide(text.size() + 1, L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, text.c_str(), (int)text.size() + 1, &wide[0], (int)wide.size()) - 1);
    return wide;
}

std::wstring SystemPath(const std::string& path, size_t from)
{
    std::wstring wide = FromCodePage(path);
    bool full = wide.size() > 2 && wide[1] == L':' && wide[2] == L'\\';
    return full && wide.size() >= from ? L"\\\\?\\" + wide : wide;
}

// The long form reaches the paths of 260 units and more that tests make.
void RemoveTree(const std::string& path) { RemoveTree(SystemPath(path, 0)); }

void WriteBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file =
        CreateFileW(SystemPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(file);
}

std::string ReadBytes(const std::string& path, bool* exists)
{
    std::string bytes;
    HANDLE file = CreateFileW(SystemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (exists) *exists = file != INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char chunk[65536];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read > 0) bytes.append(chunk, read);
    CloseHandle(file);
    return bytes;
}

bool PathExists(const std::string& path) { return GetFileAttributesW(SystemPath(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string CopyTavrelAs(const std::string& folder, const std::string& name)
{
    std::string target = folder + "\\" + name;
    CopyFileA(BuiltTavrelPath().c_str(), target.c_str(), FALSE);
    CopyFileA((BuildFolder() + "Tavrel.txt").c_str(), (folder + "\\Tavrel.txt").c_str(), FALSE);
    return target;
}

std::wstring Utf16(const std::string& utf8)
{
    std::wstring wide(utf8.size() + 1, L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], (int)wide.size()) - 1);
    return wide;
}

std::string Utf8(const std::wstring& wide)
{
    std::string utf8(wide.size() * 3 + 1, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &utf8[0], (int)utf8.size(), nullptr, nullptr) - 1);
    return utf8;
}

HANDLE StartProcess(const std::string& exePath, const std::string& commandLine, const std::string& workFolder, bool utf8)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    // Wine now and then fails to start a process with ERROR_INTERNAL_ERROR,
    // the same exe and command line starting on the next try: that says
    // nothing of the exe, so it is tried again a few times.
    for (int attempt = 0;; ++attempt) {
        // CreateProcess may write into the command line.
        std::string line = commandLine;
        std::wstring wideLine = Utf16(commandLine), exe = Utf16(exePath), folder = Utf16(workFolder);
        if (utf8 ? CreateProcessW(exe.c_str(), &wideLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                  workFolder.empty() ? nullptr : folder.c_str(), &startup, &process)
                 : CreateProcessA(exePath.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                                  workFolder.empty() ? nullptr : workFolder.c_str(), (STARTUPINFOA*)&startup, &process))
            break;
        if (GetLastError() != ERROR_INTERNAL_ERROR || attempt == 3) return nullptr;
        Sleep(100);
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

DWORD WaitForExit(HANDLE process, DWORD timeoutMs)
{
    DWORD code = kTimedOut;
    if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(process, &code);
    else TerminateProcess(process, kTimedOut);
    return code;
}

DWORD RunProcess(const std::string& exePath, const std::string& commandLine, const std::string& workFolder,
                 DWORD timeoutMs, bool utf8)
{
    HANDLE process = StartProcess(exePath, commandLine, workFolder, utf8);
    if (!process) return GetLastError() | 0x80000000u;
    DWORD code = WaitForExit(process, timeoutMs);
    CloseHandle(process);
    return code;
}

DWORD RunTavrel(const std::string& tail, const std::string& workFolder, const std::string& exePath, bool utf8)
{
    std::string exe = exePath.empty() ? BuiltTavrelPath() : exePath;
    return RunProcess(exe, "\"" + exe + "\" " + tail, workFolder, 30000, utf8);
}

bool OpenClipboardForTest()
{
    for (int i = 0; i < 200; ++i) {
        if (OpenClipboard(nullptr)) return true;
        Sleep(10);
    }
    return false;
}

bool ReadClipboardText(std::string* text, bool utf8)
{
    text->clear();
    if (!OpenClipboardForTest()) return false;
    bool found = false;
    if (HANDLE data = GetClipboardData(utf8 ? CF_UNICODETEXT : CF_TEXT)) {
        if (const char* bytes = (const char*)GlobalLock(data)) {
            if (utf8) {
                const wchar_t* wide = (const wchar_t*)bytes;
                *text = Utf8(std::wstring(wide, wcsnlen(wide, GlobalSize(data) / sizeof(wchar_t))));
            } else {
                text->assign(bytes, strnlen(bytes, GlobalSize(data)));
            }
            found = true;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return found;
}

void SetClipboardText(const std::string& text, bool utf8)
{
    std::wstring wide = Utf16(text);
    size_t size = utf8 ? (wide.size() + 1) * sizeof(wchar_t) : text.size() + 1;
    if (!OpenClipboardForTest()) return ReportSetUpFailure("the clipboard could not be opened to set " + Escaped(text));
    bool set = false;
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (char* bytes = (char*)GlobalLock(block)) {
        memcpy(bytes, utf8 ? (const void*)wide.c_str() : text.data(), size - 1);
        GlobalUnlock(block);
        set = SetClipboardData(utf8 ? CF_UNICODETEXT : CF_TEXT, block) != nullptr;
        if (!set) GlobalFree(block);
    }
    CloseClipboard();
    if (!set) ReportSetUpFailure("the clipboard did not take the text " + Escaped(text));
}

void SetClipboardBitmapOnly()
{
    if (!OpenClipboardForTest()) return;
    EmptyClipboard();
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 4, 4);
    ReleaseDC(nullptr, screen);
    if (!SetClipboardData(CF_BITMAP, bitmap)) DeleteObject(bitmap);
    CloseClipboard();
}

void ClearClipboard()
{
    if (!OpenClipboardForTest()) return;
    EmptyClipboard();
    CloseClipboard();
}

namespace {
struct WindowSearch {
    const char* className;
    DWORD processId;
    HWND except;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param)
{
    WindowSearch* search = (WindowSearch*)param;
    char name[64] = {};
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    GetClassNameA(window, name, sizeof(name));
    if (owner == search->processId && window != search->except && IsWindowVisible(window) &&
        strcmp(name, search->className) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

struct ChildSearch {
    const char* className;
    std::string texts;
};

BOOL CALLBACK CollectChildText(HWND window, LPARAM param)
{
    ChildSearch* search = (ChildSearch*)param;
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    if (_stricmp(name, search->className) == 0) {
        // WM_GETTEXT, unlike GetWindowTextA, reads controls of other processes.
        char text[4096] = {};
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), (LPARAM)text, SMTO_ABORTIFHUNG, 2000, &ignored);
        if (text[0]) {
            if (!search->texts.empty()) search->texts += "\n";
            search->texts += text;
        }
    }
    return TRUE;
}
}  // namespace

HWND WaitForWindow(const char* className, DWORD processId, DWORD timeoutMs, HWND except)
{
    DWORD start = GetTickCount();
    do {
        WindowSearch search = {className, processId, except, nullptr};
        EnumWindows(MatchWindow, (LPARAM)&search);
        if (search.found) return search.found;
        Sleep(50);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

std::string ChildTexts(HWND parent, const char* className)
{
    ChildSearch search = {className, ""};
    EnumChildWindows(parent, CollectChildText, (LPARAM)&search);
    return search.texts;
}

static const void** FindImportSlot(const char* dllName, const char* functionName)
{
    BYTE* base = (BYTE*)GetModuleHandleA(nullptr);
    IMAGE_NT_HEADERS* headers = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
    IMAGE_DATA_DIRECTORY imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* dll = (IMAGE_IMPORT_DESCRIPTOR*)(base + imports.VirtualAddress); dll->Name; ++dll) {
        if (lstrcmpiA((char*)(base + dll->Name), dllName) != 0) continue;
        auto* names = (IMAGE_THUNK_DATA*)(base + dll->OriginalFirstThunk);
        auto* slots = (const void**)(base + dll->FirstThunk);
        for (int i = 0; names[i].u1.AddressOfData; ++i) {
            if (IMAGE_SNAP_BY_ORDINAL(names[i].u1.Ordinal)) continue;
            auto* byName = (IMAGE_IMPORT_BY_NAME*)(base + names[i].u1.AddressOfData);
            if (strcmp((char*)byName->Name, functionName) == 0) return &slots[i];
        }
    }
    return nullptr;
}

static void PatchSlot(const void** slot, const void* function)
{
    DWORD protection;
    VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection);
    *slot = function;
    VirtualProtect(slot, sizeof(*slot), protection, &protection);
}

ImportStandIn::ImportStandIn(const char* dllName, const char* functionName, const void* standIn)
    : slot_(FindImportSlot(dllName, functionName)), real_(nullptr)
{
    if (!slot_) return;
    real_ = *slot_;
    PatchSlot(slot_, standIn);
}

ImportStandIn::~ImportStandIn()
{
    if (slot_) PatchSlot(slot_, real_);
}

std::string WithFolder(std::string text, const std::string& folder)
{
    for (size_t at; (at = text.find("{dir}")) != std::string::npos;) text.replace(at, 5, folder);
    return text;
}

std::string Escaped(const std::string& bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            out += (char)c;
        } else {
            char hex[8];
            snprintf(hex, sizeof(hex), "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

}  // namespace harness
