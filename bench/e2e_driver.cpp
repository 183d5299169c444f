// Times whole runs of Tavrel.exe, each a process of its own started from this
// one, beside a do-nothing exe (the floor: what a process start costs) and
// beside cmd's for loop doing the same job. The cases take turns, round after
// round, so that a drift of the machine's speed touches them all alike. It
// prints the median of each case, its ratio to the floor and the peak working
// set, then whether the targets are met; the exit code is 0 when they are.
//
//   e2e_driver.exe [rounds]
//
// Tavrel.exe and e2e_floor.exe are taken from this exe's folder and copied
// into a fresh work folder under %TEMP%, beside 1000 files to name.
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/harness.h"

namespace {

const int kItemCount = 1000;
const int kDefaultRounds = 21;
// Working-set samples come from runs of their own: sampling slows a run.
const int kMemoryRounds = 5;
const DWORD kRunTimeoutMs = 120000;
const size_t kTemplateLength = 2599;
const size_t kLineLimit = 3899;
const double kMiB = 1024.0 * 1024.0;

struct Case {
    const char* name;
    std::string exe;
    std::string commandLine;
    std::string folder;
    // Put on the clipboard before each run when not empty.
    std::string clipboard;
    // Removed before each run when not empty: the case appends to it.
    std::string freshFile;
    bool tavrel;
    std::vector<double> ms;
    SIZE_T peakBytes;
};

struct Work {
    std::string root, bin, items, out;
};

std::string ItemName(int i)
{
    char name[32];
    snprintf(name, sizeof(name), "item%04d.txt", i + 1);
    return name;
}

// The nine File placeholders in turn, then "%^-P" and "%^E" to make exactly
// 2599 bytes.
std::string WorstTemplate()
{
    static const char* const tokens[] = {"%^P", "%^-P", "%^D", "%^-D", "%^F", "%^N", "%^E", "%^A", "%^B"};
    std::string text;
    for (int i = 0; text.size() + 16 <= kTemplateLength; i = (i + 1) % 9) text += tokens[i];
    while ((kTemplateLength - text.size()) % 3 != 0) text += "%^-P";
    while (text.size() < kTemplateLength) text += "%^E";
    return text;
}

Work MakeWork()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof(temp), temp);
    Work work;
    work.root = std::string(temp) + "tavrel-e2e-" + std::to_string(GetCurrentProcessId());
    work.bin = work.root + "\\bin";
    work.items = work.root + "\\items";
    work.out = work.root + "\\out";
    for (const std::string* folder : {&work.root, &work.bin, &work.items, &work.out})
        CreateDirectoryA(folder->c_str(), nullptr);
    for (int i = 0; i < kItemCount; ++i) harness::WriteBytes(work.items + "\\" + ItemName(i), "item");
    // Every exe runs from the same folder, so that none is favoured by where it lies.
    std::string own = harness::BuildFolder();
    CopyFileA((own + "e2e_floor.exe").c_str(), (work.bin + "\\e2e_floor.exe").c_str(), FALSE);
    CopyFileA((own + "Tavrel.exe").c_str(), (work.bin + "\\Tavrel.exe").c_str(), FALSE);
    CopyFileA((own + "Tavrel.exe").c_str(), (work.bin + "\\Worst.exe").c_str(), FALSE);
    harness::WriteBytes(work.bin + "\\Worst.ini", WorstTemplate());
    return work;
}

std::string ItemNamesLine()
{
    std::string line;
    for (int i = 0; i < kItemCount; ++i) line += " " + ItemName(i);
    return line;
}

std::string JoinedLines(const std::string& prefix)
{
    std::string text;
    for (int i = 0; i < kItemCount; ++i) text += (i ? "\r\n" : "") + prefix + ItemName(i);
    return text;
}

std::string SystemCmd()
{
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, sizeof(folder));
    return std::string(folder) + "\\cmd.exe";
}

