// The Save As dialog of a bare "/#f", on a real screen: the test starts the
// exe, finds its dialog from this other process, reads the caption and the
// file types, types a name and presses the buttons as a user would.
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/output/output_checks.h"
#include "tests/support/harness.h"
#include "tests/support/own_texts.h"

using harness::Escaped;
using harness::kClipboardSentinel;
using output_checks::FolderListing;

namespace {

const char kResult[] = "alpha.txt\r\nbeta.doc";
const char kOldContent[] = "old content";

std::string WindowText(HWND window)
{
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

// The caption that the system gives a Save As dialog without a title of its
// own, read from one that this process opens and cancels.
std::string SystemSaveAsCaption()
{
    static std::string caption;
    if (!caption.empty()) return caption;
    std::thread dialog([] {
        char name[MAX_PATH] = {};
        OPENFILENAMEA open = {};
        open.lStructSize = sizeof(open);
        open.lpstrFile = name;
        open.nMaxFile = sizeof(name);
        open.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
        GetSaveFileNameA(&open);
    });
    HWND window = harness::WaitForWindow("#32770", GetCurrentProcessId(), 20000);
    if (window) {
        caption = WindowText(window);
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    }
    dialog.join();
    return caption;
}

// The entries in the code page's bytes. They are read as UTF-16, which
// crosses processes intact, and turned back into the code page: the dialog
// made them from these bytes the same way, so the bytes come back unchanged.
std::vector<std::string> ComboEntries(HWND combo)
{
    std::vector<std::string> entries;
    LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[512] = {};
        if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) < (LRESULT)(sizeof(text) / sizeof(text[0])))
            SendMessageW(combo, CB_GETLBTEXT, i, (LPARAM)text);
        char bytes[1024] = {};
        WideCharToMultiByte(CP_ACP, 0, text, -1, bytes, sizeof(bytes), nullptr, nullptr);
        entries.push_back(bytes);
    }
    return entries;
}

struct DescendantSearch {
    const char* className;
    bool (*accept)(HWND, int);
    int wanted;
    HWND found;
};

// A named function, not a lambda: on 32-bit Windows the callback must be
// stdcall, which a lambda cannot be converted to.
BOOL CALLBACK MatchDescendant(HWND child, LPARAM param)
{
    auto* s = (DescendantSearch*)param;
    char name[64] = {};
    GetClassNameA(child, name, sizeof(name));
    if ((s->className && lstrcmpiA(name, s->className) != 0) || !s->accept(child, s->wanted)) return TRUE;
    s->found = child;
    return FALSE;
}

// The first descendant of window of class className (of any class when it is
// null) for which accept holds (given the descendant and wanted).
HWND FindDescendant(HWND window, const char* className, bool (*accept)(HWND, int), int wanted = 0)
{
    DescendantSearch search = {className, accept, wanted, nullptr};
    EnumChildWindows(window, MatchDescendant, (LPARAM)&search);
    return search.found;
}

bool InComboBox(HWND edit, int)
{
    char name[64] = {};
    GetClassNameA(GetParent(edit), name, sizeof(name));
    return lstrcmpiA(name, "ComboBox") == 0;
}

bool IsDropDownList(HWND combo, int) { return (GetWindowLongA(combo, GWL_STYLE) & 3) == CBS_DROPDOWNLIST; }

bool HasId(HWND control, int id) { return GetDlgCtrlID(control) == id; }

// The controls of the classic layout by their IDs (edt1, or the edit inside
// cmb13; cmb1). cmb13 is a child of the dialog in Wine's Explorer layout and
// lies deeper down in the one that Windows shows since Vista, whose address
// bar holds an edit in a combo box too. Without those IDs the file name is
// the edit of a combo box and the file types the one drop-down list.
HWND FileNameEdit(HWND dialog)
{
    if (HWND edit = GetDlgItem(dialog, edt1)) return edit;
    if (HWND comboEx = FindDescendant(dialog, nullptr, HasId, cmb13)) {
        HWND combo = FindWindowExA(comboEx, nullptr, "ComboBox", nullptr);
        if (HWND edit = FindWindowExA(combo ? combo : comboEx, nullptr, "Edit", nullptr)) return edit;
    }
    return FindDescendant(dialog, "Edit", InComboBox);
}

