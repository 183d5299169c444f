#include "app/send_to_entries.h"

#include <windows.h>
#include <shlwapi.h>

#include "app/program_texts.h"
#include "system/link_target.h"
#include "system/shortcut_files.h"
#include "system/system_text.h"

// The entries, in the order of their names in EntryText:
//   name (English)             folder    arguments               key
//   Paths                      Send To   /#u
//   Names                      Send To   /#u /#o=%^N
//   Quoted paths on one line   Send To   /#u /#j=" " /#o=%^Q
//   Network paths              Send To   /#u /#o=%^R
//   Links for mail             Send To   /#u /#l /#o=%^N
//   WSL paths                  Send To   /#u /#o=%^-W
//   Copied files as paths      Programs  /#u /#c                 Ctrl+Alt+F8
// The key is a function key: Ctrl+Alt with a letter is AltGr on many
// layouts, and would take a character from the people who type it. Explorer
// registers the key of a Start-menu shortcut by itself.
const wchar_t* const kEntryArguments[kEntryCount] = {
    L"/#u", L"/#u /#o=%^N", L"/#u /#j=\" \" /#o=%^Q", L"/#u /#o=%^R", L"/#u /#l /#o=%^N", L"/#u /#o=%^-W", L"/#u /#c",
};
constexpr int kKeyEntry = kEntryCount - 1;
// HOTKEYF_CONTROL | HOTKEYF_ALT in the high byte, VK_F8 in the low.
constexpr WORD kEntryKey = 0x0677;

static ShortcutFolder FolderOf(int entry) { return entry == kKeyEntry ? ProgramsFolder : SendToFolder; }

EntriesRequest EntriesRequestOf(const wchar_t* tail)
{
    int length = lstrlenW(tail);
    while (length > 0 && (tail[length - 1] == L' ' || tail[length - 1] == L'\t')) --length;
    if (length < 3 || length > 4 || StrCmpNIW(tail, L"/#i-", length) != 0) return NoEntriesRequest;
    return length == 3 ? AddEntries : RemoveEntries;
}

// The box's text, lines added up to its size; a box this long is never
// reached by the fourteen names.
struct BoxText {
    wchar_t text[2048];
    int length;
};

static void AddLine(BoxText* box, const wchar_t* line, const wchar_t* end = L"")
{
    int length = wnsprintfW(box->text + box->length, 2048 - box->length, L"%s%s\r\n", line, end);
    if (length > 0) box->length += length;
}

static void AddEntriesTo(BoxText* box, const wchar_t* target)
{
    bool written[kEntryCount];
    bool anyFailed = false;
    for (int entry = 0; entry < kEntryCount; ++entry) {
        wchar_t path[MAX_PATH];
        written[entry] = target[0] && ShortcutPath(FolderOf(entry), EntryText(entry), path, MAX_PATH) &&
                         WriteShortcut(path, target, kEntryArguments[entry], entry == kKeyEntry ? kEntryKey : 0);
        anyFailed |= !written[entry];
    }
    for (int entry = 0; entry < kKeyEntry; ++entry) {
        if (written[entry]) {
            if (!box->length) AddLine(box, EntryText(kAddedText));
            AddLine(box, EntryText(entry), L" (Tavrel)");
        }
    }
    if (written[kKeyEntry]) {
        AddLine(box, EntryText(kKeyText));
        AddLine(box, EntryText(kKeyEntry), L" (Tavrel)");
    }
    if (!anyFailed) return;
    AddLine(box, EntryText(kNotWrittenText));
    for (int entry = 0; entry < kEntryCount; ++entry)
        if (!written[entry]) AddLine(box, EntryText(entry), L" (Tavrel).lnk");
}

// Only the shortcuts of the table's names that lead to a file of the running
// exe's own name: a user's own shortcut, or one of those names that leads to
// another program, stays.
static void RemoveEntriesTo(BoxText* box, const wchar_t* target)
{
    const wchar_t* exeName = PathFindFileNameW(target);
    for (int language = 0; language < kLanguageCount; ++language) {
        for (int entry = 0; entry < kEntryCount; ++entry) {
            wchar_t path[MAX_PATH];
            wchar_t linked[MAX_PATH];
            if (!ShortcutPath(FolderOf(entry), EntryText(entry, language), path, MAX_PATH) ||
                !LinkTargetOf(path, Shortcut, linked, MAX_PATH) || lstrcmpiW(PathFindFileNameW(linked), exeName) != 0 ||
                !DeleteFileW(path))
                continue;
            if (!box->length) AddLine(box, EntryText(kRemovedText));
            AddLine(box, EntryText(entry, language), L" (Tavrel)");
        }
    }
    if (!box->length) AddLine(box, EntryText(kNoneRemovedText));
}

int RunEntries(EntriesRequest request)
{
    ChooseProgramTexts();
    static BoxText box;
    wchar_t started[MAX_PATH];
    wchar_t target[MAX_PATH];
    // An exe path that does not fit leaves target empty: every entry is
    // then named as not written, and none is removed.
    ModulePathFromSystem(started, target, MAX_PATH);
    if (request == RemoveEntries)
        RemoveEntriesTo(&box, target);
    else if (LiesInTemporaryFolder(target))
        AddLine(&box, EntryText(kTemporaryText));
    else
        AddEntriesTo(&box, target);
    MessageBoxW(nullptr, box.text, L"Tavrel", MB_OK | MB_ICONINFORMATION);
    return 0;
}
