// CollectFromClipboard with the real clipboard: which texts give items, that
// the list is left alone when there is no text to scan, and that the
// clipboard is neither changed nor left open, also when another process
// holds it.
#include <windows.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "items/clipboard_files.h"
#include "items/clipboard_open.h"
#include "items/clipboard_source.h"
#include "items/item_list.h"
#include "tests/items/clipboard_holder.h"
#include "tests/items/items_support.h"
#include "tests/support/file_list_block.h"
#include "tests/support/harness.h"

using harness::Escaped;

namespace {

// Started with one of the clipboard options, this exe plays the other
// process and ends before any case runs. It opens the clipboard with a window
// of its own, as other programs do: Wine lets two processes that both open it
// without a window have it at once.
HWND ClipboardWindow() { return CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr); }

void HoldClipboard(const char* arguments)
{
    char name[80] = {};
    unsigned long letGoAfterMs = INFINITE;
    if (sscanf(arguments, "%79s %lu", name, &letGoAfterMs) < 1) ExitProcess(2);
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, (std::string(name) + "-ready").c_str());
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, (std::string(name) + "-release").c_str());
    HWND window = ClipboardWindow();
    bool opened = false;
    for (int attempt = 0; attempt < 500 && !opened; ++attempt) {
        opened = OpenClipboard(window);
        if (!opened) Sleep(10);
    }
    if (!opened) ExitProcess(1);
    SetEvent(ready);
    WaitForSingleObject(release, letGoAfterMs == INFINITE ? 30000 : letGoAfterMs);
    CloseClipboard();
    ExitProcess(0);
}

int AnswerClipboardOption()
{
    const char* line = GetCommandLineA();
    if (strstr(line, kProbeClipboardOption)) {
        HWND window = ClipboardWindow();
        DWORD start = GetTickCount();
        bool opened;
        while (!(opened = OpenClipboard(window)) && GetTickCount() - start < kClipboardPatienceMs)
            Sleep(kClipboardPauseMs);
        if (opened) CloseClipboard();
        ExitProcess(opened ? 0 : 1);
    }
    if (const char* hold = strstr(line, kHoldClipboardOption)) HoldClipboard(hold + strlen(kHoldClipboardOption));
    return 0;
}

const int answeredClipboardOption = AnswerClipboardOption();

class ClipboardSourceTest : public InScratchFolder {
protected:
    void SetUp() override
    {
        InScratchFolder::SetUp();
        for (const char* name : {"a.txt", "b c.txt"}) scratch_.File(name);
        scratch_.Folder("dir");
    }

    std::string ClipboardNow()
    {
        std::string text;
        EXPECT_TRUE(harness::ReadClipboardText(&text));
        return text;
    }
};

const char kPoisonedList[] = "Url poison\nUrl poison\nUrl poison\n";

}  // namespace

TEST_F(ClipboardSourceTest, NoTextLeavesTheListAlone)
{
    harness::SetClipboardBitmapOnly();
    ASSERT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    PoisonItemList();
    EXPECT_EQ(0, CollectFromClipboard());
    EXPECT_EQ(kPoisonedList, ListedItems());
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_TRUE(ClipboardIsFree());
}

TEST_F(ClipboardSourceTest, EmptyTextLeavesTheListAlone)
{
    harness::SetClipboardText("");
    PoisonItemList();
    EXPECT_EQ(0, CollectFromClipboard());
    EXPECT_EQ(kPoisonedList, ListedItems());
    EXPECT_TRUE(ClipboardIsFree());
}

TEST_F(ClipboardSourceTest, Texts)
{
    static const struct {
        const char* text;
        int result;
        const char* expected;
    } cases[] = {
        {"nothing here\r\nnor here\r\n", 0, ""},
        {"b c.txt\r\n   a.txt   \r\n\r\ndir\\\r\nhttp://h/x y", 1, "File b c.txt\nFile a.txt\nFile dir\nUrl http://h/x y\n"},
        {"\"a.txt\" and more\r\n\"b c.txt", 1, "File a.txt\n"},
        {"a.txt\rdir\r", 0, ""},
        {"a.txt\ndir\n", 1, "File a.txt\nFile dir\n"},
    };
    for (const auto& c : cases) {
        harness::SetClipboardText(c.text);
        PoisonItemList();
        int result = CollectFromClipboard();
        std::string got = ListedItems();
        EXPECT_EQ(c.result, result) << "clipboard \"" << Escaped(c.text) << "\"";
        EXPECT_EQ(c.expected, got) << "clipboard \"" << Escaped(c.text) << "\"\n  got      \"" << Escaped(got)
                                   << "\"\n  expected \"" << Escaped(c.expected) << "\"";
        EXPECT_TRUE(ClipboardIsFree());
        EXPECT_EQ(c.text, ClipboardNow());
    }
}