std::vector<Case> MakeCases(const Work& work)
{
    std::string tavrel = work.bin + "\\Tavrel.exe";
    std::string worst = work.bin + "\\Worst.exe";
    std::string floor = work.bin + "\\e2e_floor.exe";
    std::string names = ItemNamesLine();
    std::string cmdOutput = work.out + "\\cmd.txt";
    return {
        {"floor", floor, "\"" + floor + "\"", work.items, "", "", false, {}, 0},
        {"tavrel-1000", tavrel, "\"" + tavrel + "\" /#o=%^N /#f=\"" + work.out + "\\names.txt\"" + names, work.items,
         "", "", true, {}, 0},
        {"tavrel-clip-1000", tavrel, "\"" + tavrel + "\" /#c /#o=%^P", work.items, JoinedLines(work.items + "\\"), "",
         true, {}, 0},
        {"tavrel-worst", worst, "\"" + worst + "\" /#f=\"" + work.out + "\\worst.txt\"" + names, work.items, "", "",
         true, {}, 0},
        // Wine's cmd does not redirect a bracketed block, so each line is appended.
        {"cmd-1000", SystemCmd(), "cmd /c for %f in (*.txt) do @echo %~nxf>>\"" + cmdOutput + "\"", work.items, "",
         cmdOutput, false, {}, 0},
        // Not targets, but where the time goes: the floor that opens the
        // clipboard, and Tavrel with nothing to do.
        {"floor-clipboard", floor, "\"" + floor + "\" /clipboard", work.items, "", "", false, {}, 0},
        {"tavrel-no-items", tavrel, "\"" + tavrel + "\"", work.items, "", "", true, {}, 0},
    };
}

void Prepare(const Case& c)
{
    if (!c.clipboard.empty()) harness::SetClipboardText(c.clipboard);
    if (!c.freshFile.empty()) DeleteFileA(c.freshFile.c_str());
}

HANDLE StartCase(const Case& c) { return harness::StartProcess(c.exe, c.commandLine, c.folder); }

bool Finish(const Case& c, HANDLE process)
{
    DWORD code = harness::WaitForExit(process, kRunTimeoutMs);
    CloseHandle(process);
    if (code != 0) printf("%s: exit code 0x%08lX\n", c.name, code);
    return code == 0;
}

double Seconds()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return (double)counter.QuadPart / (double)frequency.QuadPart;
}

// The case is prepared before the clock starts.
bool TimeRun(Case& c)
{
    Prepare(c);
    double start = Seconds();
    HANDLE process = StartCase(c);
    if (!process) return false;
    bool ok = Finish(c, process);
    c.ms.push_back((Seconds() - start) * 1000.0);
    return ok;
}

// Wine reports a process's memory only while it lives, and its peak is a
// high-water mark, so it is read as often as possible until the process ends.
bool SamplePeak(Case& c)
{
    Prepare(c);
    HANDLE process = StartCase(c);
    if (!process) return false;
    SIZE_T peak = 0;
    while (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        PROCESS_MEMORY_COUNTERS counters = {};
        counters.cb = sizeof(counters);
        if (GetProcessMemoryInfo(process, &counters, sizeof(counters))) peak = std::max(peak, counters.PeakWorkingSetSize);
    }
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (GetProcessMemoryInfo(process, &counters, sizeof(counters))) peak = std::max(peak, counters.PeakWorkingSetSize);
    c.peakBytes = std::max(c.peakBytes, peak);
    return Finish(c, process);
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
        lines.push_back(text.substr(start, at - start));
    lines.push_back(text.substr(start));
    return lines;
}

bool Expect(bool holds, const char* what)
{
    if (!holds) printf("output check failed: %s\n", what);
    return holds;
}

// After the warm-up round: every case did its job, so the figures are of runs
// that worked.
bool CheckOutputs(const Work& work, const Case& clip)
{
    bool ok =
        Expect(harness::ReadBytes(work.out + "\\names.txt") == JoinedLines(""), "tavrel-1000 wrote the 1000 names");
    std::string clipboard;
    ok &= Expect(harness::ReadClipboardText(&clipboard) && clipboard == clip.clipboard,
                 "tavrel-clip-1000 put the 1000 full paths on the clipboard");
    std::vector<std::string> worst = Lines(harness::ReadBytes(work.out + "\\worst.txt"));
    bool bounded = worst.size() == kItemCount;
    for (const std::string& line : worst) bounded &= !line.empty() && line.size() <= kLineLimit;
    ok &= Expect(bounded, "tavrel-worst wrote 1000 lines of 1 to 3899 bytes");
    std::string cmdOutput = harness::ReadBytes(work.out + "\\cmd.txt");
    ok &= Expect(cmdOutput.size() == JoinedLines("").size() + 2, "cmd-1000 wrote the 1000 names");
    return ok;
}

double Median(std::vector<double> values)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

