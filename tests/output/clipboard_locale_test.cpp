// The clipboard text names its code page, so that programs that paste Unicode
// read the names right. Run once more with TAVREL_OTHER_USER_LOCALE set, the
// user locale is of another language than the code page, as on Windows with a
// keyboard layout of another language: without a locale of its own, the text
// would then be read in that language's code page.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>

#include "tests/support/harness.h"
#include "tests/support/own_texts.h"

namespace {

// The text in UTF-8, for comparing and printing, from UTF-16 or the code page.
std::string Utf8(const wchar_t* text)
{
    char bytes[2048] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof(bytes), nullptr, nullptr);
    return bytes;
}

std::string Utf8(const std::string& text)
{
    wchar_t wide[1024] = {};
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, 1024);
    return Utf8(wide);
}

TEST(ClipboardLocale, UnicodeTextIsTheName)
{
    const char* otherUserLocale = getenv("TAVREL_OTHER_USER_LOCALE");
    if (otherUserLocale && *otherUserLocale) {
        if (!harness::RunningOnWine()) GTEST_SKIP() << "wine-run.sh sets the user locale, under Wine only";
        ASSERT_NE(PRIMARYLANGID(GetSystemDefaultLCID()), PRIMARYLANGID(GetUserDefaultLCID()));
    }
    // Names that this code page holds and the other one reads as other letters.
    const char* name = GetACP() == 932 ? u8"表\\a.txt" : u8"Café.txt";
    harness::ScratchFolder scratch;
    std::string path = scratch.File(own_texts::InCodePage(name));
    // A run in Unicode too: Windows makes its CF_TEXT for older programs by the locale.
    for (std::string mode : {"", "/#u "}) {
        harness::SetClipboardText(harness::kClipboardSentinel);
        ASSERT_EQ(0u, harness::RunTavrel(mode + "\"" + path + "\"", scratch.path()));

        LCID locale = 0;
        std::string text, bytes;
        // The block of the run's own kind holds the text and its NUL, no more.
        SIZE_T ownBlock = 0, ownText = 0;
        ASSERT_TRUE(harness::OpenClipboardForTest());
        if (HANDLE block = GetClipboardData(CF_LOCALE)) {
            locale = *(const LCID*)GlobalLock(block);
            GlobalUnlock(block);
        }
        if (HANDLE block = GetClipboardData(CF_UNICODETEXT)) {
            const wchar_t* wide = (const wchar_t*)GlobalLock(block);
            text = Utf8(wide);
            if (!mode.empty()) ownBlock = GlobalSize(block), ownText = (wcslen(wide) + 1) * sizeof(wchar_t);
            GlobalUnlock(block);
        }
        if (HANDLE block = GetClipboardData(CF_TEXT)) {
            bytes = (const char*)GlobalLock(block);
            if (mode.empty()) ownBlock = GlobalSize(block), ownText = bytes.size() + 1;
            GlobalUnlock(block);
        }
        CloseClipboard();
        EXPECT_EQ(ownText, ownBlock) << mode;
        EXPECT_EQ(GetSystemDefaultLCID(), locale) << mode << "user locale " << GetUserDefaultLCID();
        EXPECT_EQ(Utf8(scratch.path()) + "\\" + name, text) << mode;
        EXPECT_EQ(path, bytes) << mode;
    }
}

}  // namespace
