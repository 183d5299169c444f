// Result assembly and the clipboard hand-over, in-process: the ItemList and
// RunSettings are filled directly, DeliverOutput runs, and the real clipboard
// is read back.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "output/deliver_output.h"
#include "tests/output/output_checks.h"
#include "tests/support/harness.h"

using harness::Escaped;
using harness::kClipboardSentinel;
using output_checks::FillItems;
using output_checks::SetOutput;

namespace {

std::string Delivered()
{
    std::string text;
    EXPECT_TRUE(harness::ReadClipboardText(&text)) << "no CF_TEXT on the clipboard";
    return text;
}

TEST(DeliverOutput, JoinsTheLinesOfAllItemsWithCrLf)
{
    struct Case {
        const char* templateText;
        std::vector<std::string> items;
        std::string expected;
    } cases[] = {
        {"%^-P", {"a"}, "a"},
        {"%^-P", {"a", "", "b"}, "a\r\n\r\nb"},
        {"%^-P", {""}, ""},
        {"%^-P", {"one", "two", "three", "four"}, "one\r\ntwo\r\nthree\r\nfour"},
        // Line breaks inside one item's line are copied as they are.
        {"%^-P[BR]-", {"a", "b"}, "a\r\n-\r\nb\r\n-"},
        {"x\r\ny", {"a", "b"}, "x\r\ny\r\nx\r\ny"},
        {"", {"a", "b", "c"}, "\r\n\r\n"},
        // Bytes of the code page pass unconverted, a trail byte 0x5C included.
        {"%^-P", {"C:\\\x95\x5C\\\x83\x65.txt", "\xE9t\xE9"}, "C:\\\x95\x5C\\\x83\x65.txt\r\n\xE9t\xE9"},
    };
    for (const Case& c : cases) {
        harness::SetClipboardText(kClipboardSentinel);
        FillItems(c.items);
        SetOutput(Clipboard);
        DeliverOutput(c.templateText);
        std::string got = Delivered();
        EXPECT_EQ(c.expected, got) << "template: " << Escaped(c.templateText) << " with " << c.items.size()
                                   << " items\n got: " << Escaped(got) << "\n expected: " << Escaped(c.expected);
    }
}

// A full list of the longest lines the template alone can make: the block
// grows (and may move) a thousand times while it holds megabytes.
TEST(DeliverOutput, FullListOfLongLines)
{
    std::string templateText(kTemplateBufferSize - 1, 'x');
    templateText[0] = 'A';
    templateText.back() = 'Z';
    FillItems(std::vector<std::string>(kItemCapacity, "item"));
    SetOutput(Clipboard);
    harness::SetClipboardText(kClipboardSentinel);
    DeliverOutput(templateText.c_str());
    std::string expected = templateText;
    for (int i = 1; i < kItemCapacity; ++i) expected += "\r\n" + templateText;
    std::string got = Delivered();
    EXPECT_EQ(expected.size(), got.size());
    EXPECT_TRUE(expected == got) << "the joined text differs from " << kItemCapacity << " copies of the line";
}

TEST(DeliverOutput, TextReplacesEveryFormerFormat)
{
    harness::SetClipboardBitmapOnly();
    ASSERT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    FillItems({"a"});
    SetOutput(Clipboard);
    DeliverOutput("line");
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP)) << "the clipboard was not emptied";
    EXPECT_EQ("line", Delivered());
}

TEST(DeliverOutput, EmptyListDeliversNothing)
{
    harness::SetClipboardText(kClipboardSentinel);
    FillItems({});
    SetOutput(Clipboard);
    DeliverOutput("line");
    EXPECT_EQ(kClipboardSentinel, Delivered());
}

TEST(DeliverOutput, SavingLeavesTheClipboardAlone)
{
    harness::ScratchFolder scratch;
    std::string target = scratch.Join("out.txt");
    harness::SetClipboardText(kClipboardSentinel);
    FillItems({"a", "b"});
    SetOutput(NamedFile, target);
    DeliverOutput("%^-P");
    EXPECT_EQ(kClipboardSentinel, Delivered());
    std::string written = harness::ReadBytes(target);
    EXPECT_EQ("a\r\nb", written) << "got: " << Escaped(written);
}

