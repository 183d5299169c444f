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

namespace {

std::wstring Wide(const std::string& text, UINT codePage)
{
    wchar_t wide[1024] = {};
    MultiByteToWideChar(codePage, 0, text.c_str(), -1, wide, 1024);
    return wide;
}

std::string Narrow(const std::wstring& text, UINT codePage)
{
    char bytes[2048] = {};
    WideCharToMultiByte(codePage, 0, text.c_str(), -1, bytes, sizeof(bytes), nullptr, nullptr);
    return bytes;
}

UINT AnsiCodePageOf(LCID locale)
{
    char number[8] = {};
    GetLocaleInfoA(locale, LOCALE_IDEFAULTANSICODEPAGE, number, sizeof(number));
    return (UINT)atoi(number);
}

TEST(ClipboardLocale, UnicodeTextIsTheName)
{
    const char* otherUserLocale = getenv("TAVREL_OTHER_USER_LOCALE");
    if (otherUserLocale && *otherUserLocale) {
        if (!harness::RunningOnWine()) GTEST_SKIP() << "wine-run.sh sets the user locale, under Wine only";
        ASSERT_NE(GetACP(), AnsiCodePageOf(GetUserDefaultLCID())) << "the user locale has this code page";
    }
    // Names that this code page holds and the other one reads as other letters.
    std::wstring name = Wide(GetACP() == 932 ? u8"表\\a.txt" : u8"Café.txt", CP_UTF8);
    harness::ScratchFolder scratch;
    std::string path = scratch.File(Narrow(name, CP_ACP));
    harness::SetClipboardText(harness::kClipboardSentinel);
    ASSERT_EQ(0u, harness::RunTavrel("\"" + path + "\"", scratch.path()));

    LCID locale = 0;
    std::wstring text;
    ASSERT_TRUE(OpenClipboard(nullptr));
    if (HANDLE block = GetClipboardData(CF_LOCALE)) {
        locale = *(const LCID*)GlobalLock(block);
        GlobalUnlock(block);
    }
    if (HANDLE block = GetClipboardData(CF_UNICODETEXT)) {
        text = (const wchar_t*)GlobalLock(block);
        GlobalUnlock(block);
    }
    CloseClipboard();
    EXPECT_EQ(GetSystemDefaultLCID(), locale) << "user locale " << GetUserDefaultLCID();
    std::wstring expected = Wide(path, CP_ACP);
    EXPECT_TRUE(expected == text) << "got: " << Narrow(text, CP_UTF8) << "\n expected: " << Narrow(expected, CP_UTF8);
}

}  // namespace