TEST_F(ClipboardSourceTest, MoreThanAThousandLines)
{
    std::string text;
    for (int i = 0; i < 1005; ++i) text += i % 2 ? "b c.txt\r\n" : "a.txt\r\n";
    harness::SetClipboardText(text);
    EXPECT_EQ(1, CollectFromClipboard());
    ASSERT_EQ(1000, itemList.count);
    EXPECT_STREQ("b c.txt", itemList.items[999].text);
    EXPECT_TRUE(ClipboardIsFree());
}

// Another program keeps the clipboard open past the bounded wait: no item, no
// hang, and its text is still there when it lets go.
TEST_F(ClipboardSourceTest, HeldByAnotherProcess)
{
    const std::string text = std::string(harness::kClipboardSentinel) + "\r\na.txt\r\n";
    harness::SetClipboardText(text);
    ClipboardHolder holder;
    ASSERT_TRUE(holder.holding());
    PoisonItemList();
    DWORD start = GetTickCount();
    EXPECT_EQ(0, CollectFromClipboard());
    EXPECT_LT(GetTickCount() - start, harness::kGiveUpOnHeldClipboardMs) << "waited too long";
    EXPECT_EQ(kPoisonedList, ListedItems());
    holder.Release();
    EXPECT_EQ(text, ClipboardNow());
    EXPECT_TRUE(ClipboardIsFree());
}

// Clipboard managers hold the clipboard for a moment after every change; one
// that lets go soon after the first attempt costs the run nothing.
TEST_F(ClipboardSourceTest, HeldForAMoment)
{
    harness::SetClipboardText("a.txt\r\nb c.txt");
    ClipboardHolder holder(30);
    ASSERT_TRUE(holder.holding());
    EXPECT_EQ(1, CollectFromClipboard());
    EXPECT_EQ("File a.txt\nFile b c.txt\n", ListedItems());
}

// A text block put there by another program need not end in a NUL: it is
// read up to the end of the block and no further. Wine hands every clipboard
// block over with a NUL in place of its last byte, so the block goes to the
// reading step directly. It is shrunk from a larger one full of 'x', so that
// the bytes behind its end are no NUL either.
TEST_F(ClipboardSourceTest, TextBlockWithoutNul)
{
    static const char text[] = {'a', '.', 't', 'x', 't', '\r', '\n', 'd', 'i', 'r'};
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 256);
    memset(GlobalLock(block), 'x', 256);
    GlobalUnlock(block);
    block = GlobalReAlloc(block, sizeof(text), GMEM_MOVEABLE);
    ASSERT_EQ(sizeof(text), GlobalSize(block));
    memcpy(GlobalLock(block), text, sizeof(text));
    GlobalUnlock(block);
    PoisonItemList();
    EXPECT_EQ(1, ScanTextBlock(block));
    EXPECT_EQ("File a.txt\nFile dir\n", ListedItems());
    GlobalFree(block);
}

// Past what Wine's file system holds, any name is a file; the names asked are kept.
std::string askedNames;
DWORD WINAPI AnyNameAFile(LPCWSTR name) { return askedNames += harness::Utf8(name) + "\n", FILE_ATTRIBUTE_NORMAL; }