const Case& Named(const std::vector<Case>& cases, const char* name)
{
    for (const Case& c : cases)
        if (strcmp(c.name, name) == 0) return c;
    return cases.front();
}

// Ratios and memory are given against floor-clipboard: under Wine no program
// that uses the clipboard or the beep gets below it.
void PrintTable(const std::vector<Case>& cases)
{
    double floorMs = Median(Named(cases, "floor-clipboard").ms);
    SIZE_T floorPeak = Named(cases, "floor-clipboard").peakBytes;
    printf("\n%-18s %10s %10s %10s %13s %18s\n", "case", "median ms", "min ms", "max ms", "x floor-clip",
           "peak working set");
    for (const Case& c : cases) {
        double median = Median(c.ms);
        auto range = std::minmax_element(c.ms.begin(), c.ms.end());
        printf("%-18s %10.1f %10.1f %10.1f %13.2f %11.2f MiB", c.name, median, *range.first, *range.second,
               median / floorMs, c.peakBytes / kMiB);
        if (c.tavrel) printf(" (%+.2f)", ((double)c.peakBytes - (double)floorPeak) / kMiB);
        printf("\n");
    }
}

bool Target(bool met, const char* text, double figure, const char* unit)
{
    printf("  %-62s %8.2f%-5s %s\n", text, figure, unit, met ? "met" : "MISSED");
    return met;
}

double ExtraMiB(const std::vector<Case>& cases, const char* name)
{
    return ((double)Named(cases, name).peakBytes - (double)Named(cases, "floor-clipboard").peakBytes) / kMiB;
}

// tavrel-worst holds a result of 3.2 MB and is left out of the memory target.
bool PrintTargets(const std::vector<Case>& cases)
{
    double floorClipboardMs = Median(Named(cases, "floor-clipboard").ms);
    double tavrel1000Ms = Median(Named(cases, "tavrel-1000").ms);
    double ratio1000 = tavrel1000Ms / floorClipboardMs;
    double ratioClip = Median(Named(cases, "tavrel-clip-1000").ms) / floorClipboardMs;
    double ratioWorst = Median(Named(cases, "tavrel-worst").ms) / tavrel1000Ms;
    double cmdOverTavrel = Median(Named(cases, "cmd-1000").ms) / tavrel1000Ms;
    double extraMiB = std::max(ExtraMiB(cases, "tavrel-1000"), ExtraMiB(cases, "tavrel-clip-1000"));
    printf("\ntargets:\n");
    bool met = Target(ratio1000 <= 1.25, "tavrel-1000 within 1.25 x floor-clipboard", ratio1000, " x");
    met &= Target(ratioClip <= 1.25, "tavrel-clip-1000 within 1.25 x floor-clipboard", ratioClip, " x");
    met &= Target(ratioWorst <= 1.5, "tavrel-worst within 1.5 x tavrel-1000", ratioWorst, " x");
    met &= Target(cmdOverTavrel > 1, "cmd-1000 slower than tavrel-1000", cmdOverTavrel, " x");
    met &= Target(extraMiB <= 1, "Tavrel's peak working set within 1 MiB of floor-clipboard's", extraMiB, " MiB");
    return met;
}

int RoundsFromArguments(int argc, char** argv)
{
    int rounds = argc > 1 ? atoi(argv[1]) : kDefaultRounds;
    return rounds > 0 ? rounds : kDefaultRounds;
}

}  // namespace

int main(int argc, char** argv)
{
    int rounds = RoundsFromArguments(argc, argv);
    Work work = MakeWork();
    std::vector<Case> cases = MakeCases(work);
    bool ok = true;
    // The warm-up round fills the caches; its times are dropped.
    for (Case& c : cases) ok &= TimeRun(c);
    ok &= CheckOutputs(work, Named(cases, "tavrel-clip-1000"));
    for (Case& c : cases) c.ms.clear();
    printf("%d rounds of %zu cases, code page %u\n", rounds, cases.size(), GetACP());
    for (int round = 0; round < rounds; ++round) {
        for (size_t i = 0; i < cases.size(); ++i) ok &= TimeRun(cases[(i + round) % cases.size()]);
    }
    for (int round = 0; round < kMemoryRounds; ++round) {
        for (Case& c : cases) ok &= SamplePeak(c);
    }
    PrintTable(cases);
    bool met = PrintTargets(cases);
    harness::RemoveTree(work.root);
    return ok && met ? 0 : 1;
}
