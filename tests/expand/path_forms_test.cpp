// The seven forms of a path, in Unicode and in the code page, with stand-ins
// for the questions about a drive letter: Z: mapped to \\fs01\team, Y:
// mapped but disconnected, N: mapped to a share whose name no code page here
// holds, S: subst for C:\Work, T: subst for \\srv\pub. Each row is run in
// both modes; in the code page only when it holds the item's name. So are the
// forms for command lines, "%^Q" read back by Wine's CommandLineToArgvW.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "expand/command_forms.h"
#include "expand/expand_template.h"
#include "system/drive_targets.h"
#include "system/run_settings.h"
#include "system/system_function.h"
#include "tests/support/harness.h"

using harness::Escaped;

namespace {

int networkQuestions[26];

DWORD WINAPI UniversalNameStandIn(LPCWSTR root, DWORD, LPVOID buffer, LPDWORD size)
{
    ++networkQuestions[(root[0] | 0x20) - L'a'];
    const wchar_t* name = root[0] == L'Z' ? L"\\\\fs01\\team\\" : root[0] == L'N' ? L"\\\\svr\\\x141\xF3" L"d\x17A" : nullptr;
    if (root[0] == L'Y') return ERROR_CONNECTION_UNAVAIL;
    if (!name) return ERROR_NOT_CONNECTED;
    auto* info = (UNIVERSAL_NAME_INFOW*)buffer;
    info->lpUniversalName = (wchar_t*)(info + 1);
    lstrcpynW(info->lpUniversalName, name, (int)((*size - sizeof(*info)) / sizeof(wchar_t)));
    return NO_ERROR;
}

UINT WINAPI DriveTypeStandIn(LPCWSTR root) { return wcschr(L"NYZ", root[0]) ? DRIVE_REMOTE : DRIVE_FIXED; }

DWORD WINAPI DeviceStandIn(LPCWSTR drive, LPWSTR out, DWORD size)
{
    const wchar_t* device = drive[0] == L'S' ? L"\\??\\C:\\Work" : drive[0] == L'T' ? L"\\??\\UNC\\srv\\pub" : L"\\Device\\X";
    return lstrcpynW(out, device, (int)size), (DWORD)wcslen(out) + 2;
}

std::string InCodePage(const std::wstring& wide, bool* exact)
{
    char bytes[4 * kLineBufferSize];
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), (int)wide.size(), bytes, sizeof(bytes),
                                nullptr, &usedDefault);
    *exact = !usedDefault;
    return std::string(bytes, n);
}

// An item's text: in its slot in the code page, where it lies in Unicode.
void PlaceText(Item& item, const std::string& text) { lstrcpynA(item.text, text.c_str(), kItemTextSize); }
void PlaceText(Item& item, const std::wstring& text) { item.wideText = text.c_str(); }

template <typename Char>
std::basic_string<Char> Expanded(const std::basic_string<Char>& templateText, const std::basic_string<Char>& path,
                                 bool directory)
{
    Item item = {File, {}, directory, false};
    PlaceText(item, path);
    static struct { Char line[kLineSize<Char>], guard[16]; } out;
    memset(&out, 0xCC, sizeof(out));
    int length = ExpandItem(templateText.c_str(), item, out.line);
    EXPECT_EQ(std::string(sizeof(out.guard), '\xCC'), std::string((const char*)out.guard, sizeof(out.guard)))
        << "wrote past the line";
    return std::basic_string<Char>(out.line, length);
}

std::string Repeat(const std::string& text, int count, const std::string& between = "")
{
    return count > 1 ? text + between + Repeat(text, count - 1, between) : text;
}

// The second argument that CommandLineToArgvW reads in "prog.exe value", in
// UTF-8; "" unless it reads exactly two.
std::string ReadBack(const std::wstring& value)
{
    static auto split = LoadSystemFunctionAs<LPWSTR*(WINAPI*)(LPCWSTR, int*)>("shell32.dll", "CommandLineToArgvW");
    int count = 0;
    LPWSTR* arguments = split((L"prog.exe " + value).c_str(), &count);
    std::string argument = count == 2 ? harness::Utf8(arguments[1]) : "";
    return LocalFree(arguments), argument;
}

