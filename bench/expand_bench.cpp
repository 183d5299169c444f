// Times ExpandTemplate per item beside the reference expander of the tests
// (which searches again from the beginning after every replacement), for the
// default template "%^P" and for a 2599-byte template made only of
// placeholders, over 1000 real files and directories. Prints microseconds per
// item and whether the worst template meets its target: under 1 ms per item
// and at least 50 times faster than the reference.
#include <windows.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "app/options.h"
#include "expand/expand_template.h"
#include "expand/split_path.h"
#include "tests/expand/reference_expansion.h"

namespace {

const int kItemCount = 1000;
// The reference takes about a tenth of a second per item on the long
// template, so it is timed over fewer items.
const int kSlowReferenceItems = 20;
const double kTargetMicroseconds = 1000;
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

Figures TimeExpandTemplate(const std::string& templateText, const std::vector<std::string>& items)
{
    static char line[kLineBufferSize];
    Figures figures = {0, 0};
    double start = Now();
    for (const std::string& item : items) {
        ExpandTemplate(templateText.c_str(), item.c_str(), File, line);
        if (strlen(line) > figures.longestLine) figures.longestLine = strlen(line);
    }
    figures.microsecondsPerItem = (Now() - start) / items.size();
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
        ExpandTemplate(templateText.c_str(), items[i].c_str(), File, line);
        reference::Expansion e =
            reference::Expand(templateText, items[i], File, runSettings.lineBreakMarker, reference::Mode::AsWritten);
        if (e.endless || e.overran || e.line != line) ++different;
    }
    return different;
}

bool Report(const char* name, const std::string& templateText, const std::vector<std::string>& items,
            int referenceItems)
{
    Figures ours = TimeExpandTemplate(templateText, items);
    double theirs = TimeReference(templateText, items, referenceItems);
    int different = CountDifferentLines(templateText, items, referenceItems);
    double ratio = theirs / ours.microsecondsPerItem;
    printf("%s, %zu bytes:\n  ExpandTemplate %10.1f us per item over %d items, longest line %zu bytes\n"
           "  reference      %10.1f us per item over %d items\n  %.1f times faster%s\n",
           name, templateText.size(), ours.microsecondsPerItem, (int)items.size(), ours.longestLine, theirs,
           referenceItems, ratio, different ? "; THE LINES DIFFER" : "");
    return ours.microsecondsPerItem < kTargetMicroseconds && ratio >= kTargetRatio && !different;
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

    printf("Code page %u. The reference searches again from the beginning after every replacement.\n", GetACP());
    Report("Template \"%^P\"", "%^P", items, kItemCount);
    bool met = Report("Placeholders only", PlaceholderTemplate(), items, kSlowReferenceItems);
    printf("Worst template: target under %.0f us per item and %.0fx faster than the reference: %s\n",
           kTargetMicroseconds, kTargetRatio, met ? "met" : "NOT MET");

    RemoveItems(folder, items);
    return met ? 0 : 1;
}
