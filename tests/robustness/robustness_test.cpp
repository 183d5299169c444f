// The robustness run: the built exe, run end to end on generated command
// lines, clipboard texts, templates and file trees (scenario.h), each run held
// to the checks of checks.h. The seeds are 1, 2, 3 and so on, the same in every
// test run; TAVREL_ROBUSTNESS_RUNS sets how many (at least the default), and
// TAVREL_ROBUSTNESS_SEED replays one seed and prints what it generated.
#include <windows.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <map>
#include <string>
#include <vector>

#include "tests/robustness/checks.h"
#include "tests/robustness/scenario.h"
#include "tests/support/harness.h"

using harness::Escaped;
using robustness::RunKind;
using robustness::Scenario;

namespace {

// About a tenth of a second each under Wine: a minute per code page.
const uint64_t kDefaultRuns = 600;
// Past this many failing runs only their seeds are listed.
const int kFullReports = 10;

uint64_t EnvironmentNumber(const char* name, uint64_t fallback)
{
    char value[64] = {};
    DWORD length = GetEnvironmentVariableA(name, value, sizeof(value));
    if (length == 0 || length >= sizeof(value)) return fallback;
    return strtoull(value, nullptr, 10);
}

std::string Shown(const std::string& bytes, size_t limit)
{
    if (bytes.size() <= limit) return Escaped(bytes);
    return Escaped(bytes.substr(0, limit)) + "... (" + std::to_string(bytes.size()) + " bytes)";
}

const char* KindName(RunKind kind)
{
    switch (kind) {
    case RunKind::Mixed: return "mixed command line";
    case RunKind::FromClipboard: return "clipboard text";
    case RunKind::ManyOnCommandLine: return "1000+ items on the command line";
    default: return "1000+ items on the clipboard";
    }
}

std::string Describe(const Scenario& scenario)
{
    std::string text = "seed " + std::to_string(scenario.seed) + ", " + KindName(scenario.kind) + ", code page " +
                       std::to_string(GetACP()) + (scenario.sentinel ? ", lines counted per item" : "") +
                       " (replay with TAVREL_ROBUSTNESS_SEED=" + std::to_string(scenario.seed) + ")\n";
    text += "  exe: " + Escaped(scenario.exe) + "\n";
    text += "  command line (" + std::to_string(scenario.commandLine.size()) + " bytes): " +
            Shown(scenario.commandLine, 4000) + "\n";
    if (scenario.clipboardInput) text += "  clipboard text: " + Shown(scenario.clipboardText, 2000) + "\n";
    if (!scenario.outputFile.empty()) text += "  output file: " + Escaped(scenario.outputFile) + "\n";
    for (const std::string& note : scenario.notes) text += "  " + note + "\n";
    return text;
}

// What a replayed run left on the clipboard and in its output file.
void PrintDelivered(const Scenario& scenario)
{
    std::string clipboard;
    harness::ReadClipboardText(&clipboard);
    printf("  clipboard after the run: %s\n", Shown(clipboard, 4000).c_str());
    bool exists = false;
    std::string written = scenario.outputFile.empty() ? "" : harness::ReadBytes(scenario.outputFile, &exists);
    if (exists) printf("  output file after the run: %s\n", Shown(written, 4000).c_str());
}

// One seed in a scratch folder of its own: the faults found, none when the
// run passed.
std::vector<std::string> RunSeed(uint64_t seed, bool replay, Scenario* scenario)
{
    harness::ScratchFolder scratch;
    *scenario = robustness::MakeScenario(seed, scratch.path());
    if (replay) printf("%s", Describe(*scenario).c_str());
    if (scenario->fileListBlock.empty()) harness::SetClipboardText(scenario->clipboardText, scenario->unicode);
    else harness::SetClipboardBlock(CF_HDROP, scenario->fileListBlock);
    std::string clipboardBefore;
    harness::ReadClipboardText(&clipboardBefore, scenario->unicodeMode);
    robustness::Snapshot before = robustness::TakeSnapshot(scratch.path());

    robustness::RunResult run = robustness::RunWatched(scenario->exe, scenario->commandLine, scratch.path(), 0, scenario->unicode);
    std::vector<std::string> faults;
    if (run.timedOut) faults.push_back("did not end within its time limit");
    else if (run.exitCode != 0) {
        char code[16];
        snprintf(code, sizeof(code), "0x%08lX", run.exitCode);
        faults.push_back(std::string("exit code ") + code);
    }
    for (const std::string& window : run.windows) faults.push_back("a window appeared: " + window);
    if (replay) PrintDelivered(*scenario);
    robustness::CheckOutput(*scenario, clipboardBefore, before, scratch.path(), &faults);
    robustness::CompareSnapshots(before, robustness::TakeSnapshot(scratch.path()), scratch.path(),
                                 scenario->outputFile, &faults);
    return faults;
}

std::string Joined(const std::vector<std::string>& faults)
{
    std::string text;
    for (const std::string& fault : faults) text += "  fault: " + fault + "\n";
    return text;
}

}  // namespace

TEST(Robustness, GeneratedRunsEndCleanlyWithinTheBounds)
{
    uint64_t replay = EnvironmentNumber("TAVREL_ROBUSTNESS_SEED", 0);
    uint64_t runs = replay ? 1 : std::max(kDefaultRuns, EnvironmentNumber("TAVREL_ROBUSTNESS_RUNS", kDefaultRuns));
    uint64_t first = replay ? replay : 1;
    std::map<std::string, int> kinds;
    int failed = 0;
    DWORD start = GetTickCount();
    for (uint64_t seed = first; seed < first + runs; ++seed) {
        Scenario scenario;
        std::vector<std::string> faults = RunSeed(seed, replay != 0, &scenario);
        ++kinds[KindName(scenario.kind)];
        if (replay) printf("%s", Joined(faults).c_str());
        if (faults.empty()) continue;
        if (++failed <= kFullReports) ADD_FAILURE() << Joined(faults) << Describe(scenario);
        else ADD_FAILURE() << "seed " << seed << " failed as well: " << faults[0];
    }
    printf("%llu runs from seed %llu under code page %u in %.1f s, %d failed:", (unsigned long long)runs,
           (unsigned long long)first, GetACP(), (GetTickCount() - start) / 1000.0, failed);
    for (const auto& kind : kinds) printf(" %d %s;", kind.second, kind.first.c_str());
    printf("\n");
}