// Explorer's copied files, on the clipboard or as a block in hand, read in
// the code page or, "unicode", as a run with "/#u" does. Names of a wide
// block and the items read back are UTF-8; local is held by the code page
// beyond ASCII, lodz by neither code page. Rows with names asked hold lines
// of text in place of a list, where any name is a file.
TEST_F(ClipboardSourceTest, FileLists)
{
    std::string localBytes = GetACP() == 932 ? "\x95\x5C" : "\xE9", h(20, '\0'), dots, many;
    std::string local = harness::Utf8(harness::FromCodePage(localBytes)), lodz = "\xC5\x81\xC3\xB3" "d\xC5\xBA.txt";
    std::string p32767 = "C:\\" + std::string(32764, 'a'), unc = "\\\\server\\share\\" + std::string(300, 'u');
    CloseHandle(CreateFileW(harness::Utf16(scratch_.Join(lodz)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    for (std::string name : {std::string(" lead.txt"), std::string("ab.txt"), localBytes + ".txt"}) scratch_.File(name);
    for (int i = 0; i < 1000; ++i) many += "File a.txt\n", dots += i < 127 ? ".\\" : "";
    const std::vector<std::string> names = {"a.txt", " lead.txt", "\"a.txt\"", "dir\\", local + ".txt", "missing.txt"};
    const std::string found = "File a.txt\nFile  lead.txt\nFile dir\nFile " + local + ".txt\n";
    struct Case {
        std::string bytes;
        bool placed, unicode;  // placed: on the clipboard
        int result;
        std::string expected, asked = "";
    } cases[] = {
        {harness::FileListBlock(names, true), true, false, 1, found},
        {harness::FileListBlock(names, true), true, true, 1, found},
        {harness::FileListBlock({"a.txt", localBytes + ".txt"}, false), true, false, 1, "File a.txt\nFile " + local + ".txt\n"},
        {harness::FileListBlock({localBytes + ".txt"}, false), true, true, 1, "File " + local + ".txt\n"},
        {harness::FileListBlock({lodz, "a.txt"}, true), true, false, 1, "File a.txt\n"},
        {harness::FileListBlock({lodz}, true), true, true, 1, "File " + lodz + "\n"},
        {harness::FileListBlock(std::vector<std::string>(1001, "a.txt"), false), true, true, 1, many},
        {harness::FileListBlock({dots + "a.txt", dots + "ab.txt"}, true), true, false, 1, "File " + dots + "a.txt\n"},
        {harness::FileListBlock({dots + "a.txt", dots + "ab.txt"}, true), true, true, 1,
         "File " + dots + "a.txt\nFile " + dots + "ab.txt\n"},
        // Malformed: nothing read outside the block.
        {h.substr(0, 19), false, false, 0, kPoisonedList},
        {"\xFF\xFF" + h.substr(2) + "a.txt", false, false, 0, kPoisonedList},
        {"\x04" + h.substr(1) + "a.txt", false, false, 0, kPoisonedList},
        {"\x14" + h.substr(1) + std::string("a.txt\0dir", 9), false, false, 1, "File a.txt\n"},
        {"\x14" + h.substr(1, 15) + "\x01" + h.substr(17) + std::string("a\0.\0t\0x\0t\0\0\0d", 13), false, true, 1, "File a.txt\n"},
        // The longest path, one unit more, and a share's, asked in the long form.
        {p32767 + "\r\n" + p32767 + "a\r\n" + unc, true, true, 1, "File " + p32767 + "\nFile " + unc + "\n",
         "\\\\?\\" + p32767 + "\n\\\\?\\" + p32767 + "a\n\\\\?\\UNC" + unc.substr(1) + "\n"},
    };
    for (const Case& c : cases) {
        PoisonItemList();
        HGLOBAL data = harness::BlockOf(c.bytes);
        if (c.placed) c.asked.empty() ? harness::SetClipboardBlock(CF_HDROP, c.bytes) : harness::SetClipboardText(c.bytes, true);
        harness::ImportStandIn anyName("kernel32.dll", "GetFileAttributesW",
                                       c.asked.empty() ? (const void*)GetFileAttributesW : (const void*)AnyNameAFile);
        askedNames.clear();
        int result = c.placed ? (c.unicode ? CollectFromClipboard<wchar_t>() : CollectFromClipboard<char>())
                              : (c.unicode ? ScanFileBlock<wchar_t>(data) : ScanFileBlock<char>(data));
        GlobalFree(data);
        std::string got;
        for (const Item& item : std::vector<Item>(itemList.items, itemList.items + itemList.count))
            got += (item.kind == File ? "File " : "Url ") +
                   harness::Utf8(c.unicode ? std::wstring(item.wideText) : harness::FromCodePage(item.text)) + "\n";
        EXPECT_EQ(c.result, result) << "block \"" << Escaped(c.bytes.substr(0, 200)) << "\"";
        EXPECT_TRUE(c.asked.empty() || c.asked == askedNames) << "asked \"" << Escaped(askedNames) << "\"\n  expected \"" << Escaped(c.asked) << "\"";
        EXPECT_EQ(c.expected, got) << "block \"" << Escaped(c.bytes.substr(0, 200)) << "\"\n  got      \"" << Escaped(got)
                                   << "\"\n  expected \"" << Escaped(c.expected) << "\"";
    }
}