const std::string kUrl128 = "file:///C:/" + Repeat("%E8%A1%A8", 128);
const char kAll[] = "%^R|%^U|%^S|%^W|%^-W|%^M|%^-M";
const char kQuoted[] = "%^Q|%^-Q";

TEST(PathForms, EveryFormInBothModes)
{
    std::string deep;
    for (int i = 0; i < 8000; ++i) deep += "\xE8\xA1\xA8";
    struct Row {
        std::string item;  // UTF-8
        bool directory;
        const char* templateText;
        std::string expected;    // UTF-8
        std::string inCodePage = "";  // when it differs from expected
    } rows[] = {
        {"C:\\W\\a.txt", false, kAll, "C:\\W\\a.txt|file:///C:/W/a.txt|C:/W/a.txt|/mnt/c/W/a.txt|/mnt/c/W/a.txt|/c/W/a.txt|/c/W/a.txt"},
        {"C:\\W\\Sub", true, kAll, "C:\\W\\Sub\\|file:///C:/W/Sub/|C:/W/Sub/|/mnt/c/W/Sub/|/mnt/c/W/Sub/|/c/W/Sub/|/c/W/Sub/"},
        {"c:", true, kAll, "c:\\|file:///c:/|c:/|/mnt/c/|/mnt/c/|/c/|/c/"},
        {"a\\b.txt", false, kAll, "a\\b.txt||a/b.txt|a/b.txt|a/b.txt|a/b.txt|a/b.txt"},
        {"\\a\\b.txt", false, kAll, "\\a\\b.txt||/a/b.txt|/a/b.txt|/a/b.txt|/a/b.txt|/a/b.txt"},
        {"C:a b.txt", false, kAll, "C:a b.txt||C:a b.txt|C:a b.txt|C:a\\ b.txt|C:a b.txt|C:a\\ b.txt"},
        {"\\\\s\\p\\a b", false, kAll, "\\\\s\\p\\a b|file://s/p/a%20b|//s/p/a b|//s/p/a b|//s/p/a\\ b|//s/p/a b|//s/p/a\\ b"},
        {"\\\\wsl$\\Deb\\a", false, kAll, "\\\\wsl$\\Deb\\a|file://wsl$/Deb/a|//wsl$/Deb/a|/a|/a|//wsl$/Deb/a|//wsl\\$/Deb/a"},
        {"\\\\WSL.localhost\\D", true, "%^W|%^M", "/|//WSL.localhost/D/"},
        {"Z:\\Docs\\Q3 plan #2.txt", false, "%^R|%^U|%^S",
         "\\\\fs01\\team\\Docs\\Q3 plan #2.txt|file://fs01/team/Docs/Q3%20plan%20%232.txt|Z:/Docs/Q3 plan #2.txt"},
        {"Z:\\Docs\\Q3 plan #2.txt", false, "%^W|%^-W|%^M|%^-M",
         "/mnt/z/Docs/Q3 plan #2.txt|/mnt/z/Docs/Q3\\ plan\\ \\#2.txt|/z/Docs/Q3 plan #2.txt|/z/Docs/Q3\\ plan\\ \\#2.txt"},
        {"Z:", true, "%^R|%^U", "\\\\fs01\\team\\|file://fs01/team/"},
        {"S:\\a.txt", false, kAll, "C:\\Work\\a.txt|file:///C:/Work/a.txt|S:/a.txt|/mnt/s/a.txt|/mnt/s/a.txt|/s/a.txt|/s/a.txt"},
        {"T:\\x", true, "%^R|%^U", "\\\\srv\\pub\\x\\|file://srv/pub/x/"},
        {"Y:\\a.txt", false, "%^R|%^U", "Y:\\a.txt|file:///Y:/a.txt"},
        {"N:\\a", false, "%^R|%^U", "\\\\svr\\\xC5\x81\xC3\xB3\x64\xC5\xBA\\a|file://svr/%C5%81%C3%B3d%C5%BA/a",
         "N:\\a|file://svr/%C5%81%C3%B3d%C5%BA/a"},
        {"C:\\it's a $b&(1)~%.txt", false, "%^U|%^-W",
         "file:///C:/it%27s%20a%20$b%26%281%29~%25.txt|/mnt/c/it\\'s\\ a\\ \\$b\\&\\(1\\)\\~\\%.txt"},
        {"C:\\\xC3\x89t\xC3\xA9\\\xE8\xA1\xA8 #1%.txt", false, "%^U", "file:///C:/%C3%89t%C3%A9/%E8%A1%A8%20%231%25.txt"},
        {"C:\\\xE8\xA1\xA8\\\xE8\xA1\xA8", true, kAll,
         "C:\\\xE8\xA1\xA8\\\xE8\xA1\xA8\\|file:///C:/%E8%A1%A8/%E8%A1%A8/|C:/\xE8\xA1\xA8/\xE8\xA1\xA8/|/mnt/c/\xE8\xA1\xA8/"
         "\xE8\xA1\xA8/|/mnt/c/\xE8\xA1\xA8/\xE8\xA1\xA8/|/c/\xE8\xA1\xA8/\xE8\xA1\xA8/|/c/\xE8\xA1\xA8/\xE8\xA1\xA8/"},
        {"C:\\\xC3\xA9.txt", false, "%^U|%^-M", "file:///C:/%C3%A9.txt|/c/\xC3\xA9.txt"},
        {"C:\\\xC3\xA9 \xF0\x9F\x98\x80", false, "%^U|%^-W", "file:///C:/%C3%A9%20%F0%9F%98%80|/mnt/c/\xC3\xA9\\ \xF0\x9F\x98\x80"},
        {"C:\\%^N.txt", false, kAll,
         "C:\\%^N.txt.txt|file:///C:/%25%5EN.txt|C:/%^N.txt.txt|/mnt/c/%^N.txt.txt|/mnt/c/\\%\\^N.txt|/c/%^N.txt.txt|/c/\\%\\^N.txt"},
        {"C:\\w\\%^W", false, "%^S", "C:/w//mnt/c/w/%^W"},
        {"Z:\\" + Repeat("x", 256), false, "%^R", "\\\\fs01\\team\\" + Repeat("x", 256)},
        {"C:\\" + Repeat("\xE8\xA1\xA8", 128), false, "%^U|%^U|%^U|%^U", Repeat(kUrl128, 4, "|"),
         Repeat(kUrl128, 3, "|") + "|%^U"},
        {"X:\\w\\a%^U%^R.txt", false, "%^P|%^S", "X:\\w\\a%^U%^R.txt|X:/w/a%^U%^R.txt"},
        {"C:\\My Docs\\a.txt", false, kQuoted, "\"C:\\My Docs\\a.txt\"|'C:\\My Docs\\a.txt'"},
        {"C:\\My Docs", true, kQuoted, "\"C:\\My Docs\\\\\"|'C:\\My Docs\\'"},
        {"C:\\plain\\a.txt", false, kQuoted, "C:\\plain\\a.txt|'C:\\plain\\a.txt'"},
        {"C:\\plain", true, kQuoted, "C:\\plain\\|'C:\\plain\\'"}, {"C:", true, kQuoted, "C:\\|'C:\\'"},
        {"C:\\it's.txt", false, kQuoted, "\"C:\\it's.txt\"|'C:\\it''s.txt'"},
        {"C:\\100%$#.txt", false, kQuoted, "C:\\100%$#.txt|'C:\\100%$#.txt'"},
        {"C:\\\xE2\x80\x98" "a\xE2\x80\x99.txt", false, kQuoted,
         "C:\\\xE2\x80\x98" "a\xE2\x80\x99.txt|'C:\\\xE2\x80\x98\xE2\x80\x98" "a\xE2\x80\x99\xE2\x80\x99.txt'"},
        {"C:\\\xE2\x80\x9Ax", false, "%^-Q", "'C:\\\xE2\x80\x9A\xE2\x80\x9Ax'"}, {"C:\\\xE2\x80\x9Bx", false, "%^-Q", "'C:\\\xE2\x80\x9B\xE2\x80\x9Bx'"},
        {"\\\\s\\sh\\a b", false, kQuoted, "\"\\\\s\\sh\\a b\"|'\\\\s\\sh\\a b'"}, {"\\\\s\\sh", true, kQuoted, "\\\\s\\sh\\|'\\\\s\\sh\\'"},
        {"C:\\\xE8\xA1\xA8", true, kQuoted, "C:\\\xE8\xA1\xA8\\|'C:\\\xE8\xA1\xA8\\'"},
        {"C:\\a b\\\xE8\xA1\xA8", true, kQuoted, "\"C:\\a b\\\xE8\xA1\xA8\\\\\"|'C:\\a b\\\xE8\xA1\xA8\\'"},
        {"C:\\\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF", false, kQuoted,
         "C:\\\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF|'C:\\\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF'"},
        {"C:\\\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80", false, kQuoted,
         "\"C:\\\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80\"|'C:\\\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80'"},
        {"C:\\%^N.txt", false, "%^Q|%^-Q", "\"C:\\%^N.txt.txt\"|'C:\\%^N.txt.txt'"},
        // Paths past 259 units, in Unicode only: every form whole, or, for a
        // URL longer than a line, none.
        {"C:\\" + Repeat("a b\\", 250) + "x.txt", false, kAll,
         "C:\\" + Repeat("a b\\", 250) + "x.txt|file:///C:/" + Repeat("a%20b/", 250) + "x.txt|C:/" + Repeat("a b/", 250) +
             "x.txt|/mnt/c/" + Repeat("a b/", 250) + "x.txt|/mnt/c/" + Repeat("a\\ b/", 250) + "x.txt|/c/" +
             Repeat("a b/", 250) + "x.txt|/c/" + Repeat("a\\ b/", 250) + "x.txt"},
        {"C:\\" + deep, false, "%^U|%^S", "%^U|C:/" + deep},
        // Forms for command lines as for a short path; a quoted one longer than a line left as written.
        {"D:\\" + deep + " x", false, "%^Q|%^-O", "\"D:\\" + deep + " x\"|D:/" + deep + " x"},
        {std::string(32766, '\''), false, "%^-Q", std::string(65534, '\'')}, {std::string(32767, '\''), false, "%^-Q", "%^-Q"},
    };
    std::vector<Row> table(std::begin(rows), std::end(rows));
    for (std::string sign : {" ", "&", "(", ")", "[", "]", "{", "}", "^", "=", ";", "!", "'", "+", ",", "`", "~"})
        table.push_back({"C:\\a" + sign + "b", false, kQuoted, "\"C:\\a" + sign + "b\"|'C:\\a" + (sign == "'" ? "''" : sign) + "b'"});
    for (bool unicode : {true, false}) {
        memset(&driveTargets, 0, sizeof(driveTargets));
        memset(networkQuestions, 0, sizeof(networkQuestions));
        driveTargets.lookedUp = true;
        driveTargets.universalName = UniversalNameStandIn;
        harness::ImportStandIn device("kernel32.dll", "QueryDosDeviceW", (const void*)DeviceStandIn);
        harness::ImportStandIn driveType("kernel32.dll", "GetDriveTypeW", (const void*)DriveTypeStandIn);
        ASSERT_TRUE(device.active() && driveType.active());
        for (const Row& row : table) {
            if (!unicode && row.item.size() > 259) continue;
            std::string expected = !row.inCodePage.empty() && !unicode ? row.inCodePage : row.expected, got;
            if (unicode) {
                got =
                    harness::Utf8(Expanded(harness::Utf16(row.templateText), harness::Utf16(row.item), row.directory));
            } else {
                bool exactItem, exactExpected;
                std::string item = InCodePage(harness::Utf16(row.item), &exactItem);
                expected = InCodePage(harness::Utf16(expected), &exactExpected);
                if (!exactItem) continue;
                ASSERT_TRUE(exactExpected) << Escaped(row.item);
                got = Expanded(std::string(row.templateText), item, row.directory);
            }
            std::string asGiven = row.item + (row.directory ? "\\" : ""), quoted = got.substr(0, got.find('|'));
            if (!strcmp(row.templateText, kQuoted) && asGiven.find("%^") == std::string::npos) {
                EXPECT_EQ(asGiven, ReadBack(unicode ? harness::Utf16(quoted) : harness::FromCodePage(quoted))) << quoted;
            }
            EXPECT_TRUE(got == expected) << (unicode ? "Unicode (UTF-8 shown)" : "code page") << ", template \""
                                         << row.templateText << "\" item \"" << Escaped(row.item) << "\"\n  got      \""
                                         << Escaped(got) << "\"\n  expected \"" << Escaped(expected) << "\"";
        }
        // Asked once each, and only for a template with "%^R" or "%^U".
        for (int letter = 0; letter < 26; ++letter)
            EXPECT_EQ(strchr("YZN", 'A' + letter) ? 1 : 0, networkQuestions[letter]) << (char)('A' + letter) << ":";
    }
    memset(&driveTargets, 0, sizeof(driveTargets));
}

