// Times the expansion of each item of a scanned ItemList, as DeliverOutput
// runs it (ExpandItem), beside the reference expander of the tests (which
// searches again from the beginning after every replacement), for the default
// template "%^P" and for a 2599-byte template made only of placeholders, over
// 1000 real files and directories. Prints microseconds per item and whether
// the template of placeholders meets its target: at most 40 us per item and
// at least 50 times faster than the reference.
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
const int kRounds = 5;
const double kTargetMicroseconds = 40;
const double kTargetRatio = 50;

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return (double)counter.QuadPart * 1e6 / (double)frequency.QuadPart;
}

// Relative names, in a fresh folder made current, keep every value short, so
// that the long template's line stays within 3899 bytes and every one of its
// placeholders is replaced. Every tenth item is a directory.
std::vector<std::string> MakeItems(const std::string& folder)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    SetCurrentDirectoryA(folder.c_str());
    std::vector<std::string> items;
    for (int i = 0; i < kItemCount; ++i) {
        char name[16];
        if (i % 10 == 0) {
            snprintf(name, sizeof(name), "d%03d", i);
            CreateDirectoryA(name, nullptr);
        } else {
            snprintf(name, sizeof(name), "f%03d.txt", i);
            HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            CloseHandle(file);
        }
        items.push_back(name);
    }
    return items;
}

void RemoveItems(const std::string& folder, const std::vector<std::string>& items)
{
    for (const std::string& item : items) {
        if (!DeleteFileA(item.c_str())) RemoveDirectoryA(item.c_str());
    }
    SetCurrentDirectoryA("..");
    RemoveDirectoryA(folder.c_str());
}

// The nine File placeholders in turn, then "%^-P" and "%^E" to make exactly
// 2599 bytes.
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
};

// The ItemList as the scanner leaves it for these names, directories marked.
void ScanNames(const std::vector<std::string>& items)
{
    std::string names;
    for (const std::string& item : items) names += item + " ";
    ScanItems(names.c_str(), CommandLine);
}

// The fastest of a few rounds over the list: on a shared machine the others
// measure the neighbours too.
Figures TimeExpandItem(const std::string& templateText)
{
    static char line[kLineBufferSize];
    Figures figures = {1e9, 0};
    for (int round = 0; round < kRounds; ++round) {
        double start = Now();
        for (int i = 0; i < itemList.count; ++i) {
            ExpandItem(templateText.c_str(), itemList.items[i], line);
            if (strlen(line) > figures.longestLine) figures.longestLine = strlen(line);
        }
        double perItem = (Now() - start) / itemList.count;
        if (perItem < figures.microsecondsPerItem) figures.microsecondsPerItem = perItem;
    }
    return figures;
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
    printf("%s, %zu bytes:\n  ExpandItem     %10.1f us per item over %d items (fastest of %d rounds), longest line %zu bytes\n"
           "  reference      %10.1f us per item over %d items\n  %.1f times faster%s\n",
           name, templateText.size(), ours.microsecondsPerItem, itemList.count, kRounds, ours.longestLine, theirs,
           referenceItems, ratio, different ? "; THE LINES DIFFER" : "");
    return ours.microsecondsPerItem <= kTargetMicroseconds && ratio >= kTargetRatio && !different;
}

}  // namespace

int main()
{
    LoadCodePageLeadBytes();
    lstrcpynA(runSettings.lineBreakMarker, kDefaultLineBreakMarker, sizeof(runSettings.lineBreakMarker));
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    char folder[MAX_PATH + 32];
    snprintf(folder, sizeof(folder), "%stavrel-bench-%lu", temp, GetCurrentProcessId());
    std::vector<std::string> items = MakeItems(folder);

    ScanNames(items);
    printf("Code page %u. The reference searches again from the beginning after every replacement.\n", GetACP());
    Report("Template \"%^P\"", "%^P", items, kItemCount);
    bool met = Report("Placeholders only", PlaceholderTemplate(), items, kSlowReferenceItems);
    printf("Worst template: target at most %.0f us per item and %.0fx faster than the reference: %s\n",
           kTargetMicroseconds, kTargetRatio, met ? "met" : "NOT MET");

    RemoveItems(folder, items);
    return met ? 0 : 1;
}
