// "%^T" over real links: shortcuts made here by the system's own IShellLinkW,
// Internet shortcuts as files, a folder link that the suite's script made
// (tests/unix_link.sh: Wine makes none itself). Where Wine has no such link,
// stand-ins give the system's answers: the scanner's attributes (the reparse
// bit of names that begin with "rp-"), GetFinalPathNameByHandleW for them,
// and GetPath where Wine cannot make the shortcut (a target with a variable,
// or one outside the code page). Each row runs in Unicode and in the code
// page, through the scanner's answer.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "expand/expand_template.h"
#include "system/shell_objects.h"
#include "tests/support/harness.h"

using harness::Escaped;
using harness::Utf16;
using harness::Utf8;

namespace {

std::wstring getPathAnswer;
HRESULT(STDMETHODCALLTYPE* realGetPath)(IShellLinkW*, LPWSTR, int, WIN32_FIND_DATAW*, DWORD);
decltype(&GetFileAttributesA) realAttributesA;
decltype(&GetFileAttributesW) realAttributesW;
decltype(&GetFinalPathNameByHandleW) realFinalPath;

HRESULT STDMETHODCALLTYPE GetPathStandIn(IShellLinkW* link, LPWSTR out, int size, WIN32_FIND_DATAW* data, DWORD flags)
{
    if (getPathAnswer.empty()) return realGetPath(link, out, size, data, flags);
    return lstrcpynW(out, getPathAnswer.c_str(), size), S_OK;
}

bool Reparse(const std::wstring& name) { return name.find(L"\\rp-") != std::wstring::npos; }
DWORD WINAPI AttributesW(LPCWSTR name)
{
    DWORD found = realAttributesW(name);
    return found != INVALID_FILE_ATTRIBUTES && Reparse(name) ? found | FILE_ATTRIBUTE_REPARSE_POINT : found;
}
DWORD WINAPI AttributesA(LPCSTR name) { return AttributesW(harness::FromCodePage(name).c_str()); }

DWORD WINAPI FinalPathStandIn(HANDLE file, LPWSTR out, DWORD size, DWORD flags)
{
    DWORD length = realFinalPath(file, out, size, flags);
    std::wstring name(out, length < size ? length : 0), answer;
    if (!Reparse(name)) return length;
    answer = name.find(L"rp-file") != std::wstring::npos ? L"\\\\?\\UNC\\srv\\share\\t.txt" : L"\\\\?\\C:\\Real Target";
    return lstrcpynW(out, answer.c_str(), size), (DWORD)answer.size();
}

std::wstring Shortcut(const std::wstring& at, const std::wstring& target)
{
    IShellLinkW* link;
    IPersistFile* file;
    EXPECT_TRUE(NewShellLink(&link, &file));
    EXPECT_TRUE(SUCCEEDED(link->SetPath(target.c_str())) && SUCCEEDED(file->Save(at.c_str(), TRUE))) << Utf8(at);
    return link->Release(), file->Release(), at;
}

template <typename Char>
std::basic_string<Char> TargetOf(const std::basic_string<Char>& path)
{
    std::basic_string<Char> quote(1, '"');
    ScanItems((quote + path + quote).c_str(), CommandLine);
    Char line[kLineBufferSize];
    std::basic_string<Char> templateText = {'%', '^', 'T', '|', '%', '^', 'N'};
    return itemList.count == 1 ? std::basic_string<Char>(line, ExpandItem(templateText.c_str(), itemList.items[0], line))
                               : std::basic_string<Char>();
}

TEST(LinkTarget, EveryKindOfLinkInBothModes)
{
    harness::ScratchFolder scratch;
    std::string dir = scratch.path(), lnk = harness::ReadBytes(Utf8(Shortcut(Utf16(dir + "\\t.lnk"), Utf16(scratch.File("t.txt")))));
    Shortcut(Utf16(dir + "\\d.LNK"), Utf16(scratch.Folder("tdir")));
    char temp[MAX_PATH];
    ExpandEnvironmentStringsA("%TEMP%\\x.txt", temp, MAX_PATH);
    std::string unixLink = harness::BuildFolder() + "unix-link\\link";
    if (!harness::RunningOnWine()) {
        unixLink = dir + "\\link";
        CreateSymbolicLinkA(unixLink.c_str(), scratch.Folder("target").c_str(), 3);
    }
    struct Row {
        std::string name, content, expected, getPath = "", inCodePage = "";
    } rows[] = {
        {"t.lnk", "", "{dir}\\t.txt|t.lnk"},
        {"d.LNK", "", "{dir}\\tdir|d.LNK"},
        {"env.lnk", lnk, std::string(temp) + "|env.lnk", temp},
        {"jp.lnk", lnk, "C:\\\xE8\xA1\xA8\\\xC5\x81\xC3\xB3\x64\xC5\xBA.txt|jp.lnk",
         "C:\\\xE8\xA1\xA8\\\xC5\x81\xC3\xB3\x64\xC5\xBA.txt", "{dir}\\jp.lnk|jp.lnk"},
        {"empty.lnk", "", "{dir}\\empty.lnk|empty.lnk"},
        {"short.lnk", lnk.substr(0, 30), "{dir}\\short.lnk|short.lnk"},
        {"text.lnk", "[InternetShortcut]\r\nURL=http://h/\r\n", "{dir}\\text.lnk|text.lnk"},
        {"a.url", "[InternetShortcut]\r\nURL=http://h/a?b=1&c=%^N\r\n", "http://h/a?b=1&c=a.url|a.url"},
        {"b.URL", "[Other]\r\nURL=http://o/\r\n[InternetShortcut]\r\nURL=file:///C:/x\r\n", "file:///C:/x|b.URL"},
        {"e.url", "", "{dir}\\e.url|e.url"},
        {"cut.url", "[InternetSho", "{dir}\\cut.url|cut.url"},
        {"bin.url", lnk, "{dir}\\bin.url|bin.url"},
        {"rp-file.txt", "x", "\\\\srv\\share\\t.txt|rp-file.txt"},
        {"rp-junction\\", "", "C:\\Real Target|rp-junction"},
        {"rp-named.lnk", lnk, "C:\\Real Target|rp-named.lnk"},
        {"plain.txt", "x", "{dir}\\plain.txt|plain.txt"},
        {"folder.lnk\\", "", "{dir}\\folder.lnk\\|folder.lnk"},
        {unixLink, "", unixLink.substr(0, unixLink.size() - 4) + "target|link"},
    };
    harness::ImportStandIn attributesA("kernel32.dll", "GetFileAttributesA", (const void*)AttributesA);
    harness::ImportStandIn attributesW("kernel32.dll", "GetFileAttributesW", (const void*)AttributesW);
    harness::ImportStandIn finalPath("kernel32.dll", "GetFinalPathNameByHandleW", (const void*)FinalPathStandIn);
    ASSERT_TRUE(attributesA.active() && attributesW.active() && finalPath.active());
    realAttributesA = attributesA.real<decltype(realAttributesA)>();
    realAttributesW = attributesW.real<decltype(realAttributesW)>();
    realFinalPath = finalPath.real<decltype(realFinalPath)>();
    IShellLinkW* link;
    IPersistFile* file;
    ASSERT_TRUE(NewShellLink(&link, &file));
    void** slot = *(void***)link + 3;
    DWORD access;
    VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &access);
    realGetPath = (decltype(realGetPath))*slot;
    *slot = (void*)GetPathStandIn;
    for (const Row& row : rows) {
        std::string path = row.name[1] == ':' ? row.name : dir + "\\" + row.name;
        if (path.back() == '\\') scratch.Folder(row.name);
        else if (!harness::PathExists(path)) harness::WriteBytes(path, row.content);
        getPathAnswer = Utf16(row.getPath);
        for (bool unicode : {true, false}) {
            std::string expected = harness::WithFolder(unicode || row.inCodePage.empty() ? row.expected : row.inCodePage, dir);
            std::string got = unicode ? Utf8(TargetOf(Utf16(path))) : Utf8(harness::FromCodePage(TargetOf(path)));
            EXPECT_EQ(expected, got) << (unicode ? "Unicode" : "code page") << ", item \"" << Escaped(path) << "\"";
        }
    }
    *slot = (void*)realGetPath;
    VirtualProtect(slot, sizeof(*slot), access, &access);
    link->Release(), file->Release(), getPathAnswer.clear();
}

}  // namespace