// Texts of a run in its kind; false when the code page cannot hold them.
bool Put(const std::string& utf8, wchar_t* out, int size) { return lstrcpynW(out, harness::Utf16(utf8).c_str(), size); }
bool Put(const std::string& utf8, char* out, int size, bool exact = false)
{
    return lstrcpynA(out, InCodePage(harness::Utf16(utf8), &exact).c_str(), size) && exact;
}
std::string Utf8Of(const wchar_t* line, int length) { return harness::Utf8(std::wstring(line, length)); }
std::string Utf8Of(const char* line, int length) { return harness::Utf8(harness::FromCodePage(std::string(line, length))); }

// The "%^O|%^-O" lines of a run of items (a folder ends in a backslash, a
// Url starts with "http:") with "/#b=" base, in UTF-8; none when the code
// page cannot hold its texts.
template <typename Char>
std::vector<std::string> RelativeLines(const std::string& base, const std::vector<std::string>& items)
{
    bool exact = Put(base, SettingsOf((const Char*)nullptr).baseFolder, kQuotedValueMaxLength + 1);
    itemList.count = (int)items.size();
    for (int i = 0; i < itemList.count; ++i) {
        Item& item = itemList.items[i];
        item.kind = items[i].compare(0, 5, "http:") ? File : Url;
        item.isDirectory = items[i].back() == '\\';
        // In Unicode the text lies outside the item, as the run's block holds it.
        static wchar_t wideTexts[kItemCapacity][kItemTextSize];
        Char* slot = (Char*)item.text;
        if (sizeof(Char) > 1) item.wideText = (const wchar_t*)(slot = (Char*)wideTexts[i]);
        exact &= Put(items[i].substr(0, items[i].size() - (item.isDirectory && items[i].size() > 3)), slot, kItemTextSize);
    }
    std::vector<std::string> lines;
    static Char line[kLineSize<Char>];
    for (int i = exact ? (FindRunBase<Char>(), 0) : itemList.count; i < itemList.count; ++i)
        lines.push_back(Utf8Of(line, ExpandItem(TEXT_AS(Char, "%^O|%^-O"), itemList.items[i], line)));
    return lines;
}

