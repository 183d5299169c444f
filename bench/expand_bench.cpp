// Times the expansion of each item of a scanned ItemList, as DeliverOutput
// runs it (ExpandItem), for the default template "%^P" and for a 2599-unit
// template made only of placeholders, over 1000 real files and directories,
// in both kinds of text of a run:
//   - in the code page, beside the reference expander of the tests (which
//     searches again from the beginning after every replacement), with ASCII
//     names;
//   - in Unicode ("/#u"), with Japanese and Cyrillic names; the reference
//     reads bytes of the code page only, so the lines are checked for a
//     placeholder left unreplaced instead.
// Prints microseconds per item and whether the template of placeholders meets
// its targets: at most 40 us per item in either kind, and in the code page at
// least 50 times faster than the reference.
#include <windows.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "app/options.h"
#include "expand/expand_template.h"
#include "expand/split_path.h"
#include "items/item_list.h"
#include "tests/expand/reference_expansion.h"

namespace {

const int kItemCount = 1000;
// The reference takes about a tenth of a second per item on the long
// template, so it is timed over fewer items.
const int kSlowReferenceItems = 20;
const int kRounds = 25;
const double kTargetMicroseconds = 40;
const double kTargetRatio = 50;

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return (double)counter.QuadPart * 1e6 / (double)frequency.QuadPart;
}

void MakeFolder(const char* path) { CreateDirectoryA(path, nullptr); }
void MakeFolder(const wchar_t* path) { CreateDirectoryW(path, nullptr); }
void EnterFolder(const char* path) { SetCurrentDirectoryA(path); }
void EnterFolder(const wchar_t* path) { SetCurrentDirectoryW(path); }
void RemoveFolder(const char* path) { RemoveDirectoryA(path); }
void RemoveFolder(const wchar_t* path) { RemoveDirectoryW(path); }
bool RemoveFile(const char* path) { return DeleteFileA(path) != 0; }
bool RemoveFile(const wchar_t* path) { return DeleteFileW(path) != 0; }