// Another thread of the test holds the clipboard the way another program
// would. It opens it for a window of its own: an open clipboard shuts out
// other threads, and under Wine only openers with a different window.
class ClipboardHolder {
public:
    explicit ClipboardHolder(DWORD holdMs)
    {
        thread_ = std::thread([this, holdMs] {
            HWND window = CreateWindowA("STATIC", "holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
            if (OpenClipboard(window)) {
                SetEvent(opened_);
                releaseWait_ = WaitForSingleObject(release_, holdMs);
                CloseClipboard();
            }
            DestroyWindow(window);
        });
        holding_ = WaitForSingleObject(opened_, 5000) == WAIT_OBJECT_0;
    }
    ~ClipboardHolder()
    {
        Release();
        CloseHandle(opened_);
        CloseHandle(release_);
    }
    bool holding() const { return holding_; }
    // WAIT_OBJECT_0 when the hold was still on at the time of the release.
    DWORD Release()
    {
        SetEvent(release_);
        if (thread_.joinable()) thread_.join();
        return releaseWait_;
    }

private:
    HANDLE opened_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD releaseWait_ = WAIT_FAILED;
    bool holding_ = false;
    std::thread thread_;
};

TEST(DeliverOutput, WaitsOutABriefHold)
{
    harness::SetClipboardText(kClipboardSentinel);
    FillItems({"a"});
    SetOutput(Clipboard);
    ClipboardHolder holder(80);
    ASSERT_TRUE(holder.holding());
    DeliverOutput("delivered");
    holder.Release();
    EXPECT_EQ("delivered", Delivered());
}

// A loaded machine may take its time over the quarter second of patience:
// the bound is 5 s, and the hold that must not be waited out twelve times
// that, so that giving up is told from waiting as sharply as ever.
TEST(DeliverOutput, GivesUpOnALongHoldWithoutTouchingTheClipboard)
{
    harness::SetClipboardText(kClipboardSentinel);
    FillItems({"a"});
    SetOutput(Clipboard);
    ClipboardHolder holder(60000);
    ASSERT_TRUE(holder.holding());
    DWORD start = GetTickCount();
    DeliverOutput("delivered");
    EXPECT_LT(GetTickCount() - start, 5000u) << "waited too long";
    EXPECT_EQ((DWORD)WAIT_OBJECT_0, holder.Release()) << "DeliverOutput waited until the clipboard was free";
    EXPECT_EQ(kClipboardSentinel, Delivered());
}

// The beep is the user's only sign that the text arrived: it sounds once,
// between emptying the clipboard and setting the text, when no format is on it.
struct Beep {
    UINT type;
    int formatsOnClipboard;
};
std::vector<Beep> beeps;

BOOL WINAPI RecordBeep(UINT type)
{
    beeps.push_back({type, CountClipboardFormats()});
    return TRUE;
}

// The links of "/#l" are an extra: a clipboard that refuses them still gets the text.
decltype(&SetClipboardData) realSetData;
int refusedLinks;
HANDLE WINAPI RefuseLinks(UINT format, HANDLE data)
{
    return format == RegisterClipboardFormatA("HTML Format") ? (++refusedLinks, nullptr) : realSetData(format, data);
}

TEST(DeliverOutput, BeepsOnceBetweenEmptyingAndSettingTheClipboard)
{
    harness::ImportStandIn beep("user32.dll", "MessageBeep", (const void*)RecordBeep);
    harness::ImportStandIn setData("user32.dll", "SetClipboardData", (const void*)RefuseLinks);
    ASSERT_TRUE(beep.active() && setData.active());
    realSetData = setData.real<decltype(realSetData)>();
    const struct {
        std::vector<std::string> items;
        DWORD heldMs;  // 0: nobody holds the clipboard
        size_t expectedBeeps;
        const char* clipboardAfter;
        int htmlLinks = 0;
    } cases[] = {
        {{"a", "b"}, 0, 1, "a\r\nb"},
        {{"a", "b"}, 0, 1, "a\r\nb", 1},
        {{}, 0, 0, kClipboardSentinel},
        {{"a"}, 20000, 0, kClipboardSentinel},
    };
    for (const auto& c : cases) {
        harness::SetClipboardText(kClipboardSentinel);
        FillItems(c.items);
        SetOutput(Clipboard);
        runSettings.htmlLinks = c.htmlLinks;
        beeps.clear(), refusedLinks = 0;
        std::optional<ClipboardHolder> holder;
        if (c.heldMs) {
            holder.emplace(c.heldMs);
            ASSERT_TRUE(holder->holding());
        }
        DeliverOutput("%^-P");
        holder.reset();
        SCOPED_TRACE(std::to_string(c.items.size()) + " items, clipboard held " + std::to_string(c.heldMs) + " ms");
        EXPECT_EQ(c.clipboardAfter, Delivered());
        EXPECT_EQ(c.htmlLinks, refusedLinks) << "links offered";
        ASSERT_EQ(c.expectedBeeps, beeps.size());
        for (const Beep& b : beeps) {
            EXPECT_EQ((UINT)MB_ICONASTERISK, b.type);
            EXPECT_EQ(0, b.formatsOnClipboard)
                << "the beep came before the clipboard was emptied or after the text was set";
        }
    }
}

}  // namespace