// "%^O" and "%^-O" in runs of several items, each row in both modes: the
// base from "/#b=" or from the items, found once the list is complete.
TEST(PathForms, RelativeToTheRunsBase)
{
    const std::string kLong = "C:\\\xF0\x9F\x98\x80\\" + Repeat("long folder\\", 40);
    struct Row {
        std::string base;  // "/#b=", UTF-8
        std::vector<std::string> items;  // UTF-8; a folder ends in "\\"; "http:" a Url
        std::vector<std::string> expected;  // "%^O|%^-O"
    } const rows[] = {
        {"C:\\proj", {"C:\\proj\\src\\main.c", "C:\\proj\\", "C:\\other\\x.txt", "D:\\x.txt"},
         {"src\\main.c|src/main.c", ".\\|./", "..\\other\\x.txt|../other/x.txt", "D:\\x.txt|D:/x.txt"}},
        {"", {"C:\\a\\x.txt", "C:\\a\\b\\y.txt"}, {"x.txt|x.txt", "b\\y.txt|b/y.txt"}},
        {"", {"C:\\a\\b\\", "C:\\a\\c\\"}, {"b\\|b/", "c\\|c/"}}, {"", {"C:\\a\\x.txt"}, {"x.txt|x.txt"}},
        {"", {"C:\\x.txt", "D:\\y.txt"}, {"C:\\x.txt|C:/x.txt", "D:\\y.txt|D:/y.txt"}},
        // Whole components, letter case ignored; a trailing backslash; a root has no parent; shares; long forms.
        {"c:\\WORK\\", {"C:\\Work.old\\a", "C:\\work\\A", "C:\\Work"},
         {"..\\Work.old\\a|../Work.old/a", "A|A", "..\\Work|../Work"}},
        {"C:\\", {"C:\\a\\b.txt", "C:\\"}, {"a\\b.txt|a/b.txt", ".\\|./"}}, {"", {"C:\\", "C:\\a.txt"}, {"C:\\|C:/", "C:\\a.txt|C:/a.txt"}},
        {"", {"\\\\s\\sh\\a\\x", "\\\\S\\SH\\a\\y\\z"}, {"x|x", "y\\z|y/z"}},
        {"", {"\\\\s\\sh\\x", "\\\\s\\sh\\"}, {"\\\\s\\sh\\x|//s/sh/x", "\\\\s\\sh\\|//s/sh/"}},
        {"\\\\s\\sh\\a", {"\\\\s\\sh\\b\\x", "\\\\s\\other\\x"}, {"..\\b\\x|../b/x", "\\\\s\\other\\x|//s/other/x"}},
        {"", {"\\\\?\\C:\\a\\x.txt", "C:\\a\\b.txt", "\\\\?\\UNC\\s\\sh\\y"},
         {"\\\\?\\C:\\a\\x.txt|//?/C:/a/x.txt", "C:\\a\\b.txt|C:/a/b.txt", "\\\\?\\UNC\\s\\sh\\y|//?/UNC/s/sh/y"}},
        {"", {"\\\\?\\C:\\a\\x.txt", "C:/a/b/y.txt"}, {"x.txt|x.txt", "b\\y.txt|b/y.txt"}},
        {".", {"sub\\..\\y.txt", "http://h/"}, {"y.txt|y.txt", "%^O|%^-O"}},  // from the current folder; a Url
        {"", {"C:\\\xE8\xA1\xA8\\a.txt", "C:\\\xE8\xA1\xA8\\b\\c.txt"}, {"a.txt|a.txt", "b\\c.txt|b/c.txt"}},
        {"", {"C:\\\xF0\x9F\x98\x80\\a b.txt", "C:\\\xF0\x9F\x98\x80\\"}, {"\xF0\x9F\x98\x80\\a b.txt|\xF0\x9F\x98\x80/a b.txt", "\xF0\x9F\x98\x80\\|\xF0\x9F\x98\x80/"}},
        {"C:\\w", {"C:\\w\\%^N.txt"}, {"%^N.txt.txt|%^N.txt.txt"}},  // a name that spells a placeholder
        // Past 259 units, in Unicode only: the items' folder as long.
        {"", {kLong + "a\\x.txt", kLong + "b\\"}, {"a\\x.txt|a/x.txt", "b\\|b/"}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.expected, RelativeLines<wchar_t>(row.base, row.items)) << "Unicode, /#b=\"" << row.base << "\"";
        auto inCodePage = RelativeLines<char>(row.base, row.items);
        EXPECT_TRUE(inCodePage.empty() || inCodePage == row.expected)
            << "code page, /#b=\"" << row.base << "\" got " << testing::PrintToString(inCodePage);
    }
    itemList.count = runSettings.baseFolder[0] = wideRunSettings.baseFolder[0] = 0;
}

}  // namespace