void MakeEmptyFile(const char* path)
{
    CloseHandle(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}
void MakeEmptyFile(const wchar_t* path)
{
    CloseHandle(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

template <typename Char>
using Text = std::basic_string<Char>;

template <typename Char>
Text<Char> Widened(const std::string& ascii)
{
    return Text<Char>(ascii.begin(), ascii.end());
}

// Relative names, in a fresh folder made current, keep every value short, so
// that the long template's line stays within 3899 units and every one of its
// placeholders is replaced. Every tenth item is a directory. In Unicode a
// Japanese or a Cyrillic letter (by turns, ten items each) stands where the
// code page's names have an ASCII one: the values, and so the lines, have as
// many units in both kinds.
std::string ItemName(int i, char)
{
    char name[16];
    snprintf(name, sizeof(name), i % 10 == 0 ? "d%03d" : "f%03d.txt", i);
    return name;
}

std::wstring ItemName(int i, wchar_t)
{
    bool japanese = (i / 10) % 2 == 0;
    wchar_t letter = i % 10 == 0 ? (japanese ? L'\x30D5' : L'\x0434') : (japanese ? L'\x8868' : L'\x0444');
    return letter + Widened<wchar_t>(ItemName(i, 'x').substr(1));
}

template <typename Char>
std::vector<Text<Char>> MakeItems(const Text<Char>& folder)
{
    MakeFolder(folder.c_str());
    EnterFolder(folder.c_str());
    std::vector<Text<Char>> items;
    for (int i = 0; i < kItemCount; ++i) {
        items.push_back(ItemName(i, Char()));
        if (i % 10 == 0) MakeFolder(items.back().c_str());
        else MakeEmptyFile(items.back().c_str());
    }
    return items;
}

template <typename Char>
void RemoveItems(const Text<Char>& folder, const std::vector<Text<Char>>& items)
{
    for (const Text<Char>& item : items) {
        if (!RemoveFile(item.c_str())) RemoveFolder(item.c_str());
    }
    EnterFolder(Widened<Char>("..").c_str());
    RemoveFolder(folder.c_str());
}

// The nine File placeholders in turn, then "%^-P" and "%^E" to make exactly
// 2599 units.
std::string PlaceholderTemplate()
{
    static const char* const tokens[] = {"%^P", "%^-P", "%^D", "%^-D", "%^F", "%^N", "%^E", "%^A", "%^B"};
    const size_t length = kTemplateBufferSize - 1;
    std::string text;
    for (int i = 0; text.size() + 16 <= length; i = (i + 1) % 9) text += tokens[i];
    while ((length - text.size()) % 3 != 0) text += "%^-P";
    while (text.size() < length) text += "%^E";
    return text;
}

struct Figures {
    double microsecondsPerItem;
    size_t longestLine;
    // Lines that still hold "%^": no value here holds one, so each such line
    // kept a placeholder unreplaced.
    int linesWithPlaceholder;
};

// The ItemList as the scanner leaves it for these names, directories marked.
template <typename Char>
void ScanNames(const std::vector<Text<Char>>& items)
{
    Text<Char> names;
    for (const Text<Char>& item : items) names += item + Char(' ');
    ScanItems(names.c_str(), CommandLine);
}

// The fastest of many rounds over the list: on a shared machine the others
// measure the neighbours too, whose bursts can outlast a few rounds of some
// 25 ms. The lines are measured after the rounds, so that the figure is the
// expansion's alone.
template <typename Char>
Figures TimeExpandItem(const Text<Char>& templateText)
{
    static Char line[kLineSize<Char>];
    Figures figures = {1e9, 0, 0};
    for (int round = 0; round < kRounds; ++round) {
        double start = Now();
        for (int i = 0; i < itemList.count; ++i) ExpandItem(templateText.c_str(), itemList.items[i], line);
        double perItem = (Now() - start) / itemList.count;
        if (perItem < figures.microsecondsPerItem) figures.microsecondsPerItem = perItem;
    }
    const Text<Char> placeholderSign = Widened<Char>("%^");
    for (int i = 0; i < itemList.count; ++i) {
        ExpandItem(templateText.c_str(), itemList.items[i], line);
        Text<Char> expanded = line;
        if (expanded.size() > figures.longestLine) figures.longestLine = expanded.size();
        if (expanded.find(placeholderSign) != Text<Char>::npos) ++figures.linesWithPlaceholder;
    }
    return figures;
}

void PrintOurs(const Figures& ours, const char* unit)
{
    printf("  ExpandItem     %10.1f us per item over %d items (fastest of %d rounds), longest line %zu %s\n",
           ours.microsecondsPerItem, itemList.count, kRounds, ours.longestLine, unit);
}

double TimeReference(const std::string& templateText, const std::vector<std::string>& items, int count)
{
    double start = Now();
    for (int i = 0; i < count; ++i)
        reference::Expand(templateText, items[i], File, runSettings.lineBreakMarker, reference::Mode::AsWritten);
    return (Now() - start) / count;
}

// The same bytes from both, or the figures compare different work.
int CountDifferentLines(const std::string& templateText, const std::vector<std::string>& items, int count)
{
    int different = 0;
    for (int i = 0; i < count; ++i) {
        char line[kLineBufferSize];
        ExpandItem(templateText.c_str(), itemList.items[i], line);
        reference::Expansion e =
            reference::Expand(templateText, items[i], File, runSettings.lineBreakMarker, reference::Mode::AsWritten);
        if (e.endless || e.overran || e.line != line) ++different;
    }
    return different;
}

bool Report(const char* name, const std::string& templateText, const std::vector<std::string>& items,
            int referenceItems)
{
    Figures ours = TimeExpandItem(templateText);
    double theirs = TimeReference(templateText, items, referenceItems);
    int different = CountDifferentLines(templateText, items, referenceItems);
    double ratio = theirs / ours.microsecondsPerItem;
    printf("%s, %zu bytes:\n", name, templateText.size());
    PrintOurs(ours, "bytes");
    printf("  reference      %10.1f us per item over %d items\n  %.1f times faster%s\n", theirs, referenceItems, ratio,
           different ? "; THE LINES DIFFER" : "");
    return ours.microsecondsPerItem <= kTargetMicroseconds && ratio >= kTargetRatio && !different;
}

bool ReportUnicode(const char* name, const std::wstring& templateText)
{
    Figures ours = TimeExpandItem(templateText);
    printf("%s, %zu units:\n", name, templateText.size());
    PrintOurs(ours, "units");
    if (ours.linesWithPlaceholder) printf("  %d LINES KEEP A PLACEHOLDER\n", ours.linesWithPlaceholder);
    else printf("  every placeholder replaced\n");
    return ours.microsecondsPerItem <= kTargetMicroseconds && !ours.linesWithPlaceholder;
}

// The long template in the code page; true when it meets its targets.
bool BenchCodePage(const std::string& folder)
{
    lstrcpynA(runSettings.lineBreakMarker, kDefaultLineBreakMarker, sizeof(runSettings.lineBreakMarker));
    std::vector<std::string> items = MakeItems(folder);
    ScanNames(items);
    printf("In the code page, ASCII names. The reference searches again from the beginning after every "
           "replacement.\n");
    Report("Template \"%^P\"", "%^P", items, kItemCount);
    bool met = Report("Placeholders only", PlaceholderTemplate(), items, kSlowReferenceItems);
    printf("Worst template: target at most %.0f us per item and %.0fx faster than the reference: %s\n\n",
           kTargetMicroseconds, kTargetRatio, met ? "met" : "NOT MET");
    RemoveItems(folder, items);
    return met;
}

bool BenchUnicode(const std::wstring& folder)
{
    lstrcpynW(wideRunSettings.lineBreakMarker, kDefaultWideLineBreakMarker, kMarkerMaxLength + 1);
    std::vector<std::wstring> items = MakeItems(folder);
    ScanNames(items);
    printf("In Unicode (\"/#u\"), Japanese and Cyrillic names.\n");
    ReportUnicode("Template \"%^P\"", L"%^P");
    bool met = ReportUnicode("Placeholders only", Widened<wchar_t>(PlaceholderTemplate()));
    printf("Worst template in Unicode: target at most %.0f us per item: %s\n", kTargetMicroseconds,
           met ? "met" : "NOT MET");
    RemoveItems(folder, items);
    return met;
}

}  // namespace

int main()
{
    LoadCodePageLeadBytes();
    printf("Code page %u.\n", GetACP());
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    wchar_t wideTemp[MAX_PATH];
    GetTempPathW(MAX_PATH, wideTemp);
    std::string id = std::to_string(GetCurrentProcessId());
    bool met = BenchCodePage(temp + ("tavrel-bench-" + id));
    met &= BenchUnicode(wideTemp + Widened<wchar_t>("tavrel-bench-u-" + id));
    return met ? 0 : 1;
}