HWND FileTypes(HWND dialog)
{
    if (HWND types = GetDlgItem(dialog, cmb1)) return types;
    return FindDescendant(dialog, "ComboBox", IsDropDownList);
}

// A button by its ID: a child of the dialog, or deeper down in the task
// dialogs that newer Windows uses for its questions.
HWND Button(HWND dialog, int id)
{
    if (HWND button = GetDlgItem(dialog, id)) return button;
    return FindDescendant(dialog, "Button", HasId, id);
}

// What the button itself would tell its parent: BM_CLICK may fail on a
// dialog that is not the active window. Posted, not sent: pressing Save may
// open a modal box in the exe, and the test must stay free to answer it.
void Press(HWND dialog, int id)
{
    HWND button = Button(dialog, id);
    ASSERT_NE(nullptr, button) << "no button " << id;
    PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
}

class SaveAs : public testing::Test {
protected:
    void SetUp() override
    {
        scratch_.File("alpha.txt", "a");
        scratch_.File("beta.doc", "b");
        harness::SetClipboardText(kClipboardSentinel);
    }

    void TearDown() override
    {
        if (process_) {
            harness::WaitForExit(process_, 5000);
            CloseHandle(process_);
        }
    }

    // Starts the exe with a bare "/#f" and two files; the Save As dialog.
    HWND StartAndFindDialog()
    {
        std::string exe = harness::BuiltTavrelPath();
        std::string tail = "/#f \"" + scratch_.Join("alpha.txt") + "\" \"" + scratch_.Join("beta.doc") + "\" /#o=%^N";
        process_ = harness::StartProcess(exe, "\"" + exe + "\" " + tail, scratch_.path());
        if (!process_) return nullptr;
        return harness::WaitForWindow("#32770", GetProcessId(process_), 20000);
    }

    // name in UTF-8.
    void TypeFileName(HWND dialog, const std::string& name)
    {
        HWND edit = FileNameEdit(dialog);
        ASSERT_NE(nullptr, edit) << "no file name edit in the dialog";
        SendMessageW(edit, WM_SETTEXT, 0, (LPARAM)harness::Utf16(name).c_str());
    }

    void ExpectEndAndClipboardUnchanged()
    {
        EXPECT_EQ(0u, harness::WaitForExit(process_, 10000));
        std::string clipboard;
        EXPECT_TRUE(harness::ReadClipboardText(&clipboard));
        EXPECT_EQ(kClipboardSentinel, clipboard) << "got: " << Escaped(clipboard);
    }

    harness::ScratchFolder scratch_;
    HANDLE process_ = nullptr;
};

TEST_F(SaveAs, OpensWithSystemCaptionAndBothFileTypes)
{
    std::string expectedCaption = SystemSaveAsCaption();
    ASSERT_FALSE(expectedCaption.empty()) << "no reference Save As dialog appeared";
    HWND dialog = StartAndFindDialog();
    ASSERT_NE(nullptr, dialog) << "no Save As dialog appeared";
    std::string caption = WindowText(dialog);
    EXPECT_EQ(expectedCaption, caption) << "got: " << Escaped(caption);
    EXPECT_EQ(nullptr, GetWindow(dialog, GW_OWNER)) << "the dialog has an owner window";
    HWND types = FileTypes(dialog);
    ASSERT_NE(nullptr, types) << "no file type combo box";
    std::vector<std::string> entries = ComboEntries(types);
    ASSERT_EQ(2u, entries.size());
    const own_texts::OwnTexts& expected = own_texts::ForThisCodePage();
    EXPECT_EQ(own_texts::InCodePage(expected.textFiles), entries[0]) << "got: " << Escaped(entries[0]);
    EXPECT_EQ(own_texts::InCodePage(expected.allFiles), entries[1]) << "got: " << Escaped(entries[1]);
    HWND edit = FileNameEdit(dialog);
    ASSERT_NE(nullptr, edit);
    EXPECT_EQ("", WindowText(edit)) << "the dialog proposed a name";
    std::string listing = FolderListing(scratch_.path());
    Press(dialog, IDCANCEL);
    ExpectEndAndClipboardUnchanged();
    EXPECT_EQ(listing, FolderListing(scratch_.path()));
}

