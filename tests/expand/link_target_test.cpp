// "%^T" over real links, in Unicode and in the code page, through the
// scanner's answer: shortcuts made by the system's IShellLinkW, Internet
// shortcuts, a folder link made by the suite (tests/CMakeLists.txt).
// Where Wine has no such link, stand-ins answer: the reparse bit of names
// that begin with "rp-" and their final paths, and GetPath where Wine cannot
// make the shortcut (a target with a variable, or outside the code page).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "expand/expand_template.h"
#include "system/shell_objects.h"
#include "tests/support/harness.h"

using harness::Utf16;
using harness::Utf8;

namespace {

std::wstring getPathAnswer;
HRESULT(STDMETHODCALLTYPE* realGetPath)(IShellLinkW*, LPWSTR, int, WIN32_FIND_DATAW*, DWORD);
decltype(&GetFileAttributesW) realAttributes;
decltype(&GetFinalPathNameByHandleW) realFinalPath;

HRESULT STDMETHODCALLTYPE GetPathStandIn(IShellLinkW* link, LPWSTR out, int size, WIN32_FIND_DATAW* data, DWORD flags)
{
    return getPathAnswer.empty() ? realGetPath(link, out, size, data, flags) : (lstrcpynW(out, getPathAnswer.c_str(), size), S_OK);
}
DWORD WINAPI AttributesW(LPCWSTR name) { return realAttributes(name) | (wcsstr(name, L"\\rp-") ? FILE_ATTRIBUTE_REPARSE_POINT : 0); }
DWORD WINAPI AttributesA(LPCSTR name) { return AttributesW(harness::FromCodePage(name).c_str()); }
DWORD WINAPI FinalPathStandIn(HANDLE file, LPWSTR out, DWORD size, DWORD flags)
{
    DWORD length = realFinalPath(file, out, size, flags);
    if (length >= size || !wcsstr(out, L"\\rp-")) return length;
    const wchar_t* answer = wcsstr(out, L"\\rp-file") ? L"\\\\?\\UNC\\srv\\share\\t.txt" : L"\\\\?\\C:\\Real Target";
    return lstrcpynW(out, answer, size), (DWORD)wcslen(answer);
}

std::string Shortcut(const std::string& at, const std::string& target)
{
    IShellLinkW* link;
    IPersistFile* file;
    EXPECT_TRUE(NewShellLink(&link, &file) && SUCCEEDED(link->SetPath(Utf16(target).c_str())) &&
                SUCCEEDED(file->Save(Utf16(at).c_str(), TRUE))) << at;
    return link->Release(), file->Release(), harness::ReadBytes(at);
}

template <typename Char>
std::basic_string<Char> TargetOf(const std::basic_string<Char>& path)
{
    std::basic_string<Char> quote(1, '"');
    ScanItems((quote + path + quote).c_str(), CommandLine);
    static Char line[kLineSize<Char>];
    Char templateText[] = {'%', '^', 'T', 0};
    return std::basic_string<Char>(line, itemList.count == 1 ? ExpandItem(templateText, itemList.items[0], line) : 0);
}

TEST(LinkTarget, EveryKindOfLinkInBothModes)
{
    harness::ScratchFolder scratch;
    std::string dir = scratch.path(), lnk = Shortcut(dir + "\\t.lnk", scratch.File("t.txt")), folderLink = dir + "\\link";
    Shortcut(dir + "\\d.LNK", scratch.Folder("tdir"));
    char temp[MAX_PATH];
    ExpandEnvironmentStringsA("%TEMP%\\x.txt", temp, MAX_PATH);
    if (harness::RunningOnWine()) folderLink = harness::BuildFolder() + "unix-link\\link";
    else CreateSymbolicLinkA(folderLink.c_str(), scratch.Folder("target").c_str(), 3);
    const std::string jp = "C:\\\xE8\xA1\xA8\\\xC5\x81\xC3\xB3\x64\xC5\xBA.txt";
    // Past 259 units, in Unicode only; the profile functions read no file
    // past MAX_PATH, so a long Internet shortcut gives its own "%^P".
    std::string deep;
    for (int i = 0; i < 5; ++i) deep += std::string(60, 'd') + "\\";
    // An empty expected is the item's own "%^P".
    struct Row {
        std::string name, content = "", expected = "", getPath = "", inCodePage = "";
    } rows[] = {
        {"t.lnk", "", "{dir}\\t.txt"}, {"d.LNK", "", "{dir}\\tdir"}, {"env.lnk", lnk, temp, temp}, {"jp.lnk", lnk, jp, jp, "{dir}\\jp.lnk"},
        {"empty.lnk"}, {"short.lnk", lnk.substr(0, 30)}, {"text.lnk", "[InternetShortcut]\r\nURL=http://h/\r\n"},
        {"a.url", "[InternetShortcut]\r\nURL=http://h/a?b=1&c=%^N\r\n", "http://h/a?b=1&c=a.url"},
        {"b.URL", "[Other]\r\nURL=http://o/\r\n[InternetShortcut]\r\nURL=file:///C:/x\r\n", "file:///C:/x"},
        {"e.url"}, {"cut.url", "[InternetSho"}, {"bin.url", lnk}, {"plain.txt", "x"}, {"folder.lnk\\", "", "{dir}\\folder.lnk\\"},
        {"rp-file.txt", "x", "\\\\srv\\share\\t.txt"}, {"rp-junction\\", "", "C:\\Real Target"}, {"rp-named.lnk", lnk, "C:\\Real Target"},
        {folderLink, "", folderLink.substr(0, folderLink.size() - 4) + "target"},
        {deep}, {deep + "a.url", "[InternetShortcut]\r\nURL=http://h/a\r\n"},
    };
    harness::ImportStandIn attributesA("kernel32.dll", "GetFileAttributesA", (const void*)AttributesA);
    harness::ImportStandIn attributesW("kernel32.dll", "GetFileAttributesW", (const void*)AttributesW);
    harness::ImportStandIn finalPath("kernel32.dll", "GetFinalPathNameByHandleW", (const void*)FinalPathStandIn);
    ASSERT_TRUE(attributesA.active() && attributesW.active() && finalPath.active());
    realAttributes = attributesW.real<decltype(realAttributes)>(), realFinalPath = finalPath.real<decltype(realFinalPath)>();
    // Every shortcut object shares its class's table of methods.
    IShellLinkW* link;
    IPersistFile* file;
    ASSERT_TRUE(NewShellLink(&link, &file));
    void** slot = *(void***)link + 3;
    link->Release(), file->Release();
    DWORD access;
    VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &access);
    realGetPath = (decltype(realGetPath))*slot, *slot = (void*)GetPathStandIn;
    for (const Row& row : rows) {
        std::string path = row.name[1] == ':' ? row.name : dir + "\\" + row.name;
        if (path.back() == '\\') scratch.Folder(row.name);
        else if (!harness::PathExists(path)) harness::WriteBytes(path, row.content);
        getPathAnswer = Utf16(row.getPath);
        for (bool unicode : {true, false}) {
            if (!unicode && path.size() > 259) continue;
            std::string expected = unicode || row.inCodePage.empty() ? row.expected : row.inCodePage;
            expected = harness::WithFolder(expected.empty() ? path : expected, dir);
            std::string got = unicode ? Utf8(TargetOf(Utf16(path))) : Utf8(harness::FromCodePage(TargetOf(path)));
            EXPECT_EQ(expected, got) << (unicode ? "Unicode" : "code page") << ", item \"" << harness::Escaped(path) << "\"";
        }
    }
    *slot = (void*)realGetPath, getPathAnswer.clear();
    VirtualProtect(slot, sizeof(*slot), access, &access);
}

}  // namespace
