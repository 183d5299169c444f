// RunSettings: the option values of one run, in the run's kind of text:
// bytes of the ANSI code page (runSettings) or, with "/#u", UTF-16
// (wideRunSettings). Written once by the options; read by the expander and
// the output, which sit above this room and so need not reach up for them.
#pragma once
#include <wchar.h>

enum OutputMode : int { Clipboard = 0, NamedFile = 1, AskForFile = 2 };

// Limits in units of the run's text: bytes, or UTF-16 units.
constexpr int kTemplateBufferSize = 2600;
constexpr int kQuotedValueMaxLength = 518;
constexpr int kInlineTemplateMaxLength = 1299;
constexpr int kMarkerMaxLength = 10;
constexpr int kItemSeparatorMaxLength = 259;

template <typename Char>
struct RunSettingsOf {
    int clipboardSource;
    OutputMode outputMode;
    int showHelp;
    int showVersion;
    Char templateText[kTemplateBufferSize];
    Char outputFilePath[kQuotedValueMaxLength + 1];
    Char lineBreakMarker[kMarkerMaxLength + 1];
    // "/#s": the items in Explorer's order.
    int sortItems;
    // "/#j=": what stands between the lines of two items, as written (the
    // marker still in it); without it, CR LF.
    int itemSeparatorGiven;
    Char itemSeparator[kItemSeparatorMaxLength + 1];
    // "/#l": the clipboard gets the items as links in "HTML Format" too.
    int htmlLinks;
    // "/#b=": the folder that "%^O" is relative to, as written; empty without
    // one, or when it is ignored.
    Char baseFolder[kQuotedValueMaxLength + 1];
};

using RunSettings = RunSettingsOf<char>;

extern RunSettings runSettings;
extern RunSettingsOf<wchar_t> wideRunSettings;

inline RunSettings& SettingsOf(const char*) { return runSettings; }
inline RunSettingsOf<wchar_t>& SettingsOf(const wchar_t*) { return wideRunSettings; }