// A name typed without an extension is saved with ".txt"; a name that the
// code page cannot hold (in UTF-8) is refused, never saved as its look-alike.
TEST_F(SaveAs, NameWithoutExtensionIsSavedAsTxt)
{
    bool japanese = GetACP() == 932;
    std::string lookAlike = japanese ? "resume.txt" : "L\xF3" "dz.txt";
    scratch_.File(lookAlike, kOldContent);
    struct Case {
        std::string typed;
        std::string file;
        const char* expected;
    } cases[] = {
        {"result", "result.txt", kResult},
        {japanese ? "r\xC3\xA9sum\xC3\xA9" : "\xC5\x81\xC3\xB3" "d\xC5\xBA", lookAlike, kOldContent},
    };
    for (const Case& c : cases) {
        HWND dialog = StartAndFindDialog();
        ASSERT_NE(nullptr, dialog) << "no Save As dialog appeared";
        TypeFileName(dialog, scratch_.Join(c.typed));
        Press(dialog, IDOK);
        ExpectEndAndClipboardUnchanged();
        bool exists = false;
        std::string written = harness::ReadBytes(scratch_.Join(c.file), &exists);
        EXPECT_TRUE(exists) << "folder holds: " << FolderListing(scratch_.path());
        EXPECT_EQ(c.expected, written) << "typed " << Escaped(c.typed) << ", got: " << Escaped(written);
        EXPECT_EQ(japanese ? "alpha.txt | beta.doc | result.txt | resume.txt" : "L\xF3" "dz.txt | alpha.txt | beta.doc | result.txt",
                  FolderListing(scratch_.path()));
        CloseHandle(process_);
        process_ = nullptr;
    }
}

TEST_F(SaveAs, ExistingFileIsReplacedOnlyAfterYes)
{
    struct Case {
        int answer;
        const char* expected;
    } cases[] = {
        {IDNO, kOldContent},
        {IDYES, kResult},
    };
    for (const Case& c : cases) {
        std::string target = scratch_.File("existing.txt", kOldContent);
        HWND dialog = StartAndFindDialog();
        ASSERT_NE(nullptr, dialog) << "no Save As dialog appeared";
        TypeFileName(dialog, target);
        Press(dialog, IDOK);
        HWND question = harness::WaitForWindow("#32770", GetProcessId(process_), 10000, dialog);
        ASSERT_NE(nullptr, question) << "no question before replacing the file";
        EXPECT_EQ(kOldContent, harness::ReadBytes(target)) << "replaced before the answer";
        ASSERT_NE(nullptr, Button(question, IDYES)) << "the box has no Yes";
        ASSERT_NE(nullptr, Button(question, IDNO)) << "the box has no No";
        Press(question, c.answer);
        // After No the dialog stays for another name; the user then cancels.
        if (c.answer == IDNO) {
            EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(process_, 500)) << "the dialog closed after No";
            Press(dialog, IDCANCEL);
        }
        ExpectEndAndClipboardUnchanged();
        std::string written = harness::ReadBytes(target);
        EXPECT_EQ(c.expected, written) << "answer " << c.answer << ", got: " << Escaped(written);
        EXPECT_EQ("alpha.txt | beta.doc | existing.txt", FolderListing(scratch_.path()));
        CloseHandle(process_);
        process_ = nullptr;
    }
}

}  // namespace
